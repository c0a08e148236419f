#include "screens/PABiasDlg.h"

#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "document/Logs.h"
#include "document/TunerDoc.h"
#include "radio/NumberText.h"
#include "radio/RadioCommands.h"
#include "resources/CommandIds.h"
#include "screens/CloseWarningDlg.h"
#include "screens/ColourSlider.h"
#include "screens/NumberField.h"
#include "screens/SliderColours.h"
#include "screens/SpinButton.h"

namespace {

constexpr int kModalRetryMs = 50;

QLineEdit* Edit(QWidget* parent, const char* name, bool readOnly) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    return edit;
}

}  // namespace

CPABiasDlg::CPABiasDlg(IScreenHost& host, CTunerDoc& doc)
    : CValueScreen(host, doc, HelpId::kPaBias),
      m_slider(new CColourSlider(Qt::Horizontal, this)),
      m_spin(new CSpinButton(this)),
      m_minLabel(new QLabel("0", this)),
      m_maxLabel(new QLabel("255", this)),
      m_newValue(Edit(this, "newValue", false)),
      m_radioValue(Edit(this, "radioValue", true)),
      m_status(Edit(this, "status", true)) {
    setWindowTitle("PA Bias");
    m_slider->setObjectName("slider");
    m_spin->setObjectName("spin");
    m_minLabel->setObjectName("minimumLabel");
    m_maxLabel->setObjectName("maximumLabel");
    m_spin->SetBuddy(m_newValue);
    auto* toggle = MakeButton("Bias Toggle", "biasToggle");
    auto* program = MakeButton("Program All", "programAll");
    auto* close = MakeButton("Close", "close");
    auto* help = MakeButton("Help", "help");

    auto* sliderRow = new QGridLayout;
    sliderRow->addWidget(m_slider, 0, 0, 1, 2);
    sliderRow->addWidget(m_minLabel, 1, 0, Qt::AlignLeft);
    sliderRow->addWidget(m_maxLabel, 1, 1, Qt::AlignRight);
    auto* values = new QGridLayout;
    values->addWidget(new QLabel("Radio Softpot Value", this), 0, 0);
    values->addWidget(m_radioValue, 0, 1);
    values->addWidget(new QLabel("New Softpot Value", this), 1, 0);
    auto* newRow = new QHBoxLayout;
    newRow->setSpacing(0);
    newRow->addWidget(m_newValue);
    newRow->addWidget(m_spin);
    values->addLayout(newRow, 1, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {toggle, program, close, help}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sliderRow);
    layout->addLayout(values);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    m_slider->setMinimumWidth(300);

    // Tab runs slider, New Softpot Value, Bias Toggle, Program All, Close, Help; the
    // read-only fields take the focus only when clicked.
    m_radioValue->setFocusPolicy(Qt::ClickFocus);
    m_status->setFocusPolicy(Qt::ClickFocus);
    setTabOrder(m_slider, m_newValue);
    setTabOrder(m_newValue, toggle);
    setTabOrder(toggle, program);
    setTabOrder(program, close);
    setTabOrder(close, help);

    connect(m_slider, &QAbstractSlider::actionTriggered, this, [this] { QueueScroll(); });
    connect(m_spin, &CSpinButton::Scrolled, this, [this] { OnVScroll(); });
    connect(m_newValue, &QLineEdit::editingFinished, this, &CPABiasDlg::OnNewValueKillFocus);
    connect(toggle, &QPushButton::clicked, this, &CPABiasDlg::OnBiasToggle);
    connect(program, &QPushButton::clicked, this, &CPABiasDlg::OnProgramAll);
    connect(close, &QPushButton::clicked, this, &CPABiasDlg::OnClose);
    connect(help, &QPushButton::clicked, this, [this] { OnCommand(Cmd::kHelp); });

    // Initialisation: the feature the frame is opening, the stored value and its limits.
    const int type = TypeOf(host.FeatureName());
    m_nType = type != 0 ? type : m_nType;
    LogFeatureTitle(doc, m_nType, 0);
    EnterTestMode(doc);
    doc.GetSavedValues(m_nType, 0, m_nFreqs, m_nValues);
    m_nRadioValue = m_nNewValue = m_nValues[0];
    ReadSoftpotLimits(doc, m_nType, m_nMin, m_nMax);
    m_slider->setRange(m_nMin, m_nMax);
    m_spin->SetRange(m_nMin, m_nMax);
    const int pos = m_nRadioValue > m_nMax ? m_nMax : m_nRadioValue;
    m_slider->setValue(pos);
    m_spin->SetPos(pos);
    m_slider->SetColour(SliderColours::kGreen);
    m_minLabel->setText(QString::number(m_nMin));
    m_maxLabel->setText(QString::number(m_nMax));
    m_nLastSent = m_nNewValue;
    ShowData();
}

