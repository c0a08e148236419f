#include "performance/BitErrorRateDlg.h"

#include <QtCore/QTimer>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "performance/core/IntegrationTime.h"
#include "radio/NumberText.h"
#include "resources/CommandIds.h"
#include "screens/NumberField.h"
#include "screens/SpinButton.h"

namespace {

template <std::size_t N>
QComboBox* MakeList(QWidget* parent, const char* name, const std::array<BerChoice, N>& entries) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    for (const BerChoice& e : entries) list->addItem(e.text);
    return list;
}

QLineEdit* MakeField(QWidget* parent, const char* name, bool readOnly = false) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(readOnly);
    return field;
}

QPushButton* MakeButton(QWidget* parent, const char* text) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

CBitErrorRateDlg::CBitErrorRateDlg(IScreenHost& host, CTunerDoc& doc)
    : CFeatureScreen(host, doc),
      m_test(doc, [&host] { return host.OpenScreenTitle(); }),
      m_timer(new QTimer(this)),
      m_frequency(MakeField(this, "rxFrequency")),
      m_pattern(MakeList(this, "testPattern", BerChoices::kPatterns)),
      m_modulation(MakeList(this, "modulationType", BerChoices::kModulations)),
      m_continuous(MakeList(this, "continuousOperation", BerChoices::kContinuous)),
      m_audio(MakeList(this, "audio", BerChoices::kAudio)),
      m_time(MakeField(this, "integrationTime")),
      m_spin(new CSpinButton(this)),
      m_frames(MakeField(this, "numberOfFrames")),
      m_errors(MakeField(this, "bitErrors", true)),
      m_rate(MakeField(this, "berPercent", true)),
      m_status(MakeField(this, "status", true)),
      m_startStop(MakeButton(this, "START/STOP")) {
    setWindowTitle(CBerTest::kTitle);
    m_frequency->setMaxLength(10);
    m_spin->setObjectName("integrationTimeSpin");
    m_spin->SetRange(0, 91);
    m_spin->SetWrap(true);
    m_spin->SetBuddyInt(false);  // the field holds seconds with decimals
    m_spin->SetBuddy(m_time);
    m_startStop->setObjectName("startStop");
    m_status->setMinimumWidth(320);
    auto* close = MakeButton(this, "Close");
    auto* help = MakeButton(this, "Help");
    close->setObjectName("close");
    help->setObjectName("help");

    auto* settings = new QGridLayout;
    settings->addWidget(new QLabel("Rx Frequency \n(MHz):", this), 0, 0);
    settings->addWidget(m_frequency, 0, 1);
    settings->addWidget(new QLabel("Test Pattern:", this), 0, 2);
    settings->addWidget(m_pattern, 0, 3);
    settings->addWidget(new QLabel("Modulation Type:", this), 1, 0);
    settings->addWidget(m_modulation, 1, 1);
    settings->addWidget(new QLabel("Continuous Operation:", this), 1, 2);
    settings->addWidget(m_continuous, 1, 3);
    settings->addWidget(new QLabel("Audio:", this), 2, 0);
    settings->addWidget(m_audio, 2, 1);
    auto* timeRow = new QHBoxLayout;
    timeRow->setSpacing(0);
    timeRow->addWidget(m_time);
    timeRow->addWidget(m_spin);
    settings->addWidget(new QLabel("BER Integration Time \n(sec):", this), 3, 0);
    settings->addLayout(timeRow, 3, 1);
    settings->addWidget(new QLabel("Number Of Frames:", this), 3, 2);
    settings->addWidget(m_frames, 3, 3);

    auto* results = new QGroupBox("Results", this);
    auto* resultRows = new QGridLayout(results);
    resultRows->addWidget(new QLabel("Number Of Bit Errors:", results), 0, 0);
    resultRows->addWidget(m_errors, 0, 1);
    resultRows->addWidget(new QLabel("BER (%):", results), 0, 2);
    resultRows->addWidget(m_rate, 0, 3);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(close);
    buttons->addStretch();
    buttons->addWidget(m_startStop);
    buttons->addStretch();
    buttons->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(settings);
    layout->addWidget(results);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    connect(m_frequency, &QLineEdit::editingFinished, this,
            &CBitErrorRateDlg::OnFrequencyKillFocus);
    connect(m_time, &QLineEdit::editingFinished, this, &CBitErrorRateDlg::OnTimeKillFocus);
    connect(m_frames, &QLineEdit::editingFinished, this, &CBitErrorRateDlg::OnFramesKillFocus);
    connect(m_spin, &CSpinButton::DeltaPos, this, &CBitErrorRateDlg::OnSpinDelta);
    const std::pair<QComboBox*, int CBerTest::*> lists[] = {{m_pattern, &CBerTest::m_pattern},
                                                            {m_modulation, &CBerTest::m_modulation},
                                                            {m_continuous, &CBerTest::m_continuous},
                                                            {m_audio, &CBerTest::m_audio}};
    for (const auto& [list, member] : lists) {
        connect(list, &QComboBox::activated, this,
                [this, member = member](int index) { m_test.*member = index; });
    }
    connect(m_startStop, &QPushButton::clicked, this, &CBitErrorRateDlg::OnStartStop);
    connect(close, &QPushButton::clicked, this, [this] { OnCommand(Cmd::kScreenClose); });
    connect(help, &QPushButton::clicked, this,
            [this] { ScreenHost().ShowHelp(HelpId::kBitErrorRate); });
    m_timer->setObjectName("pollTimer");
    m_timer->setInterval(CBerTest::kPollMs);
    connect(m_timer, &QTimer::timeout, this, &CBitErrorRateDlg::OnTimer);

    // The status line is painted before a single test's wait.
    m_test.onShow = [this] { ShowValues(); };
    m_test.Open();
    ShowValues();
}

