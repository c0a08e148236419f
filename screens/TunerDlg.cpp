#include "screens/TunerDlg.h"

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QFocusEvent>
#include <QtGui/QRegularExpressionValidator>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>
#include <climits>

#include "document/Logs.h"
#include "radio/RadioCommands.h"
#include "radio/SoftpotField.h"
#include "resources/CommandIds.h"
#include "resources/StringTable.h"
#include "screens/ColourSlider.h"
#include "screens/SliderColours.h"
#include "screens/SpinButton.h"
#include "screens/TunerDlgBarDlg.h"
#include "screens/TunerRxDlgBarDlg.h"
#include "screens/TunerTxDevBalDlgBarDlg.h"

namespace {

QPointer<CTunerDlg> g_current;
bool g_automaticDrive = false;

// Column widths of a row.
constexpr int kFreqWidth = 84;
constexpr int kRadioWidth = 84;
constexpr int kSliderWidth = 280;
constexpr int kNewWidth = 72;
constexpr int kSpinWidth = 16;
// The range labels sit this far inside the ends of the last slider and below it.
constexpr int kLowLabelInset = 10;
constexpr int kHighLabelInset = 20;
constexpr int kLabelGap = 5;
// A slider position waiting while a modal window is up is tried again this often.
constexpr int kModalRetryMs = 50;
// Tx Deviation Limit spans 0 to 32767: its spins step by 64.
constexpr int kDevLimitSpinStep = 64;
constexpr int kDevLimitSpinSeconds = 50;

QLabel* Header(const QString& text, int width, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    label->setFixedWidth(width);
    return label;
}

/// Input the technician gives a widget directly (not focus changes, paints or shortcuts).
bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        default:
            return false;
    }
}

QLineEdit* NumberEdit(int width, bool readOnly, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setFixedWidth(width);
    edit->setAlignment(Qt::AlignRight);
    edit->setReadOnly(readOnly);
    if (readOnly) {
        edit->setFocusPolicy(Qt::NoFocus);
    } else {
        // Digits only: no sign, so no negative value can be typed.
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    }
    return edit;
}

}  // namespace

CTunerDlg::CTunerDlg(IScreenHost& host, CTunerDoc& doc) : CFeatureScreen(host, doc), m_pDoc(&doc) {
    m_strFeatureName = host.FeatureName();
    // The frame opens this screen only for the eight tuning features.
    const TuningFeature* feature = FindTuningFeature(m_strFeatureName);
    if (feature == nullptr)
        feature = FindTuningFeature("Reference Oscillator");
    m_nFeature = feature->feature;
    m_nLevel = feature->level;
    m_nMaxValue = SoftpotField::TuningMax(m_nFeature, doc.GetModelFamily());

    BuildRows();
    m_highLabel->setText(QString::number(m_nMaxValue));
    LoadRows();

    {
        CWaitCursor wait(host.Host());
        LogFeatureTitle(doc, m_nFeature, m_nLevel);
        if (m_nFeature == kDevLimit)
            for (Row& row : m_rows) row.spin->SetAccel({{kDevLimitSpinSeconds, kDevLimitSpinStep}});
        StartFeature(doc, m_nFeature, m_nLevel, m_nFreq[0], m_nValue[0]);
        m_nLastSent = m_nValue[0];

        m_strFreqText = m_nRowCount > 0 ? m_rows[0].freq->text().toStdString() : std::string();
        g_current = this;
        m_pBar = MakeBar(feature->bar);
        layout()->addWidget(m_pBar);
        ShowDriven(g_automaticDrive);  // a screen automatic tuning opens is driven at once
        layout()->activate();
        m_nDialogHeight = sizeHint().height();
        PlaceRangeLabels();
    }
    if (m_nRowCount > 0 && m_rows[0].slider->isEnabled())
        m_rows[0].slider->setFocus();
}

