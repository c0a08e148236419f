#include "autotune/RadioTuningView.h"

#include <algorithm>

#include "autotune/AutoTuneFeatures.h"
#include "document/TunerDoc.h"
#include "radio/Host.h"
#include "radio/MessageFields.h"
#include "radio/RadioCommands.h"
#include "radio/SoftpotField.h"

namespace {

/// The pause between dekeying and changing the tone while keyed.
constexpr std::uint32_t kToneChangeMs = 500;

}  // namespace

CRadioTuningView::CRadioTuningView(CTunerDoc& doc, IHost& host, const std::string& featureTitle)
    : m_doc(doc),
      m_host(host),
      m_title(featureTitle),
      m_feature(AutoTuneFeatures::ByTitle(featureTitle)) {}

bool CRadioTuningView::Open() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_feature)
        return false;
    const int type = m_feature->softpotType;
    const int level = m_feature->powerLevel;  // 0 for every feature but Tx Power
    int freqs[10] = {}, values[10] = {};
    m_doc.GetSavedValues(type, level, freqs, values);
    // Every value of the record is kept, so that Program All stores back what lies beyond
    // the rows unchanged, as the screen does.
    for (int i = 0; i < kRows; ++i) m_value[i] = values[i];
    m_rows = 0;
    while (m_rows < kRows && freqs[m_rows] > 0) {
        m_freq[m_rows] = freqs[m_rows];
        ++m_rows;
    }
    if (m_rows == 0)
        return false;
    m_max = SoftpotField::TuningMax(type, m_doc.GetModelFamily());
    m_selected = 0;
    m_transmitting = false;
    StartFeature(m_doc, type, level, m_freq[0], m_value[0]);
    m_lastSent = m_value[0];
    return true;
}

void CRadioTuningView::Close() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_transmitting)
        Dekey();
}

bool CRadioTuningView::ProgramAll() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_feature)
        return false;
    if (m_transmitting)
        Dekey();
    const int type = m_feature->softpotType;
    const HRESULT hr = ProgramSoftpots(m_doc, type, m_value.data(), m_rows, m_title);
    if (FAILED(hr))
        return false;
    m_doc.UpdateSavedValues(type, m_feature->powerLevel, m_value.data());
    return true;
}

void CRadioTuningView::SetPositions(const std::array<int, kRows>& values) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    for (int i = 0; i < kRows; ++i) m_value[i] = std::clamp(values[i], 0, m_max);
}

std::array<int, CRadioTuningView::kRows> CRadioTuningView::Positions() const {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_value;
}

void CRadioTuningView::SetTargetPower(int level, const std::string& text) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (level >= 1 && level <= 3)
        m_targets[level] = text;
}

void CRadioTuningView::SetListener(std::function<void(const std::string&)> listener) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_listener = std::move(listener);
}

void CRadioTuningView::Tell(const std::string& text) {
    if (m_listener)
        m_listener(text);
}

std::string CRadioTuningView::ScreenTitle() {
    return m_title;
}

bool CRadioTuningView::SelectRow(int row) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_feature || !Valid(row))
        return false;
    if (row == m_selected) {
        // As on the screen: touching the selected row's slider retunes nothing; only a value
        // the radio does not have yet (SetPositions) is sent.
        if (m_value[row] != m_lastSent) {
            SetSoftpot(m_doc, m_feature->softpotType, m_value[row]);
            m_lastSent = m_value[row];
        }
        return true;
    }
    const int type = m_feature->softpotType;
    if (m_transmitting) {
        SetPtt(m_doc, false, type);
        TransmitAtFrequency(m_doc, m_freq[row], type);
        SetPtt(m_doc, true, type);
    } else {
        TransmitAtFrequency(m_doc, m_freq[row], type);
    }
    SetSoftpot(m_doc, type, m_value[row]);
    m_lastSent = m_value[row];
    m_selected = row;
    return true;
}

int CRadioTuningView::VisibleRowCount() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_rows;
}

bool CRadioTuningView::RowEnabled(int row) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return Valid(row) && m_freq[row] != kNotUsedFreq;
}

bool CRadioTuningView::IsTransmitting() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_transmitting;
}

void CRadioTuningView::Key() {
    const int type = m_feature->softpotType;
    m_transmitting = true;
    if (FAILED(SetPtt(m_doc, true, type))) {
        m_transmitting = false;
        return;
    }
    SetSoftpot(m_doc, type, m_lastSent);  // again, after any limit softpot keying set
}

void CRadioTuningView::Dekey() {
    m_transmitting = false;
    SetPtt(m_doc, false, m_feature->softpotType);
    m_lastSent = m_value[m_selected];
}

bool CRadioTuningView::PttToggle(int) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_feature)
        return false;
    if (m_transmitting)
        Dekey();
    else
        Key();
    return true;
}

bool CRadioTuningView::ChooseTone(bool high) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_feature)
        return false;
    if (m_transmitting) {
        Dekey();
        m_host.Sleep(kToneChangeMs);
        SelectTone(m_doc, high);
        Key();
    } else {
        SelectTone(m_doc, high);
    }
    return true;
}

bool CRadioTuningView::RangeLabels(int& lower, int& upper) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    lower = 0;
    upper = m_max;
    return m_feature != nullptr;
}

bool CRadioTuningView::SliderPosition(int row, int& position) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!Valid(row))
        return false;
    position = m_value[row];
    return true;
}

bool CRadioTuningView::MoveSlider(int row, int position) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_feature || !Valid(row))
        return false;
    if (row != m_selected)
        SelectRow(row);
    const int p = std::clamp(position, 0, m_max);
    if (p != m_value[row]) {
        m_value[row] = p;
        SetSoftpot(m_doc, m_feature->softpotType, p);
        m_lastSent = p;
    }
    return true;
}

double CRadioTuningView::ReferenceFrequencyMHz(int row) {
    return MessageFields::FreqToMHz(m_doc.RowTestFrequency(kRefOsc, row));
}

IAutoTuneView::RadioRequests CRadioTuningView::StateOf(const CTunerDoc& doc) {
    RadioRequests r;
    r.failures = doc.m_failureCount;
    r.lastRefused = doc.m_lastFailureRefused;
    r.lastRefusal = doc.m_lastFailureText;
    r.linkLost = doc.m_radio == nullptr;
    return r;
}

IAutoTuneView::RadioRequests CRadioTuningView::RadioState() {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return StateOf(m_doc);
}

std::string CRadioTuningView::TargetPowerText(int powerLevel) {
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return powerLevel >= 1 && powerLevel <= 3 ? m_targets[powerLevel] : std::string();
}

void CRadioTuningView::ShowSliderState(bool inProgress) {
    Tell(inProgress ? "Tuning Slider, Please Wait" : "");
}

void CRadioTuningView::ShowWindowState(bool windowRun) {
    Tell(windowRun ? "Tuning Screen, Please Wait" : "");
}

void CRadioTuningView::ShowStatus(const std::string& text) {
    Tell(text);
}

void CRadioTuningView::ShowProgress(const std::string& status, int done, int total) {
    Tell(status + " (" + std::to_string(done) + " of " + std::to_string(total) + ")");
}
