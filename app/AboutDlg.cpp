#include "app/AboutDlg.h"

#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Tuner");
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(":/images/vegal-tuner.png")
                        .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto* text = new QLabel(QString("<b>VEGAL 25 Tuner</b><br>%1<br><br>Alignment tool for "
                                    "APCO-25 portable radios.")
                                .arg(kVersionLine),
                            this);
    text->setObjectName("aboutText");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}