CTunerDlg::~CTunerDlg() {
    for (Row& row : m_rows) row.newValue->removeEventFilter(this);
    if (g_current == this)
        g_current = nullptr;
}

CTunerDlg* CTunerDlg::Current() {
    return g_current.data();
}

void CTunerDlg::BuildRows() {
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(0, 10, 0, 0);
    layout->setSpacing(4);

    m_driveNotice = new QLabel(kDrivenNotice, this);
    m_driveNotice->setObjectName("driveNotice");
    m_driveNotice->setAlignment(Qt::AlignCenter);
    m_driveNotice->setStyleSheet("QLabel { background: #fff3c4; color: #000; padding: 4px; }");
    m_driveNotice->hide();
    layout->addWidget(m_driveNotice);

    auto* header = new QWidget(this);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(10, 0, 10, 0);
    headerLayout->addWidget(Header("Frequency", kFreqWidth, header));
    headerLayout->addWidget(Header("Radio Softpot Value", kRadioWidth, header));
    headerLayout->addSpacing(kSliderWidth + headerLayout->spacing());
    headerLayout->addWidget(Header("New Softpot Value", kNewWidth + kSpinWidth, header));
    layout->addWidget(header);

    for (int i = 0; i < kTunerRows; ++i) {
        Row& row = m_rows[i];
        row.box = new QWidget(this);
        auto* h = new QHBoxLayout(row.box);
        h->setContentsMargins(10, 0, 10, 0);
        row.freq = NumberEdit(kFreqWidth, true, row.box);
        row.radio = NumberEdit(kRadioWidth, true, row.box);
        row.slider = new CColourSlider(Qt::Horizontal, row.box);
        row.slider->setFixedWidth(kSliderWidth);
        row.slider->setTickPosition(QSlider::NoTicks);
        row.newValue = NumberEdit(kNewWidth, false, row.box);
        row.spin = new CSpinButton(row.box);
        row.spin->SetBuddy(row.newValue);
        h->addWidget(row.freq);
        h->addWidget(row.radio);
        h->addWidget(row.slider);
        h->addWidget(row.newValue);
        h->addSpacing(-h->spacing());
        h->addWidget(row.spin);
        layout->addWidget(row.box);

        const int r = i + 1;
        // The screen sees the row's input first: a driven screen keeps it from the row.
        for (QWidget* w : row.box->findChildren<QWidget*>()) w->installEventFilter(this);
        connect(row.slider, &QAbstractSlider::actionTriggered, this, [this, r] { QueueScroll(r); });
        connect(row.slider, &QAbstractSlider::sliderReleased, this, [this, r] { QueueScroll(r); });
        connect(row.spin, &CSpinButton::Scrolled, this, [this, r] { OnVScroll(r); });
    }

    // Room for the range labels, which sit under the last shown slider.
    m_rangeArea = new QWidget(this);
    m_lowLabel = new QLabel("0", this);
    m_lowLabel->setObjectName("rangeLow");
    m_highLabel = new QLabel("127", this);
    m_highLabel->setObjectName("rangeHigh");
    m_rangeArea->setFixedHeight(m_lowLabel->sizeHint().height() + kLabelGap);
    layout->addWidget(m_rangeArea);
}

void CTunerDlg::LoadRows() {
    m_pDoc->GetSavedValues(m_nFeature, m_nLevel, m_nFreq.data(), m_nValue.data());
    m_nRowCount = 0;
    while (m_nRowCount < kTunerRows && m_nFreq[m_nRowCount] > 0) ++m_nRowCount;

    for (int i = 0; i < kTunerRows; ++i) {
        Row& row = m_rows[i];
        if (i >= m_nRowCount) {
            row.box->hide();
            continue;
        }
        const bool used = m_nFreq[i] != kNotUsedFreq;
        row.freq->setText(used ? QString::fromStdString(FormatRowFrequency(m_nFreq[i]))
                               : QString("Not Used"));
        for (QWidget* w : std::initializer_list<QWidget*>{row.freq, row.radio, row.slider,
                                                          row.newValue, row.spin})
            w->setEnabled(used);
        m_nRadioValue[i] = m_nValue[i];
        m_nNewValue[i] = m_nValue[i];
        row.slider->setRange(0, m_nMaxValue);
        row.slider->setValue(m_nValue[i]);
        row.spin->SetRange(0, m_nMaxValue);
        row.spin->SetPos(m_nValue[i]);
        row.slider->SetColour(i == 0 ? SliderColours::kGreen : SliderColours::kGrey);
    }
    UpdateData(false);
}

