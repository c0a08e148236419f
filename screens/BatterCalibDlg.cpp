#include "screens/BatterCalibDlg.h"

#include <QtWidgets/QFormLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "document/TunerDoc.h"
#include "radio/NumberText.h"
#include "radio/RadioCommands.h"
#include "resources/CommandIds.h"
#include "screens/CloseWarningDlg.h"
#include "screens/NumberField.h"

namespace {

constexpr int kLowest = 0;
constexpr int kHighest = 255;

}  // namespace

CBatterCalibDlg::CBatterCalibDlg(IScreenHost& host, CTunerDoc& doc)
    : CValueScreen(host, doc, HelpId::kBatteryCal),
      m_newValue(new QLineEdit(this)),
      m_oldValue(new QLineEdit(this)),
      m_status(new QLineEdit(this)) {
    setWindowTitle(kTitle);
    m_newValue->setObjectName("newValue");
    m_oldValue->setObjectName("oldValue");
    m_oldValue->setReadOnly(true);
    m_status->setObjectName("status");
    m_status->setReadOnly(true);
    auto* calibrate = MakeButton("Auto Calibrate", "autoCalibrate");
    auto* program = MakeButton("Program All", "programAll");
    auto* close = MakeButton("Close", "close");
    auto* help = MakeButton("Help", "help");

    auto* form = new QFormLayout;
    form->addRow("Old Value:", m_oldValue);
    form->addRow("New Value:", m_newValue);
    auto* instruction = new QHBoxLayout;
    instruction->addWidget(new QLabel("Set radio supply voltage to 6.9V and press", this));
    instruction->addWidget(calibrate);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {program, close, help}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(instruction);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    // Tab runs New Value, Auto Calibrate, Program All, Close, Help; the read-only fields
    // take the focus only when clicked.
    m_oldValue->setFocusPolicy(Qt::ClickFocus);
    m_status->setFocusPolicy(Qt::ClickFocus);
    setTabOrder(m_newValue, calibrate);
    setTabOrder(calibrate, program);
    setTabOrder(program, close);
    setTabOrder(close, help);

    connect(calibrate, &QPushButton::clicked, this, &CBatterCalibDlg::OnAutoCalibrate);
    connect(program, &QPushButton::clicked, this, &CBatterCalibDlg::OnProgramAll);
    connect(close, &QPushButton::clicked, this, &CBatterCalibDlg::OnClose);
    connect(help, &QPushButton::clicked, this, [this] { OnCommand(Cmd::kHelp); });

    EnterTestMode(doc);
    doc.GetSavedValues(kBatteryCal, 0, m_nFreqs, m_nValues);
    m_nOldValue = m_nNewValue = m_nValues[0];
    ShowData();
}

void CBatterCalibDlg::ShowData() {
    m_oldValue->setText(QString::number(m_nOldValue));
    m_newValue->setText(QString::number(m_nNewValue));
}

void CBatterCalibDlg::OnAutoCalibrate() {
    // A failed read leaves the new value as it was.
    ReadBatteryCalibration(Doc(), m_nNewValue);
    ShowData();
}

void CBatterCalibDlg::OnProgramAll() {
    CWaitCursor wait(ScreenHost().Host());
    int value = 0;
    if (!NumberField::ReadInt(ScreenHost().Host(), *m_newValue, value))
        return;
    if (value < kLowest || value > kHighest) {
        NumberField::RefuseRange(ScreenHost().Host(), *m_newValue, kLowest, kHighest);
        return;  // never programmed
    }
    m_nNewValue = value;
    m_nValues[0] = value;
    if (FAILED(ProgramSoftpots(Doc(), kBatteryCal, m_nValues, 1, ScreenHost().FeatureName()))) {
        // The radio keeps its value, and so does the data set: closing warns.
        m_nValues[0] = m_nOldValue;
        ShowData();
        return;
    }
    m_nOldValue = value;
    Doc().UpdateSavedValues(kBatteryCal, 0, m_nValues);
    ShowData();
}

void CBatterCalibDlg::OnClose() {
    // The value in the field counts, typed or read.
    int shown = m_nNewValue;
    NumberText::ParseInt(m_newValue->text().toStdString(), shown);
    if (!ConfirmCloseScreen(ScreenHost(), this, shown != m_nOldValue))
        return;
    CloseScreen();
}
