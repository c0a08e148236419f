#include "screens/TunerTxDevBalDlgBarDlg.h"

#include <QtCore/QPointer>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QVBoxLayout>

#include "radio/Host.h"
#include "radio/RadioCommands.h"
#include "screens/ScreenHost.h"

namespace {

QPointer<CTunerTxDevBalDlgBarDlg> g_current;

/// BM_SETCHECK: the one button only, whatever its sibling shows.
void SetCheck(QRadioButton* button, bool check) {
    button->setAutoExclusive(false);
    button->setChecked(check);
    button->setAutoExclusive(true);
}

}  // namespace

CTunerTxDevBalDlgBarDlg::CTunerTxDevBalDlgBarDlg(CTunerDlg& screen, IScreenHost& host,
                                                 CTunerDoc& doc)
    : CPttBar(screen, host, doc) {
    auto* group = new QGroupBox("PTT Tone", this);
    m_btnLow = new QRadioButton("Low", group);
    m_btnLow->setObjectName("low");  // id 1011
    m_btnHigh = new QRadioButton("High", group);
    m_btnHigh->setObjectName("high");  // id 1012
    auto* tones = new QHBoxLayout(group);
    tones->addWidget(m_btnLow);
    tones->addWidget(m_btnHigh);
    // The low tone is the one the start of the feature selected.
    m_btnLow->setChecked(true);
    connect(m_btnLow, &QRadioButton::clicked, this, [this] { OnLowTone(); });
    connect(m_btnHigh, &QRadioButton::clicked, this, [this] { OnHighTone(); });

    QVBoxLayout* layout = MakeLayout();
    auto* top = new QHBoxLayout;
    top->addWidget(group);
    top->addStretch();
    layout->addLayout(top);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_programAll);
    buttons->addWidget(m_close);
    buttons->addWidget(m_ptt);
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_help);
    layout->addLayout(buttons);
    SetTabOrder({m_btnLow, m_btnHigh, m_programAll, m_close, m_ptt, m_help});
    g_current = this;
}

CTunerTxDevBalDlgBarDlg::~CTunerTxDevBalDlgBarDlg() {
    Retire();
}

CTunerTxDevBalDlgBarDlg* CTunerTxDevBalDlgBarDlg::Current() {
    return g_current.data();
}

void CTunerTxDevBalDlgBarDlg::Retire() {
    if (g_current == this)
        g_current = nullptr;
}

void CTunerTxDevBalDlgBarDlg::ShowDriven(bool driven) {
    CPttBar::ShowDriven(driven);
    m_btnLow->setEnabled(!driven);
    m_btnHigh->setEnabled(!driven);
}

void CTunerTxDevBalDlgBarDlg::SetLowCheck(bool check) {
    SetCheck(m_btnLow, check);
}

void CTunerTxDevBalDlgBarDlg::SetHighCheck(bool check) {
    SetCheck(m_btnHigh, check);
}

bool CTunerTxDevBalDlgBarDlg::IsLowChecked() const {
    return m_btnLow->isChecked();
}

bool CTunerTxDevBalDlgBarDlg::IsHighChecked() const {
    return m_btnHigh->isChecked();
}

void CTunerTxDevBalDlgBarDlg::ToneChange(bool high) {
    m_nIdleSeconds = 0;
    const bool lowChecked = m_btnLow->isChecked();
    const bool checkedIsHigh = !lowChecked && m_btnHigh->isChecked();
    if ((!lowChecked && !checkedIsHigh) || checkedIsHigh != high)
        return;
    if (m_bTransmitting) {
        PttToggle();
        m_host.Host().Sleep(kToneChangePauseMs);
        SelectTone(*m_pDoc, high);
        PttToggle();
    } else {
        SelectTone(*m_pDoc, high);
    }
}