CTunerBar* CTunerDlg::MakeBar(TunerBarKind kind) {
    switch (kind) {
        case TunerBarKind::Receiver:
            return new CTunerRxDlgBarDlg(*this, ScreenHost(), *m_pDoc);
        case TunerBarKind::DeviationBalance:
            return new CTunerTxDevBalDlgBarDlg(*this, ScreenHost(), *m_pDoc);
        default:
            return new CTunerDlgBarDlg(*this, ScreenHost(), *m_pDoc);
    }
}

void CTunerDlg::PlaceRangeLabels() {
    if (m_nRowCount <= 0) {
        m_lowLabel->hide();
        m_highLabel->hide();
        return;
    }
    m_lowLabel->show();
    m_highLabel->show();
    const CColourSlider* last = m_rows[m_nRowCount - 1].slider;
    const QRect r(last->mapTo(this, QPoint(0, 0)), last->size());
    m_lowLabel->adjustSize();
    m_highLabel->adjustSize();
    m_lowLabel->move(r.left() + kLowLabelInset, r.bottom() + kLabelGap);
    m_highLabel->move(r.right() - kHighLabelInset, r.bottom() + kLabelGap);
}

void CTunerDlg::showEvent(QShowEvent* event) {
    CFeatureScreen::showEvent(event);
    PlaceRangeLabels();
}

void CTunerDlg::resizeEvent(QResizeEvent* event) {
    CFeatureScreen::resizeEvent(event);
    PlaceRangeLabels();
}

// ---------------------------------------------------------------------------------------------
// Automatic tuning

bool CTunerDlg::IsRowVisible(int index) const {
    return ValidIndex(index) && m_rows[index].slider->isVisibleTo(this);
}

CColourSlider* CTunerDlg::RowSlider(int index) const {
    return ValidIndex(index) ? m_rows[index].slider : nullptr;
}

int CTunerDlg::SliderPosition(int index) const {
    return ValidIndex(index) ? m_rows[index].slider->sliderPosition() : -1;
}

void CTunerDlg::SetSliderPosition(int index, int position) {
    if (ValidIndex(index))
        m_rows[index].slider->setValue(position);
}

void CTunerDlg::ApplySliderPosition(int index, int position) {
    if (!ValidIndex(index) || m_bClosing)
        return;
    SetSliderPosition(index, position);
    OnHScroll(index + 1);
}

void CTunerDlg::SelectRowBySlider(int index) {
    if (ValidIndex(index) && !m_bClosing)
        OnHScroll(index + 1);
}

QString CTunerDlg::LowerRangeText() const {
    return m_lowLabel->text();
}

QString CTunerDlg::UpperRangeText() const {
    return m_highLabel->text();
}

uint CTunerDlg::RowColour(int index) const {
    return ValidIndex(index) ? m_rows[index].slider->GetColour() : 0;
}

// ---------------------------------------------------------------------------------------------
// Operations

