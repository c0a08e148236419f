#include "screens/PTTTimeOutDlg.h"

#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QVBoxLayout>

CPTTTimeOutDlg::CPTTTimeOutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("PTT Time Out Message");
    setModal(true);
    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(size, size));
    auto* text = new QLabel("Transmitter will be turned Off in", this);
    m_count = new QLabel(QString::number(kCountdownSeconds), this);
    m_count->setObjectName("count");  // id 1038
    auto* sec = new QLabel("Sec", this);
    m_continueButton = new QPushButton("Continue Transmitting", this);
    m_continueButton->setObjectName("continue");  // id 1039
    m_continueButton->setDefault(true);
    m_continueButton->setAutoDefault(true);
    connect(m_continueButton, &QPushButton::clicked, this, &CPTTTimeOutDlg::OnContinue);

    auto* countdown = new QHBoxLayout;
    countdown->addWidget(text);
    countdown->addWidget(m_count);
    countdown->addWidget(sec);
    countdown->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(countdown, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_continueButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CPTTTimeOutDlg::OnTimerTick);
}

void CPTTTimeOutDlg::OnTimerTick() {
    --m_nSecondsLeft;
    if (m_nSecondsLeft <= 0) {
        m_timer.stop();
        reject();  // m_bContinue stays false: the caller dekeys
        return;
    }
    m_count->setText(QString::asprintf("%d", m_nSecondsLeft));
}

void CPTTTimeOutDlg::OnContinue() {
    m_bContinue = true;
    m_timer.stop();
    accept();
}

void CPTTTimeOutDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_timer.start();
}

void CPTTTimeOutDlg::hideEvent(QHideEvent* event) {
    m_timer.stop();
    QDialog::hideEvent(event);
}
