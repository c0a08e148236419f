#include "screens/TunerDlgBarDlg.h"

#include <QtCore/QPointer>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

namespace {
QPointer<CTunerDlgBarDlg> g_current;
}

CTunerDlgBarDlg::CTunerDlgBarDlg(CTunerDlg& screen, IScreenHost& host, CTunerDoc& doc)
    : CPttBar(screen, host, doc) {
    QVBoxLayout* layout = MakeLayout();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_programAll);
    buttons->addWidget(m_close);
    buttons->addWidget(m_ptt);
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_help);
    layout->addLayout(buttons);
    SetTabOrder({m_programAll, m_close, m_ptt, m_help});
    g_current = this;
}

CTunerDlgBarDlg::~CTunerDlgBarDlg() {
    Retire();
}

CTunerDlgBarDlg* CTunerDlgBarDlg::Current() {
    return g_current.data();
}

void CTunerDlgBarDlg::Retire() {
    if (g_current == this)
        g_current = nullptr;
}
