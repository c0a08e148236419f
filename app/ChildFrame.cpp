#include "app/ChildFrame.h"

#include <QtGui/QCloseEvent>
#include <QtWidgets/QMenu>
#include <QtWidgets/QStatusBar>

#include "app/MainFrame.h"
#include "app/TunerView.h"
#include "document/TunerDoc.h"
#include "radio/Host.h"

CChildFrame::CChildFrame(std::unique_ptr<CTunerDoc> doc, CMainFrame& frame)
    : m_doc(std::move(doc)), m_frame(frame), m_view(new CTunerView(*m_doc, frame, this)) {
    setWidget(m_view);
    setWindowTitle(QString::fromStdString(m_doc->GetTitle()));
    setWindowIcon(QIcon(":/images/vegal-tuner.png"));
    // The window menu keeps its entries but not their keys: Ctrl+W is Write Device and
    // Ctrl+F4 and friends have no meaning here.
    if (QMenu* menu = systemMenu()) {
        for (QAction* action : menu->actions()) action->setShortcuts({});
    }
    m_view->OnInitialUpdate();
    resize(360, 420);
}

CChildFrame::~CChildFrame() {
    ReleaseDocument();
}

void CChildFrame::ReleaseDocument() {
    if (!m_doc)
        return;
    std::unique_ptr<CTunerDoc> doc = std::move(m_doc);
    m_frame.DestroyOpenScreen();  // no screen outlives the data set it works on
    m_view->DetachDocument();
    // Leaving test mode and the mandated pause after closing the link take two seconds:
    // say so, so the window does not look hung.
    const bool connected = doc->m_componentOpen;
    QStatusBar* status = m_frame.statusBar();
    if (connected) {
        status->showMessage("Closing the connection to the radio...");
        status->repaint();
    }
    {
        CWaitCursor wait(m_frame.Host());
        doc->DeleteContents();
        doc.reset();  // closes the link to the radio
    }
    if (connected)
        status->showMessage("Ready");
}

void CChildFrame::CloseDocument() {
    if (!m_doc)
        return;
    ReleaseDocument();
    m_frame.OnDocumentClosed(this);
    hide();
    deleteLater();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    event->accept();
    CloseDocument();
}