void CTunerDlg::SelectRow(int row, int value) {
    if (row < 1 || row > kTunerRows)
        return;
    const std::int32_t freq = m_nFreq[row - 1];
    auto tune = [&] {
        if (m_nFeature == kFrontEndFilter)
            ReceiveAtFrequency(*m_pDoc, freq, ScreenHost().OpenScreenTitle());
        else
            TransmitAtFrequency(*m_pDoc, freq, m_nFeature);
    };
    if (m_bTransmitting) {
        SetPtt(*m_pDoc, false, m_nFeature);
        m_pBar->SetTransmittingFlag(false);
        m_bTransmitting = false;
        tune();
        // Keyed again only when the radio confirms it (a failed key leaves the flags clear).
        const bool keyed = SUCCEEDED(SetPtt(*m_pDoc, true, m_nFeature));
        m_pBar->SetTransmittingFlag(keyed);
        m_bTransmitting = keyed;
    } else {
        tune();
    }
    SetSoftpot(*m_pDoc, m_nFeature, value);
    m_nLastSent = value;
    m_nSelectedRow = row;
    ColourRows();
    m_strFreqText = FormatRowFrequency(freq);
    WriteStatus();
    UpdateData(false);
}

void CTunerDlg::ColourRows() {
    for (int i = 0; i < m_nRowCount; ++i) {
        CColourSlider* slider = m_rows[i].slider;
        if (!slider->isEnabled())
            continue;
        if (i + 1 == m_nSelectedRow)
            slider->SetColour(m_bTransmitting ? SliderColours::kRed : SliderColours::kGreen);
        else
            slider->SetColour(SliderColours::kGrey);
    }
}

void CTunerDlg::WriteStatus() {
    const char* prefix = m_nFeature == kFrontEndFilter ? Str::kReceivingAt
                         : m_bTransmitting             ? Str::kTransmittingAt
                                                       : Str::kTransmitterOff;
    if (m_pBar)
        m_pBar->SetStatus(prefix + m_strFreqText);
}

void CTunerDlg::MarkRowKeyed() {
    for (int i = 0; i < m_nRowCount; ++i) {
        CColourSlider* slider = m_rows[i].slider;
        if (slider->GetColour() == SliderColours::kGreen) {
            slider->SetColour(SliderColours::kRed);
            slider->setFocus();
        }
    }
}

void CTunerDlg::MarkRowIdle() {
    for (int i = 0; i < m_nRowCount; ++i) {
        CColourSlider* slider = m_rows[i].slider;
        if (slider->GetColour() == SliderColours::kRed) {
            slider->SetColour(SliderColours::kGreen);
            slider->setFocus();
            m_nLastSent = m_nNewValue[i];
        }
    }
}

void CTunerDlg::ApplyNewValue(int row, int value) {
    if (row < 1 || row > kTunerRows)
        return;
    if (row != m_nSelectedRow) {
        const bool wasKeyed = m_bTransmitting;
        SetPtt(*m_pDoc, false, m_nFeature);
        m_bTransmitting = false;
        m_pBar->SetTransmittingFlag(false);
        if (wasKeyed) {
            // The screen no longer claims to transmit.
            ColourRows();
            WriteStatus();
        }
    }
    if (m_nFeature == kCurrentLimit) {
        for (int i = 0; i < m_nRowCount; ++i) {
            m_nNewValue[i] = value;
            m_rows[i].slider->setValue(value);
        }
    } else {
        m_rows[row - 1].slider->setValue(value);
    }
    if (value != m_nLastSent) {
        SetSoftpot(*m_pDoc, m_nFeature, value);
        m_nLastSent = value;
    }
}

void CTunerDlg::SetAllRows(int position) {
    for (int i = 0; i < m_nRowCount; ++i) {
        m_rows[i].slider->setValue(position);
        m_rows[i].spin->SetPos(position);
        m_nNewValue[i] = position;
    }
    SetSoftpot(*m_pDoc, m_nFeature, position);
    m_nLastSent = position;
}

void CTunerDlg::OnHScroll(int row) {
    if (row < 1 || row > kTunerRows || m_bClosing)
        return;
    m_pBar->ResetIdle();
    Row& r = m_rows[row - 1];
    if (!r.slider->isEnabled())
        return;
    const int p = r.slider->sliderPosition();
    if (row != m_nSelectedRow) {
        SelectRow(row, m_nNewValue[row - 1]);
        r.slider->setFocus();
    }
    if (m_nFeature == kCurrentLimit) {
        SetAllRows(p);
    } else if (p != m_nNewValue[row - 1]) {
        m_nNewValue[row - 1] = p;
        r.spin->SetPos(p);
        SetSoftpot(*m_pDoc, m_nFeature, p);
        m_nLastSent = p;
    }
}