void CBitErrorRateDlg::ShowValues() {
    m_frequency->setText(QString::fromStdString(NumberText::General(m_test.m_frequency, 15)));
    m_time->setText(QString::fromStdString(NumberText::General(m_test.m_time, 6)));
    m_frames->setText(QString::number(m_test.m_frames));
    m_pattern->setCurrentIndex(m_test.m_pattern);
    m_modulation->setCurrentIndex(m_test.m_modulation);
    m_continuous->setCurrentIndex(m_test.m_continuous);
    m_audio->setCurrentIndex(m_test.m_audio);
    m_errors->setText(QString::fromStdString(m_test.m_errorText));
    m_rate->setText(QString::fromStdString(m_test.m_rateText));
    m_status->setText(QString::fromStdString(m_test.m_status));
    const bool enabled = m_test.SettingsEnabled();
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_frequency, m_pattern, m_modulation, m_continuous, m_audio, m_time, m_spin, m_frames})
        control->setEnabled(enabled);
}

template <typename Check>
void CBitErrorRateDlg::CheckField(QLineEdit* field, Check check) {
    if (m_checking || !field->isEnabled())
        return;
    m_checking = true;
    check();
    ShowValues();
    m_checking = false;
}

void CBitErrorRateDlg::OnFrequencyKillFocus() {
    CheckField(m_frequency, [this] {
        double mhz = 0;
        if (!NumberField::ReadDouble(ScreenHost().Host(), *m_frequency, mhz))
            return;
        m_test.m_frequency = mhz;
        m_test.CheckFrequency();
    });
}

void CBitErrorRateDlg::OnTimeKillFocus() {
    CheckField(m_time, [this] {
        double time = 0;
        if (!NumberField::ReadDouble(ScreenHost().Host(), *m_time, time))
            return;
        m_test.m_time = static_cast<float>(time);
        m_test.CheckTime();
    });
}

void CBitErrorRateDlg::OnFramesKillFocus() {
    CheckField(m_frames, [this] {
        int frames = 0;
        if (!NumberField::ReadInt(ScreenHost().Host(), *m_frames, frames))
            return;
        // The field holds 1 to 255 frames: its message first, then the longest test.
        if (frames < IntegrationTime::kMinFrames || frames > IntegrationTime::kMaxFrames)
            NumberField::RefuseRange(ScreenHost().Host(), *m_frames, IntegrationTime::kMinFrames,
                                     IntegrationTime::kMaxFrames);
        m_test.m_frames = frames;
        m_test.CheckFrames();
    });
}

void CBitErrorRateDlg::OnSpinDelta(int delta) {
    // The time as typed counts, as when the field's value is read before the step; the
    // field's own check does not ask again while its refusal takes the focus.
    CheckField(m_time, [this, delta] {
        double time = 0;
        if (!NumberField::ReadDouble(ScreenHost().Host(), *m_time, time))
            return;
        m_test.m_time = static_cast<float>(time);
        m_test.Spin(delta);
    });
}

void CBitErrorRateDlg::OnStartStop() {
    m_test.StartStop();
    if (m_test.Polling())
        m_timer->start();
    else
        m_timer->stop();
    ShowValues();
}

void CBitErrorRateDlg::OnTimer() {
    m_test.Tick();
}

void CBitErrorRateDlg::OnCommand(int id) {
    // F1 and the screen's other keys do nothing here; Help is its button.
    if (id == Cmd::kScreenClose)
        Close();
}

void CBitErrorRateDlg::Close() {
    m_timer->stop();
    m_test.Close();
    CloseScreen();
}

void CBitErrorRateDlg::CloseForDataSet() {
    m_timer->stop();
    m_test.Close();
}
