#include "screens/PttBar.h"

#include <QtCore/QPointer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QPushButton>

#include "document/TunerDoc.h"
#include "radio/RadioCommands.h"
#include "resources/StringTable.h"
#include "screens/CloseWarningDlg.h"
#include "screens/PTTTimeOutDlg.h"
#include "screens/ScreenHost.h"
#include "screens/TunerDlg.h"

CPttBar::CPttBar(CTunerDlg& screen, IScreenHost& host, CTunerDoc& doc)
    : CTunerBar(screen, host, doc) {
    m_ptt = new QPushButton("PTT Toggle", this);
    m_ptt->setObjectName("pttToggle");  // id 3004
    m_ptt->setAutoDefault(false);
    connect(m_ptt, &QPushButton::clicked, this, [this] { PttToggle(); });
    SetStatus(Str::kTransmitterOff + screen.m_strFreqText);
    m_timer.setInterval(kTimerMs);
    connect(&m_timer, &QTimer::timeout, this, &CPttBar::OnTimer);
    m_timer.start();
}

void CPttBar::PttToggle() {
    if (m_bTransmitting)
        Dekey();
    else
        Key();
}

void CPttBar::Key() {
    QPointer<QWidget> focus = QApplication::focusWidget();
    m_bTransmitting = true;
    m_screen.m_bTransmitting = true;
    if (FAILED(SetPtt(*m_pDoc, true, m_screen.m_nFeature))) {
        // The radio did not confirm keying (the link has shown its message): not keyed.
        m_bTransmitting = false;
        m_screen.m_bTransmitting = false;
        return;
    }
    m_screen.MarkRowKeyed();
    if (focus)
        focus->setFocus();
    SetStatus(Str::kTransmittingAt + m_screen.m_strFreqText);
    // The selected value again, after any limit softpot that keying set.
    SetSoftpot(*m_pDoc, m_screen.m_nFeature, m_screen.m_nLastSent);
}

void CPttBar::Dekey() {
    QPointer<QWidget> focus = QApplication::focusWidget();
    m_bTransmitting = false;
    m_screen.m_bTransmitting = false;
    if (FAILED(SetPtt(*m_pDoc, false, m_screen.m_nFeature)))
        return;
    SetStatus(Str::kTransmitterOff + m_screen.m_strFreqText);
    m_screen.MarkRowIdle();
    if (focus)
        focus->setFocus();
}

void CPttBar::ProgramAll() {
    if (m_bTransmitting)
        PttToggle();
    ProgramRows();
}

void CPttBar::OnCancel() {
    if (!ConfirmCloseScreen(m_host, &m_screen, m_screen.HasUncommittedChanges()))
        return;
    CloseScreen();
}

void CPttBar::CloseScreen() {
    m_timer.stop();
    if (m_bTransmitting)
        SetPtt(*m_pDoc, false, m_screen.m_nFeature);
    m_bTransmitting = false;
    m_screen.m_bTransmitting = false;
    m_screen.DestroyScreen();
}

void CPttBar::CloseForDataSet() {
    m_timer.stop();
    if (m_bTransmitting)
        SetPtt(*m_pDoc, false, m_screen.m_nFeature);
    m_bTransmitting = false;
    m_screen.m_bTransmitting = false;
}

void CPttBar::ShowDriven(bool driven) {
    CTunerBar::ShowDriven(driven);
    m_ptt->setEnabled(!driven);
}

void CPttBar::OnTimer() {
    if (!m_bTransmitting || m_host.PttTimeOutOn() != 1 || m_screen.IsDriven()) {
        m_nIdleSeconds = 0;
        return;
    }
    ++m_nIdleSeconds;
    if (m_nIdleSeconds != kIdleLimitSeconds)
        return;
    // The watch keeps ticking while the dialog is open; the count passes 50 without a
    // second dialog.
    CPTTTimeOutDlg dialog(&m_screen);
    CFeatureScreen::ExecModal(m_host, dialog);
    if (m_screen.Closing())
        return;  // the screen closed meanwhile (dekeyed on its way out)
    if (!dialog.m_bContinue)
        Dekey();
    m_nIdleSeconds = 0;
}
