#include "screens/TunerRxDlgBarDlg.h"

#include <QtCore/QPointer>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "document/TunerDoc.h"
#include "radio/RadioCommands.h"
#include "resources/StringTable.h"
#include "screens/CloseWarningDlg.h"
#include "screens/TunerDlg.h"

namespace {

QPointer<CTunerRxDlgBarDlg> g_current;

/// The audio list: text and SetReceiveAudio code by position.
struct AudioRoute {
    const char* text;
    int code;
};
constexpr AudioRoute kAudio[] = {
    {"Mute", kAudioMute}, {"Internal", kAudioInternal}, {"External", kAudioExternal}};

}  // namespace

CTunerRxDlgBarDlg::CTunerRxDlgBarDlg(CTunerDlg& screen, IScreenHost& host, CTunerDoc& doc)
    : CTunerBar(screen, host, doc) {
    SetStatus(Str::kReceivingAt + screen.m_strFreqText);
    m_cbAudio = new QComboBox(this);
    m_cbAudio->setObjectName("audio");  // id 1048
    for (const AudioRoute& a : kAudio) m_cbAudio->addItem(a.text);
    // Mute is what the start of the feature already set: nothing is sent for it.
    m_cbAudio->setCurrentIndex(0);
    connect(m_cbAudio, &QComboBox::activated, this, &CTunerRxDlgBarDlg::OnAudioChanged);
    auto* rssiLabel = new QLabel("Radio RSSI:", this);  // id 1022
    m_signal = new QLineEdit(this);
    m_signal->setObjectName("rssi");  // id 1023
    m_signal->setReadOnly(true);
    m_signal->setFocusPolicy(Qt::NoFocus);
    m_signal->setFixedWidth(60);
    m_signal->setText(QString::number(m_nSignalStrength));

    QVBoxLayout* layout = MakeLayout();
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Audio:", this));
    top->addWidget(m_cbAudio);
    top->addSpacing(24);
    top->addWidget(rssiLabel);
    top->addWidget(m_signal);
    top->addStretch();
    layout->addLayout(top);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_programAll);
    buttons->addWidget(m_close);
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_help);
    layout->addLayout(buttons);
    SetTabOrder({m_cbAudio, m_programAll, m_close, m_help});

    // While this bar polls, a lost radio gives one failure message, not one every 250 ms.
    doc.m_commErrorOnce = true;
    g_current = this;
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &CTunerRxDlgBarDlg::OnPollTimer);
    m_timer.start();
}

CTunerRxDlgBarDlg::~CTunerRxDlgBarDlg() {
    Retire();
}

CTunerRxDlgBarDlg* CTunerRxDlgBarDlg::Current() {
    return g_current.data();
}

void CTunerRxDlgBarDlg::Retire() {
    if (g_current == this)
        g_current = nullptr;
}

void CTunerRxDlgBarDlg::OnAudioChanged(int position) {
    if (position >= 0 && position < int(std::size(kAudio)))
        SetReceiveAudio(*m_pDoc, kAudio[position].code);
}

void CTunerRxDlgBarDlg::OnPollTimer() {
    if (!m_bPollStopped && FAILED(ReadSignalStrength(*m_pDoc, m_nSignalStrength)))
        m_bPollStopped = true;
    m_signal->setText(QString::number(m_nSignalStrength));
}

void CTunerRxDlgBarDlg::ProgramAll() {
    ProgramRows();
}

void CTunerRxDlgBarDlg::StopPolling() {
    m_timer.stop();
    m_pDoc->m_commErrorShown = false;
    m_pDoc->m_commErrorOnce = false;
}

void CTunerRxDlgBarDlg::OnCancel() {
    if (!ConfirmCloseScreen(m_host, &m_screen, m_screen.HasUncommittedChanges()))
        return;  // the screen stays open and keeps polling
    StopPolling();
    m_screen.DestroyScreen();
}

void CTunerRxDlgBarDlg::ShowDriven(bool driven) {
    CTunerBar::ShowDriven(driven);
    m_cbAudio->setEnabled(!driven);
}

void CTunerRxDlgBarDlg::CloseForDataSet() {
    StopPolling();
}
