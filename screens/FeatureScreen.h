#pragma once

#include <QtWidgets/QDialog>

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
class CFeatureScreen : public QDialog, public IFeatureScreen {
    Q_OBJECT
public:
    CFeatureScreen(IScreenHost& host, CTunerDoc& doc);

    IScreenHost& ScreenHost() const { return m_screenHost; }
    CTunerDoc& Doc() const { return m_doc; }

    /// Handles a command of the screen: a button or a translated key. The default closes on
    /// command 2 and ignores everything else.
    virtual void OnCommand(int id);
    /// Clears the frame's open-screen slot and destroys the window (deferred).
    void CloseScreen();

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
    IScreenHost& m_screenHost;
    CTunerDoc& m_doc;
    bool m_closing = false;
};
