#include "app/OptionsDlg.h"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "app/AppSettings.h"
#include "app/HelpWindow.h"
#include "resources/CommandIds.h"

COptionsDlg::COptionsDlg(const CAppSettings& settings, QWidget* parent)
    : QDialog(parent),
      m_reminder(new QCheckBox("Reminder On", this)),
      m_pttTimeOut(new QCheckBox("PTT Time Out", this)),
      m_initialReminder(settings.m_nReminderOff == 0),
      m_initialPttTimeOut(settings.m_nPTTTimeOutOn != 0) {
    setWindowTitle("Options");
    m_reminder->setChecked(m_initialReminder);
    m_pttTimeOut->setChecked(m_initialPttTimeOut);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [] { CHelpWindow::ShowTopic(HelpId::kOptions); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_reminder);
    layout->addWidget(m_pttTimeOut);
    layout->addWidget(buttons);
}

void COptionsDlg::Apply(CAppSettings& settings) const {
    if (m_reminder->isChecked() != m_initialReminder)
        settings.m_nReminderOff = m_reminder->isChecked() ? 0 : 1;
    if (m_pttTimeOut->isChecked() != m_initialPttTimeOut)
        settings.m_nPTTTimeOutOn = m_pttTimeOut->isChecked() ? 1 : 0;
}

void COptionsDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        CHelpWindow::ShowTopic(HelpId::kOptions);
        return;
    }
    QDialog::keyPressEvent(event);
}
