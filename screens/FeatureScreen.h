#pragma once

#include <QtCore/QPointer>
#include <QtWidgets/QDialog>

#include <vector>

#include "screens/ScreenHost.h"

class CTunerDoc;

/// Base of the modeless feature screens: a window owned by the main frame that works on the
/// document that was active when it was made.
///
/// Keys go through the application's accelerator table first, wherever the focus is on the
/// screen: F6 is PTT Toggle (command 3004), F8 Program All (1064), F10 and Esc Close (2), F1
/// Help (57670); each arrives at OnCommand. Enter never closes the screen: it arrives at
/// OnEnter, which by default commits the focused field (its editingFinished) and keeps the
/// focus there. CloseScreen clears the frame's open-screen slot and destroys the window.
///
/// A screen is never destroyed under a modal dialog of its own (one run through ExecModal
/// whose parent is the screen or a part of it): whatever closes the screen while such a
/// dialog runs (CloseScreen, Destroy, a deleteLater posted from inside the dialog's event
/// loop) ends the dialog as rejected, and the screen goes only once the dialog's exec has
/// returned and its caller has unwound.
class CFeatureScreen : public QDialog, public IFeatureScreen {
    Q_OBJECT
public:
    CFeatureScreen(IScreenHost& host, CTunerDoc& doc);

    IScreenHost& ScreenHost() const { return m_screenHost; }
    CTunerDoc& Doc() const { return m_doc; }

    /// Handles a command of the screen: a button or a translated key. The default closes on
    /// command 2 and ignores everything else.
    virtual void OnCommand(int id);
    /// Clears the frame's open-screen slot and destroys the window (deferred; after the
    /// screen's modal dialogs have returned).
    void CloseScreen();
    /// Destroys the window now or, while a modal dialog of the screen runs, ends that dialog
    /// and destroys the window once its exec has returned (the frame's way when the data set
    /// goes). The caller must not touch the screen afterwards.
    void Destroy();
    /// The screen is on its way out: a caller back from a modal dialog does nothing more.
    virtual bool Closing() const { return m_closing; }

    /// Runs a modal dialog through the frame's dialog runner. When the dialog belongs to a
    /// feature screen (its parent is the screen or a part of it), that screen outlives the
    /// dialog and its caller; a screen that is closing asks nothing (Rejected at once), and a
    /// dialog ended because its screen closed returns Rejected.
    static int ExecModal(IScreenHost& host, QDialog& dialog);
    /// The feature screen a widget belongs to (the widget itself or an ancestor), or null.
    static CFeatureScreen* OwnerOf(QWidget* widget);
    /// A modal dialog of this screen is running.
    bool HasOpenModal() const { return !m_modals.empty(); }

    // IFeatureScreen: nothing to wind down by default.
    void CloseForDataSet() override {}

protected:
    /// Enter or Return: commit the focused field and keep the focus on it.
    virtual void OnEnter();
    /// Esc and the window's close box arrive here as command 2.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    /// Ends every modal dialog of the screen (rejected) and destroys the screen once the last
    /// one has returned.
    void DestroyAfterModals();

    IScreenHost& m_screenHost;
    CTunerDoc& m_doc;
    bool m_closing = false;
    bool m_destroyAfterModals = false;
    std::vector<QPointer<QDialog>> m_modals;  ///< modal dialogs running, innermost last
};
