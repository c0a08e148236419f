#pragma once

#include <cstdint>
#include <string>

/// Which command bar a tuning screen carries along its bottom edge.
enum class TunerBarKind {
    ProgramPtt,        ///< CTunerDlgBarDlg: Program All, Close, PTT Toggle, Help
    Receiver,          ///< CTunerRxDlgBarDlg: audio, signal strength, no PTT
    DeviationBalance,  ///< CTunerTxDevBalDlgBarDlg: the PTT bar plus the Low/High tone
};

/// One alignment that the softpot tuning screen serves.
struct TuningFeature {
    const char* name;  ///< the feature name, also the screen's title ("Tx Power High")
    int feature;       ///< softpot type 0 to 5
    int level;         ///< power level 1 Low, 2 Mid, 3 High for Tx Power; 0 otherwise
    TunerBarKind bar;
    int commandId;  ///< the main frame's command that opens it
};

/// Rows of the tuning screen.
constexpr int kTunerRows = 10;

/// The eight alignments, in menu order.
const TuningFeature* TuningFeatureTable(int& count);
/// The alignment of an exact (case-sensitive) feature name; null for any other name.
const TuningFeature* FindTuningFeature(const std::string& name);
/// Help topic of a feature's "Help" button.
int TuningHelpContext(int feature);
/// A test frequency as a row shows it: megahertz with four decimals ("851.0125").
std::string FormatRowFrequency(std::int32_t freq);
