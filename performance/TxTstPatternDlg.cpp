#include "performance/TxTstPatternDlg.h"

#include <QtWidgets/QComboBox>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "radio/NumberText.h"
#include "resources/CommandIds.h"
#include "screens/NumberField.h"

namespace {

QPushButton* MakeButton(QWidget* parent, const char* text) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

CTxTstPatternDlg::CTxTstPatternDlg(IScreenHost& host, CTunerDoc& doc)
    : CFeatureScreen(host, doc),
      m_pattern(doc),
      m_frequency(new QLineEdit(this)),
      m_spacing(new QComboBox(this)),
      m_patterns(new QComboBox(this)),
      m_ptt(MakeButton(this, "PTT Toggle")),
      m_status(new QLineEdit(this)) {
    setWindowTitle(CTxTestPattern::kTitle);
    m_frequency->setObjectName("txFrequency");
    m_frequency->setMaxLength(10);
    m_spacing->setObjectName("channelSpacing");
    m_patterns->setObjectName("patternType");
    m_ptt->setObjectName("pttToggle");
    m_status->setObjectName("status");
    m_status->setReadOnly(true);
    m_status->setMinimumWidth(300);
    for (const TxPatternChoice& p : CTxTestPattern::kPatterns) m_patterns->addItem(p.text);
    for (const TxSpacingChoice& s : CTxTestPattern::kSpacings) m_spacing->addItem(s.text);
    auto* close = MakeButton(this, "Close");
    auto* help = MakeButton(this, "Help");
    close->setObjectName("close");
    help->setObjectName("help");

    auto* form = new QFormLayout;
    form->addRow("Tx Frequency (MHz):", m_frequency);
    form->addRow("Channel Spacing \n(KHz):", m_spacing);
    form->addRow("Test  Pattern Type:", m_patterns);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(close);
    buttons->addStretch();
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_ptt, 0, Qt::AlignHCenter);
    layout->addWidget(m_status);
    layout->addLayout(buttons);

    connect(m_frequency, &QLineEdit::editingFinished, this,
            &CTxTstPatternDlg::OnFrequencyKillFocus);
    connect(m_spacing, &QComboBox::activated, this, [this](int index) {
        m_pattern.SpacingChanged(index);
        ShowValues();
    });
    connect(m_patterns, &QComboBox::activated, this, [this](int index) {
        m_pattern.PatternChanged(index);
        ShowValues();
    });
    connect(m_ptt, &QPushButton::clicked, this, &CTxTstPatternDlg::OnPttToggle);
    connect(close, &QPushButton::clicked, this, [this] { OnCommand(Cmd::kScreenClose); });
    connect(help, &QPushButton::clicked, this,
            [this] { ScreenHost().ShowHelp(HelpId::kTestPattern); });

    m_pattern.Open();
    ShowValues();
}

void CTxTstPatternDlg::ShowValues() {
    m_frequency->setText(QString::fromStdString(NumberText::General(m_pattern.m_frequency, 15)));
    m_spacing->setCurrentIndex(m_pattern.m_spacing);
    m_patterns->setCurrentIndex(m_pattern.m_pattern);
    m_status->setText(QString::fromStdString(m_pattern.m_status));
    const bool lists = !m_pattern.Transmitting();
    m_spacing->setEnabled(lists);
    m_patterns->setEnabled(lists);
}

void CTxTstPatternDlg::OnFrequencyKillFocus() {
    if (m_checking)
        return;
    m_checking = true;
    double mhz = 0;
    if (NumberField::ReadDouble(ScreenHost().Host(), *m_frequency, mhz)) {
        m_pattern.m_frequency = mhz;
        m_pattern.CheckFrequency();
    }
    ShowValues();
    m_checking = false;
}

void CTxTstPatternDlg::OnPttToggle() {
    m_pattern.PttToggle();
    ShowValues();
}

void CTxTstPatternDlg::OnCommand(int id) {
    if (id == Cmd::kPttToggle) {
        OnPttToggle();
    } else if (id == Cmd::kScreenClose) {
        m_pattern.Close();
        CloseScreen();
    }
}

void CTxTstPatternDlg::CloseForDataSet() {
    m_pattern.Close();
}
