#pragma once

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "autotune/AlignmentLimits.h"
#include "autotune/AlignmentReport.h"
#include "autotune/AutoTuneTasks.h"

class CAutoTuneTasks;
class CTestSetLink;
class IAlignmentFace;

/// What a whole-radio alignment does.
struct AlignmentOptions {
    CAlignmentLimits limits;
    /// Features to tune, by automatic tuning index (0 Reference Oscillator, 1 to 3 Tx Power
    /// High, Mid, Low, 4 Tx Deviation Balance, 5 Tx Deviation Limit).
    std::array<bool, CAlignmentLimits::kFeatures> features{true, true, true, true, true, true};
    /// Program All each feature when its rows are done.
    bool program = true;
    /// Program a feature also when one of its rows failed.
    bool programFailed = false;
    /// The search the rows run: the fitting search unless the secant one is asked for.
    SearchKind search = SearchKind::Fit;
    /// Only test: every row measured at the value in the radio and judged, nothing changed
    /// (the Test button, vegal-cli test).
    bool testOnly = false;
    /// Align without the as-found and as-left tests: every row aligned and judged on the
    /// alignment's own final reading (the search alone, as the benchmarks time it).
    bool alignOnly = false;
    /// Align every row, not only the rows the as-found test found out of tolerance.
    bool allRows = false;
    /// Who ran it where; the report's header.
    CAlignmentReport::Station station;
};

/// Aligns every feature the test set can measure, one after the other, and makes the report.
///
/// Unless alignOnly is set, the run tests the radio first (as found, CRadioVerification),
/// aligns only the rows that were out of tolerance (every row with allRows) and tests it
/// again when anything was aligned (as left); a row's result is then its as-left verdict. A
/// radio found within its limits everywhere is left untouched: no screen opened, no value
/// sent, nothing programmed. With testOnly the run is the as-found test alone.
///
/// Order: Reference Oscillator first (every other reading depends on the carrier
/// frequency), then Tx Power High, Mid and Low, then Tx Deviation Balance and Tx Deviation
/// Limit; features the radio does not have are left out. Each feature is opened on its tuning
/// screen, each of its rows in use is tuned with the same row task and search as the
/// Automatic Tuning dialog's Slider and Window buttons, and the transmitter is off between
/// rows and between features. A feature whose rows all passed is then programmed (Program
/// All); one with a failed row only when programFailed is set; a stopped one never.
///
/// A row passes when a validated reading taken with its final value in the radio lies within
/// its tolerance of the target; that reading is the report's. A row that ended without such a
/// reading (an incorrect reply, no "CTS", a transmitter that did not key, a refused value)
/// fails with its reason, its value back where it was, and the run goes on. Stop ends the run
/// at the next pass of the search; so do a test set that stops answering, a radio link that
/// fails and a tuning screen that was closed, each with its reason in the report. A feature
/// whose programming the radio refused is not programmed, with the radio's reason; the link
/// stays and the run goes on with the next feature.
class CRadioAlignment {
public:
    static constexpr const char* kStopped = "the run was stopped";
    static constexpr const char* kNoAnswer = "the HP8920B did not answer";
    static constexpr const char* kNoProgram = "the HP8920B resident program is not running";
    static constexpr const char* kRadioLost = "the radio link failed";
    static constexpr const char* kScreenClosed = "the tuning screen was closed";
    static constexpr const char* kNotOpened = "its tuning screen could not be opened";

    CRadioAlignment(CTestSetLink& link, IAlignmentFace& face, AlignmentOptions options);
    ~CRadioAlignment();
    CRadioAlignment(const CRadioAlignment&) = delete;
    CRadioAlignment& operator=(const CRadioAlignment&) = delete;

    /// Runs the whole alignment on the calling thread and returns its report (also written to
    /// the tuning log).
    CAlignmentReport Run();
    /// Ends the run at its next step (any thread).
    void Stop();

    /// Parses a feature list ("refOsc,power,devBalance"; keys as in the limits file without
    /// Target, "power" for all three levels, letter case ignored). False with a message.
    static bool ParseFeatureList(const std::string& text,
                                 std::array<bool, CAlignmentLimits::kFeatures>& features,
                                 std::string& error);

private:
    class RowView;
    CTestSetLink& m_link;
    IAlignmentFace& m_face;
    AlignmentOptions m_options;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    CAutoTuneTasks* m_tasks = nullptr;  ///< the tasks of the run under way
};
