#include "screens/TunerBar.h"

#include <QtWidgets/QFrame>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "document/TunerDoc.h"
#include "radio/RadioCommands.h"
#include "screens/ScreenHost.h"
#include "screens/TunerDlg.h"
#include "screens/TuningFeatures.h"

CTunerBar::CTunerBar(CTunerDlg& screen, IScreenHost& host, CTunerDoc& doc)
    : QWidget(&screen), m_pDoc(&doc), m_screen(screen), m_host(host) {
    m_programAll = new QPushButton("Program All", this);
    m_programAll->setObjectName("programAll");  // id 1064
    m_close = new QPushButton("Close", this);
    m_close->setObjectName("close");  // id 2
    m_help = new QPushButton("Help", this);
    m_help->setObjectName("help");  // id 57670
    m_status = new QLineEdit(this);
    m_status->setObjectName("status");  // id 4559
    m_status->setReadOnly(true);
    m_status->setFocusPolicy(Qt::NoFocus);
    m_status->setMinimumWidth(230);
    for (QPushButton* b : {m_programAll, m_close, m_help}) b->setAutoDefault(false);
    connect(m_programAll, &QPushButton::clicked, this, [this] { ProgramAll(); });
    connect(m_close, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(m_help, &QPushButton::clicked, this, &CTunerBar::OnHelp);
}

QVBoxLayout* CTunerBar::MakeLayout() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 8);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    return layout;
}

void CTunerBar::SetTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* w : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

void CTunerBar::SetStatus(const std::string& text) {
    m_strStatus = text;
    m_status->setText(QString::fromStdString(text));
}

void CTunerBar::ShowDriven(bool driven) {
    m_programAll->setEnabled(!driven);
    m_close->setEnabled(!driven);
}

void CTunerBar::OnHelp() {
    m_host.ShowHelp(TuningHelpContext(m_screen.m_nFeature));
}

HRESULT CTunerBar::ProgramRows() {
    CWaitCursor wait(m_host.Host());
    CTunerDlg& s = m_screen;
    s.UpdateData(true);
    std::array<int, kMaxTestFreqs> values = s.m_nValue;
    for (int i = 0; i < kTunerRows; ++i) values[i] = s.m_nNewValue[i];
    const HRESULT hr = ProgramSoftpots(*m_pDoc, s.m_nFeature, values.data(),
                                       m_pDoc->m_freqCount[s.m_nFeature], s.m_strFeatureName);
    m_lastProgramStatus = hr;
    if (SUCCEEDED(hr)) {
        for (int i = 0; i < kTunerRows; ++i) {
            s.m_nValue[i] = s.m_nNewValue[i];
            s.m_nRadioValue[i] = s.m_nValue[i];
        }
        m_pDoc->UpdateSavedValues(s.m_nFeature, s.m_nLevel, s.m_nValue.data());
    }
    s.UpdateData(false);
    SetStatus(m_strStatus);
    return hr;
}
