#include "app/ChildFrame.h"

#include <QtGui/QCloseEvent>

#include "app/MainFrame.h"
#include "app/TunerView.h"
#include "document/TunerDoc.h"

CChildFrame::CChildFrame(std::unique_ptr<CTunerDoc> doc, CMainFrame& frame)
    : m_doc(std::move(doc)), m_frame(frame), m_view(new CTunerView(*m_doc, frame, this)) {
    setWidget(m_view);
    setWindowTitle(QString::fromStdString(m_doc->GetTitle()));
    setWindowIcon(QIcon(":/images/vegal-tuner.png"));
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
    doc->DeleteContents();
    doc.reset();  // closes the link to the radio
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
