#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <string>

#include "autotune/AutoTuneView.h"

class CTunerDoc;
class IHost;
struct AutoTuneFeature;

/// The tuning screen without a window, for headless runs of automatic tuning: one feature's
/// rows on a connected radio, moved through the same alignment commands the screen sends
/// (row selection retunes the radio, a moved slider sends its value live, PTT Toggle keys and
/// dekeys, the deviation-balance tones switch as on their bar). Program All stores the new
/// values in the radio and the document. The dialog's side (targets, states, status lines)
/// is kept here and handed to an optional listener.
class CRadioTuningView : public IAutoTuneView {
public:
    static constexpr int kRows = 10;

    /// doc must be connected; featureTitle is one of the automatic tuning features
    /// ("Tx Power High").
    CRadioTuningView(CTunerDoc& doc, IHost& host, const std::string& featureTitle);

    /// Enters test mode and starts the feature at the first row (as the screen opens). False
    /// when the title is not a feature automatic tuning knows or the feature has no rows.
    bool Open();
    /// Dekeys if keyed (as the screen closes).
    void Close();
    /// Programs every row's new value into the radio and the document (Program All).
    bool ProgramAll();

    /// Sets the rows' starting values (only in this view: sent as each row is selected).
    void SetPositions(const std::array<int, kRows>& values);
    std::array<int, kRows> Positions() const;
    int MaxValue() const { return m_max; }
    int Rows() const { return m_rows; }
    /// The target fields of the dialog (3 High, 2 Mid, 1 Low).
    void SetTargetPower(int level, const std::string& text);
    /// Receives every status line and state change (tests, the command line).
    void SetListener(std::function<void(const std::string&)> listener);

    // IAutoTuneView
    std::string ScreenTitle() override;
    bool SelectRow(int row) override;
    int VisibleRowCount() override;
    bool RowEnabled(int row) override;
    bool IsTransmitting() override;
    bool PttToggle(int featureIndex) override;
    bool ChooseTone(bool high) override;
    bool RangeLabels(int& lower, int& upper) override;
    bool SliderPosition(int row, int& position) override;
    bool MoveSlider(int row, int position) override;
    double ReferenceFrequencyMHz(int row) override;
    RadioRequests RadioState() override;
    /// The state of a document's radio requests, as RadioState reports it.
    static RadioRequests StateOf(const CTunerDoc& doc);
    std::string TargetPowerText(int powerLevel) override;
    void ShowSliderState(bool inProgress) override;
    void ShowWindowState(bool windowRun) override;
    void ShowStatus(const std::string& text) override;
    void ShowProgress(const std::string& status, int done, int total) override;

private:
    void Tell(const std::string& text);
    bool Valid(int row) const { return row >= 0 && row < m_rows; }
    void Key();
    void Dekey();

    CTunerDoc& m_doc;
    IHost& m_host;
    std::string m_title;
    const AutoTuneFeature* m_feature;
    std::array<int, kRows> m_freq{};
    std::array<int, kRows> m_value{};
    int m_rows = 0;
    int m_max = 127;
    int m_selected = 0;
    int m_lastSent = 0;
    bool m_transmitting = false;
    std::array<std::string, 4> m_targets{"", ".5", "1.5", "2.5"};
    std::function<void(const std::string&)> m_listener;
    mutable std::recursive_mutex m_mutex;  // the tasks call from their threads, one at a time
};
