#pragma once

#include <array>
#include <functional>
#include <string>

#include "BerReply.h"
#include "FrequencyRules.h"

class CTunerDoc;

/// An entry of one of the test's lists and the code it sends to the radio.
struct BerChoice {
    const char* text;
    int code;
};

/// The lists of the bit error rate test, in screen order.
namespace BerChoices {
extern const std::array<BerChoice, 2> kPatterns;     ///< "Framed 1011" 0x21, "CCITT V.52" 0x25
extern const std::array<BerChoice, 3> kModulations;  ///< "C4FM" 0, "CQPSK" 1, "Wide Pulse" 2
extern const std::array<BerChoice, 2> kContinuous;   ///< "No" 1, "Yes" 2
extern const std::array<BerChoice, 3> kAudio;        ///< "Mute" 0x01, "Internal" 0x12, ...
}  // namespace BerChoices

/// The receiver bit error rate test on one radio: its settings, the radio set-up, single and
/// continuous runs, the decoding of the radio's results and the records of the data file. The
/// bit error rate screen and `vegal-cli ber` are two faces of this one object.
///
/// A single test blocks for the integration time plus 360 ms through the host's Sleep; a
/// continuous one needs Tick every 250 ms from its face while Polling() is true.
class CBerTest {
public:
    static constexpr const char* kTitle = "Bit Error Rate";
    static constexpr int kPollMs = 250;
    static constexpr const char* kReadyText = "Press Start to Start BER Test";

    /// openScreenTitle gives the title of the main frame's open screen, which picks the
    /// spacing byte of the receive request ("Bit Error Rate": 12.5 kHz).
    CBerTest(CTunerDoc& doc, std::function<std::string()> openScreenTitle);

    CTunerDoc& Doc() const { return m_doc; }

    /// Opening: limits from the radio's band, frequency at the lower limit, 0.36 s and one
    /// frame; the log's section title and test mode.
    void Open();

    /// The Rx Frequency field lost the focus: raster, limits and the 776-851 MHz gap.
    void CheckFrequency();
    /// The integration time field lost the focus.
    void CheckTime();
    /// The spin button moved by delta.
    void Spin(int delta);
    /// The frames field lost the focus.
    void CheckFrames();

    /// START/STOP: stops a running test, or writes the test header, sets the radio up and
    /// runs a single test (waiting for its result) or starts a continuous one.
    void StartStop();
    /// The continuous test's 250 ms tick: reads and shows a new result.
    void Tick();
    /// The screen closes: a running test is stopped in the radio.
    void Close();

    bool Running() const { return m_running; }
    bool Continuous() const { return m_continuous == 1; }
    /// A continuous test was started and wants its ticks.
    bool Polling() const { return m_polling; }
    /// The setting controls are enabled (not during a continuous test).
    bool SettingsEnabled() const { return m_settingsEnabled; }
    bool ReadFailed() const { return m_readFailed; }
    int LastTag() const { return m_lastTag; }
    const FrequencyLimits& Limits() const { return m_limits; }

    // Settings: the values of the fields and the list positions.
    double m_frequency = 0.0;  ///< MHz
    int m_pattern = 0;
    int m_modulation = 0;
    int m_continuous = 0;
    int m_audio = 0;
    float m_time = 0.36f;
    int m_frames = 1;

    // What the screen shows.
    std::string m_status = kReadyText;
    std::string m_errorText;
    std::string m_rateText;

    /// Called when the values are to be shown at once (the status before a single test's
    /// wait, and after every change).
    std::function<void()> onShow;
    /// Called for every result that is shown (a new tag).
    std::function<void(const BerResult&)> onResult;

private:
    void Show();
    void Stop();
    void HandleReply(const std::string& reply);
    void WriteTestHeader();

    CTunerDoc& m_doc;
    std::function<std::string()> m_openScreenTitle;
    FrequencyLimits m_limits;
    bool m_running = false;
    bool m_polling = false;
    bool m_settingsEnabled = true;
    bool m_readFailed = false;
    int m_lastTag = 0;
};