void CTunerDlg::OnVScroll(int row) {
    if (row < 1 || row > kTunerRows || m_bClosing)
        return;
    m_pBar->ResetIdle();
    Row& r = m_rows[row - 1];
    const int p = r.spin->Pos();
    if (m_nFeature == kCurrentLimit) {
        SetAllRows(p);
    } else if (p != m_nNewValue[row - 1]) {
        m_nNewValue[row - 1] = p;
        r.slider->setValue(p);
        SetSoftpot(*m_pDoc, m_nFeature, p);
        m_nLastSent = p;
    }
}

void CTunerDlg::OnNewValueSetFocus(int row) {
    if (row != m_nSelectedRow)
        SelectRow(row, m_nNewValue[row - 1]);
    m_rows[row - 1].slider->SetColour(m_bTransmitting ? SliderColours::kRed
                                                      : SliderColours::kGreen);
}

void CTunerDlg::OnNewValueKillFocus(int row) {
    UpdateData(true);
    int& value = m_nNewValue[row - 1];
    if (value > m_nMaxValue)
        value = m_nMaxValue;
    ApplyNewValue(row, value);
    UpdateData(false);
}

void CTunerDlg::UpdateData(bool save) {
    for (int i = 0; i < kTunerRows; ++i) {
        Row& row = m_rows[i];
        if (save) {
            // An empty edit keeps the value it had; a huge number is held at the int range
            // (and then at the feature's maximum by the caller).
            bool ok = false;
            const qlonglong typed = row.newValue->text().toLongLong(&ok);
            if (ok)
                m_nNewValue[i] = int(std::min<qlonglong>(typed, INT_MAX));
        } else {
            row.radio->setText(QString::number(m_nRadioValue[i]));
            row.newValue->setText(QString::number(m_nNewValue[i]));
        }
    }
}

bool CTunerDlg::HasUncommittedChanges() const {
    for (int i = 0; i < kTunerRows; ++i)
        if (m_nNewValue[i] != m_nRadioValue[i])
            return true;
    return false;
}

QLineEdit* CTunerDlg::FrequencyEdit(int index) const {
    return ValidIndex(index) ? m_rows[index].freq : nullptr;
}

QLineEdit* CTunerDlg::RadioValueEdit(int index) const {
    return ValidIndex(index) ? m_rows[index].radio : nullptr;
}

QLineEdit* CTunerDlg::NewValueEdit(int index) const {
    return ValidIndex(index) ? m_rows[index].newValue : nullptr;
}

CSpinButton* CTunerDlg::Spin(int index) const {
    return ValidIndex(index) ? m_rows[index].spin : nullptr;
}

