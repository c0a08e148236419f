#pragma once

#include <QtCore/QPointer>
#include <QtWidgets/QWidget>

class QAction;
class QTextBrowser;

/// The help window: the help pages by context number (resources/help/<number>.html), with
/// Back, Forward and Contents. An unknown number shows the index.
///
/// There is one help window. It belongs to the main window, so it goes when the main window
/// closes; while a modal dialog is open it belongs to that dialog, so that help asked for from
/// the dialog shows above it and takes input. When the dialog closes, the window goes back to
/// the main window and stays open.
class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    /// Shows the topic of a context number in the one help window (made on first use).
    static void ShowTopic(int context);
    /// The help window, or null before the first topic and after it was closed.
    static CHelpWindow* Instance();
    /// Resource path of the page that a context number opens.
    static QString PageFor(int context);
    /// The window the help window belongs to when no modal dialog is open.
    static void SetMainWindow(QWidget* window);
    /// Closes the help window (the main window is closing).
    static void CloseHelp();

    /// The page shown now.
    QString CurrentPage() const;
    QTextBrowser* Browser() const { return m_browser; }
    QAction* BackAction() const { return m_back; }
    QAction* ForwardAction() const { return m_forward; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CHelpWindow();
    void Show(int context);
    /// Makes owner the window's parent, keeping its place and whether it shows.
    void AttachTo(QWidget* owner);

    QTextBrowser* m_browser;
    QAction* m_back;
    QAction* m_forward;
    QPointer<QWidget> m_modalOwner;
    bool m_placed = false;
    static QPointer<QWidget> s_mainWindow;
};
