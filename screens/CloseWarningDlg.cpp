#include "screens/CloseWarningDlg.h"

#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QVBoxLayout>

#include "screens/FeatureScreen.h"

CCloseWarningDlg::CCloseWarningDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("WARNING");
    setModal(true);
    auto* icon = new QLabel(this);
    icon->setObjectName("icon");
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(size, size));
    auto* text = new QLabel(QString::fromLatin1(kText), this);
    text->setObjectName("text");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool AskCloseWarning(IScreenHost& host, QWidget* parent) {
    CCloseWarningDlg dialog(parent);
    return CFeatureScreen::ExecModal(host, dialog) == QDialog::Accepted;
}

bool ConfirmCloseScreen(IScreenHost& host, QWidget* parent, bool hasUncommittedChanges) {
    if (!hasUncommittedChanges || host.ReminderOff() != 0)
        return true;
    return AskCloseWarning(host, parent);
}