int CTunerDlg::RowOfEdit(const QObject* widget) const {
    for (int i = 0; i < kTunerRows; ++i)
        if (m_rows[i].newValue == widget)
            return i + 1;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Events and commands

void CTunerDlg::QueueScroll(int row) {
    if (m_bClosing)
        return;
    if (m_queuedScrollRow != 0 && m_queuedScrollRow != row) {
        // Another slider's last position first; the call already queued serves this one.
        const int previous = m_queuedScrollRow;
        m_queuedScrollRow = row;
        OnHScroll(previous);
        return;
    }
    if (m_queuedScrollRow == 0) {
        m_queuedScrollRow = row;
        QMetaObject::invokeMethod(this, &CTunerDlg::RunQueuedScroll, Qt::QueuedConnection);
    }
}

void CTunerDlg::RunQueuedScroll() {
    if (m_queuedScrollRow == 0 || m_bClosing)
        return;
    if (QApplication::activeModalWidget() != nullptr) {
        // A message box or question is up (perhaps about the last exchange): the position is
        // applied once it is answered, never from inside it.
        QTimer::singleShot(kModalRetryMs, this, &CTunerDlg::RunQueuedScroll);
        return;
    }
    const int row = m_queuedScrollRow;
    m_queuedScrollRow = 0;
    OnHScroll(row);
}

bool CTunerDlg::eventFilter(QObject* watched, QEvent* event) {
    if (m_bDriven && IsUserInput(event->type()))
        return true;  // automatic tuning has the rows; the notice says so
    const int row = RowOfEdit(watched);
    if (row != 0 && !m_bClosing && !m_bDriven) {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            // A context menu over the edit is not a change of field.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
                if (event->type() == QEvent::FocusIn)
                    OnNewValueSetFocus(row);
                else
                    OnNewValueKillFocus(row);
            }
        }
    }
    return CFeatureScreen::eventFilter(watched, event);
}

void CTunerDlg::CommitFocusedValue() {
    if (const int row = RowOfEdit(focusWidget()))
        OnNewValueKillFocus(row);
}

void CTunerDlg::OnEnter() {
    if (m_bClosing || m_bDriven)
        return;
    QWidget* focus = focusWidget();
    CommitFocusedValue();
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) {
        edit->setFocus();
        edit->selectAll();
    }
}

void CTunerDlg::OnCommand(int id) {
    if (m_bDriven && !m_bClosing) {
        QApplication::beep();  // the notice says why and how to get the command back
        return;
    }
    DriveCommand(id);
}

void CTunerDlg::DriveCommand(int id) {
    if (m_bClosing || m_pBar == nullptr)
        return;
    switch (id) {
        case Cmd::kProgramAll:
            CommitFocusedValue();
            m_pBar->ProgramAll();
            break;
        case Cmd::kPttToggle:
            if (m_nFeature != kFrontEndFilter)
                m_pBar->PttToggle();
            break;
        case Cmd::kScreenClose:
            m_pBar->OnCancel();
            break;
        default:  // F1: the platform's help request does nothing on this screen
            break;
    }
}

void CTunerDlg::SetAutomaticDrive(bool on) {
    g_automaticDrive = on;
    if (CTunerDlg* screen = g_current.data())
        screen->ShowDriven(on);
}

bool CTunerDlg::AutomaticDrive() {
    return g_automaticDrive;
}

void CTunerDlg::ShowDriven(bool driven) {
    if (m_bDriven == driven)
        return;
    m_bDriven = driven;
    m_queuedScrollRow = 0;  // a drag of the technician's is not applied under the drive
    m_driveNotice->setVisible(driven);
    m_pBar->ShowDriven(driven);
    // The value fields take no focus meanwhile: a click into one would later commit it as a
    // row's value while the radio is tuned to another row. A field that has the focus (its
    // value committed when the technician turned to the dialog) hands it to the selected row.
    const bool editFocused = RowOfEdit(focusWidget()) != 0;
    for (Row& row : m_rows) row.newValue->setFocusPolicy(driven ? Qt::NoFocus : Qt::StrongFocus);
    CColourSlider* selected = m_rows[m_nSelectedRow - 1].slider;
    if (driven && editFocused && selected->isEnabled())
        selected->setFocus();
}

void CTunerDlg::DestroyScreen() {
    if (m_bClosing)
        return;
    m_bClosing = true;
    m_queuedScrollRow = 0;
    m_pBar->Timer().stop();
    m_pBar->Retire();
    if (g_current == this)
        g_current = nullptr;
    CloseScreen();
}

void CTunerDlg::CloseForDataSet() {
    if (m_bClosing)
        return;
    m_bClosing = true;
    m_queuedScrollRow = 0;
    m_pBar->CloseForDataSet();
    m_pBar->Retire();
    if (g_current == this)
        g_current = nullptr;
}
