#include "app/SelectPortDlg.h"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "app/HelpWindow.h"
#include "resources/CommandIds.h"

CSelectPortDlg::CSelectPortDlg(const std::vector<PortCandidate>& candidates,
                               const std::string& remembered, QWidget* parent)
    : QDialog(parent), m_list(new QComboBox(this)) {
    setWindowTitle("Select Port");
    for (const PortCandidate& c : candidates) {
        QString name = QString::fromStdString(c.name);
        QString text = name;
        if (!c.label.empty())
            text = QString("%1 (%2)").arg(name, QString::fromStdString(c.label));
        else if (!c.device.empty())
            text = QString("%1  (%2)").arg(name, QString::fromStdString(c.device));
        m_list->addItem(text, name);
    }
    m_list->setCurrentIndex(SelectPortIndex(candidates, remembered));
    m_list->setMinimumContentsLength(28);

    auto* form = new QFormLayout;
    form->addRow("Port:", m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (m_list->currentIndex() >= 0)
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QComboBox::currentIndexChanged, this, [this] { UpdateOk(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    UpdateOk();
}

std::string CSelectPortDlg::SelectedPort() const {
    if (m_list->currentIndex() < 0)
        return {};
    return m_list->currentData().toString().toStdString();
}

void CSelectPortDlg::UpdateOk() {
    m_ok->setEnabled(m_list->currentIndex() >= 0);
}

void CSelectPortDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        CHelpWindow::ShowTopic(HelpId::kSelectPort);
        return;
    }
    QDialog::keyPressEvent(event);
}
