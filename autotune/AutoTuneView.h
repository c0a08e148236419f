#pragma once

#include <optional>
#include <string>

/// What the tuning tasks need of the open tuning screen, its bars and the automatic tuning
/// dialog. The tasks call it from their own threads: the GUI carries every call over to the
/// user-interface thread and waits for it there, so the screen sends its radio requests as
/// for a user; a headless run can implement it on the radio directly. Calls about a tuning
/// screen that has gone return false (an empty title, a count of 0).
class IAutoTuneView {
public:
    /// What became of the radio requests sent so far (through the screen or otherwise): how
    /// many failed, whether the last failure was a refusal (the radio answered that it did not
    /// act) and its message, and whether the link is gone.
    struct RadioRequests {
        int failures = 0;
        bool lastRefused = false;
        std::string lastRefusal;
        bool linkLost = false;
    };

    virtual ~IAutoTuneView() = default;

    // The tuning screen (rows 0 to 9).
    /// The screen's window title; empty when no tuning screen is open.
    virtual std::string ScreenTitle() = 0;
    /// Selects a row as when the user touches its slider (the radio retunes to its frequency).
    virtual bool SelectRow(int row) = 0;
    /// Rows whose slider is shown.
    virtual int VisibleRowCount() = 0;
    /// The row is in use (not a "Not Used" frequency).
    virtual bool RowEnabled(int row) = 0;
    /// The transmitter is keyed (the screen's m_bTransmitting).
    virtual bool IsTransmitting() = 0;
    /// PTT Toggle: on the deviation-balance bar for Tx Deviation Balance, else on the
    /// Program/PTT bar.
    virtual bool PttToggle(int featureIndex) = 0;
    /// Chooses the deviation-balance bar's Low or High tone, as its buttons do.
    virtual bool ChooseTone(bool high) = 0;
    /// The two range labels under the sliders, as whole numbers.
    virtual bool RangeLabels(int& lower, int& upper) = 0;
    /// The row's slider position.
    virtual bool SliderPosition(int row, int& position) = 0;
    /// Moves the row's slider (it keeps the position within its range) and applies it as a
    /// drag of its thumb would, so the screen sends the value to the radio.
    virtual bool MoveSlider(int row, int position) = 0;
    /// A row's Reference Oscillator test frequency in MHz, where the screen keys the radio
    /// for that row (the first one when the row has none).
    virtual double ReferenceFrequencyMHz(int row) = 0;
    /// The state of the radio requests (a screen that has gone reports the link lost).
    virtual RadioRequests RadioState() = 0;

    // The automatic tuning dialog.
    /// Text of the target power field of a Tx Power level (3 High, 2 Mid, 1 Low).
    virtual std::string TargetPowerText(int powerLevel) = 0;
    /// Slider state: "Stop Tuning" and "Tuning Slider, Please Wait" while a row is tuned.
    virtual void ShowSliderState(bool inProgress) = 0;
    /// Window state: "Stop Tuning" and "Tuning Screen, Please Wait" while a Window run is on.
    virtual void ShowWindowState(bool windowRun) = 0;
    /// A line for the status monitor.
    virtual void ShowStatus(const std::string& text) = 0;
    /// Progress of a download or start of the resident program.
    virtual void ShowProgress(const std::string& status, int done, int total) = 0;

    /// A target that replaces the feature's own (the dialog's field or the fixed target) for
    /// the row about to be tuned; a whole-radio alignment gives its limits here.
    virtual std::optional<double> TargetOverride(int /*featureIndex*/) { return std::nullopt; }
};
