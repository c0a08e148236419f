#pragma once

#include <array>
#include <cstddef>
#include <string>

/// Target and tolerance of each feature a whole-radio alignment tunes, by automatic tuning
/// index (0 Reference Oscillator, 1 to 3 Tx Power High, Mid and Low, 4 Tx Deviation Balance,
/// 5 Tx Deviation Limit).
///
/// A limits file is `key = value` text, one setting a line, `#` starting a comment:
///
///     refOscTarget = 0            # Hz of carrier frequency error
///     refOscTolerance = 50
///     powerHighTarget = 2.5       # W
///     powerHighTolerance = 0.1
///     powerMidTarget = 1.5
///     powerMidTolerance = 0.08
///     powerLowTarget = 0.5
///     powerLowTolerance = 0.05
///     devBalanceTarget = 3000     # Hz of FM deviation on the high tone
///     devBalanceTolerance = 60
///     devLimitTarget = 2800       # Hz of FM deviation
///     devLimitTolerance = 50
///
/// Keys that a file leaves out keep the built-in values above; a key given twice is an
/// error. A reading is inside its limits when it differs from the target by at most the
/// tolerance.
class CAlignmentLimits {
public:
    static constexpr int kFeatures = 6;
    /// The largest limits file read (a real one is a few hundred bytes).
    static constexpr std::size_t kMaxFileBytes = 1024 * 1024;

    struct Limit {
        double target = 0.0;
        double tolerance = 0.0;
        bool targetFromFile = false;  ///< the file gave the target
    };

    /// The built-in limits (the targets are those of the Automatic Tuning dialog).
    CAlignmentLimits();

    /// Reads limits text over the built-in values. On a bad line returns false with a message
    /// that names the line ("line 3: ...", quoting at most a short piece of it) and leaves the
    /// limits unchanged.
    bool Parse(const std::string& text, std::string& error);
    /// Reads a limits file: a regular file of at most kMaxFileBytes (a folder, a pipe, a
    /// device or an unreadable file is refused with the reason, without waiting or reading
    /// it). The message begins with the file's name.
    bool Load(const std::string& path, std::string& error);

    const Limit& For(int featureIndex) const { return m_limits.at(featureIndex); }
    /// Sets a target that a file did not give (the dialog's power fields do this).
    void SetDefaultTarget(int featureIndex, double target);

    /// Whether a reading lies within the feature's tolerance of its target.
    bool Inside(int featureIndex, double reading) const;
    /// The feature's key prefix in a limits file ("refOsc", "powerHigh", ...).
    static const char* Key(int featureIndex);
    /// Unit of a feature's readings: "Hz" or "W".
    static const char* Unit(int featureIndex);

    /// The text of a file that states every built-in value (for the documentation and tests).
    static std::string DefaultText();

private:
    std::array<Limit, kFeatures> m_limits;
};
