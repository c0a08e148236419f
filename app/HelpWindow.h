#pragma once

#include <QtWidgets/QWidget>

class QTextBrowser;

/// The help window: the help pages by context number (resources/help/<number>.html).
/// An unknown number shows the index.
class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    /// Shows the topic of a context number in the one help window (made on first use).
    static void ShowTopic(int context);
    /// The help window, or null before the first topic.
    static CHelpWindow* Instance();
    /// Resource path of the page that a context number opens.
    static QString PageFor(int context);
    /// The page shown now.
    QString CurrentPage() const { return m_page; }

private:
    CHelpWindow();
    void Show(int context);

    QTextBrowser* m_browser;
    QString m_page;
};
