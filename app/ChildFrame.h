#pragma once

#include <QtWidgets/QMdiSubWindow>

#include <memory>

class CMainFrame;
class CTunerDoc;
class CTunerView;

/// The window of one open data set: owns the document and shows its tree view. Closing the
/// window empties and deletes the document at once (without asking: nothing in the system
/// marks a data set as modified).
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CChildFrame(std::unique_ptr<CTunerDoc> doc, CMainFrame& frame);
    ~CChildFrame() override;

    /// The document, or null once it has been closed.
    CTunerDoc* Document() const { return m_doc.get(); }
    CTunerView* View() const { return m_view; }

    /// Empties and deletes the document now; the window goes at the next event-loop turn.
    void CloseDocument();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ReleaseDocument();

    std::unique_ptr<CTunerDoc> m_doc;
    CMainFrame& m_frame;
    CTunerView* m_view;
};