int CPABiasDlg::TypeOf(const std::string& featureName) {
    for (int type = kPaBias1; type <= kPaBias3; ++type) {
        if (featureName == "PA Bias " + std::to_string(type - kPaBias1 + 1))
            return type;
    }
    return 0;
}

void CPABiasDlg::ShowData() {
    m_radioValue->setText(QString::number(m_nRadioValue));
    m_newValue->setText(QString::number(m_nNewValue));
    m_status->setText(QString::fromStdString(m_strStatus));
}

void CPABiasDlg::QueueScroll() {
    if (m_scrollQueued)
        return;
    m_scrollQueued = true;
    QMetaObject::invokeMethod(this, &CPABiasDlg::RunQueuedScroll, Qt::QueuedConnection);
}

void CPABiasDlg::RunQueuedScroll() {
    if (QApplication::activeModalWidget() != nullptr) {
        // A message about the last exchange is up: the position waits until it is answered.
        QTimer::singleShot(kModalRetryMs, this, &CPABiasDlg::RunQueuedScroll);
        return;
    }
    m_scrollQueued = false;
    OnHScroll();
}

void CPABiasDlg::OnHScroll() {
    const int pos = m_slider->sliderPosition();
    if (pos != m_nNewValue) {
        m_nNewValue = pos;
        m_spin->SetPos(pos);
        SetSoftpot(Doc(), m_nType, m_nNewValue);
        m_nLastSent = m_nNewValue;
    }
    ShowData();
}

void CPABiasDlg::OnVScroll() {
    const int pos = m_spin->Pos();
    if (pos == m_nNewValue)
        return;
    m_nNewValue = pos;
    m_slider->setValue(pos);
    SetSoftpot(Doc(), m_nType, m_nNewValue);
    m_nLastSent = m_nNewValue;
}

bool CPABiasDlg::OnNewValueKillFocus() {
    if (m_checking)
        return false;
    m_checking = true;
    int value = 0;
    const bool accepted = NumberField::ReadInt(ScreenHost().Host(), *m_newValue, value);
    if (accepted) {
        // Held within the radio's limits: a value below the minimum (or a negative one,
        // which the one-byte field would turn into a large bias) is never sent.
        if (value > m_nMax)
            value = m_nMax;
        if (value < m_nMin)
            value = m_nMin;
        m_nNewValue = value;
        if (value != m_nLastSent)
            SetSoftpot(Doc(), m_nType, value);
        m_slider->setValue(value);
        m_spin->SetPos(value);
        m_nLastSent = value;
    }
    ShowData();
    m_checking = false;
    return accepted;
}

void CPABiasDlg::OnBiasToggle() {
    if (!m_bBiasToggle) {
        PaBiasOn(Doc());
        m_bBiasToggle = true;
        m_slider->SetColour(SliderColours::kRed);
        m_strStatus = "PA Bias Toggle ON";
    } else {
        PaBiasOff(Doc());
        m_bBiasToggle = false;
        m_slider->SetColour(SliderColours::kGreen);
        m_strStatus = "PA Bias Toggle OFF";
    }
    ShowData();
}

void CPABiasDlg::OnProgramAll() {
    // A value still being typed counts as if its field had been left; one the field refuses
    // programs nothing.
    if (m_newValue->hasFocus() && !OnNewValueKillFocus())
        return;
    m_nValues[0] = m_nNewValue;
    if (FAILED(ProgramSoftpots(Doc(), m_nType, m_nValues, 1, ScreenHost().FeatureName()))) {
        // The radio keeps its value, and so do the screen and the data set: closing warns.
        m_nValues[0] = m_nRadioValue;
        ShowData();
        return;
    }
    m_nRadioValue = m_nNewValue;
    ZeroPaBiasSoftpots(Doc(), m_nType);
    Doc().UpdateSavedValues(m_nType, 0, m_nValues);
    ShowData();
}

bool CPABiasDlg::TypedValue(int& value) const {
    return NumberText::ParseInt(m_newValue->text().toStdString(), value);
}

void CPABiasDlg::OnClose() {
    // A value typed but not yet applied counts as a change too.
    int typed = m_nNewValue;
    const bool changed =
        m_nNewValue != m_nRadioValue || (TypedValue(typed) && typed != m_nRadioValue);
    if (!ConfirmCloseScreen(ScreenHost(), this, changed))
        return;
    CloseScreen();  // the bias test mode stays as it is
}
