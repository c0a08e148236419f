#include "app/RadInfoDlg.h"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "app/HelpWindow.h"
#include "document/TunerDoc.h"
#include "resources/CommandIds.h"

CRadInfoDlg::CRadInfoDlg(const CTunerDoc& doc, QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Radio Information");
    const char* labels[6] = {"Model Number:", "Serial Number:",   "Host Version:",
                             "DSP Version:",  "XPM SW\nVersion:", "Tuning/Hardware \nVersion:"};
    const std::string values[6] = {doc.GetModelNumber(),  doc.GetSerialNumber(),
                                   doc.GetHostVersion(),  doc.GetDspVersion(),
                                   doc.GetXpmSwVersion(), doc.GetTuningHwVersion()};
    auto* form = new QFormLayout;
    for (int i = 0; i < 6; ++i) {
        m_fields[i] = new QLineEdit(QString::fromStdString(values[i]), this);
        m_fields[i]->setReadOnly(true);
        m_fields[i]->setMinimumWidth(180);
        form->addRow(labels[i], m_fields[i]);
    }
    auto* close = new QPushButton("Close", this);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(close, 0, Qt::AlignRight);
}

void CRadInfoDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_F10:
        case Qt::Key_Escape:
            close();
            return;
        case Qt::Key_F1:
            CHelpWindow::ShowTopic(HelpId::kRadioInfo);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}
