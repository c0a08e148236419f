#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "BenchFaults.h"
#include "RadioProfile.h"
#include "RadioResponse.h"

/// What the radio puts on the air right now, as an instrument would see it.
struct RfOutput {
    bool keyed = false;
    double carrierHz = 0;  ///< tuned frequency plus carrier error
    double errorHz = 0;    ///< carrier error
    double powerW = 0;
    double deviationHz = 0;  ///< FM deviation
};

/// The simulated radio: answers request frames as the real radio does and keeps its state
/// (test mode, tuning, keying, programmed and live softpots, the BER test). Thread-safe.
///
/// Its transmitter follows CRadioResponse (each row its own response, from the profile and
/// the seed); what the test set reads of it carries the profile's measurement noise, wild
/// readings and the power's warm-up sag, all drawn from the seeded generator and the radio's
/// clock, and all of them absent when noise is off.
///
/// Malformed input: a frame shorter than an opcode, or whose length field does not match,
/// gets no answer; an unknown opcode or unknown sub-function is answered with the opcode
/// and status 01; a known request with missing or badly sized parameters with status 02.
class CSimRadio {
public:
    using Bytes = std::vector<std::uint8_t>;
    /// Milliseconds of a monotonic clock.
    using Clock = std::function<std::int64_t()>;

    static constexpr std::uint8_t kStatusUnknown = 0x01;
    static constexpr std::uint8_t kStatusBadParameters = 0x02;

    /// seed makes both the radio unit (its rows' spread) and its measurement noise.
    explicit CSimRadio(const CRadioProfile& profile, std::uint32_t seed = 1, bool noise = true);

    /// Message frame in (two length bytes, payload), reply message frame out; empty when the
    /// radio does not answer. Applies the content faults (model, serial, lists, BER).
    Bytes HandleFrame(const Bytes& requestFrame);

    /// One answer on the wire for a request frame: the bytes (0xA5, frame, checksum) and
    /// how long after the request they go out. Applies every fault; empty = silence.
    struct WireAnswer {
        Bytes wire;
        int delayMs = 0;
    };
    WireAnswer Answer(const Bytes& requestFrame);

    /// Wire form of a message frame: sync byte, frame, checksum.
    static Bytes Wire(const Bytes& frame);

    void SetFaults(const BenchFaults& faults);
    BenchFaults Faults() const;
    void SetClock(Clock clock);

    // State, for tests and the test set.
    const CRadioProfile& Profile() const { return m_profile; }
    bool InTestMode() const;
    bool Keyed() const;
    std::uint32_t TxFrequency() const;
    std::uint32_t RxFrequency() const;
    int PowerLevelCode() const;
    int Modulation() const;
    int AudioRoute() const;
    /// Programmed values of a type (for type 1 at a power level code 03, 01 or 00).
    std::vector<int> Programmed(int type, int powerCode = 0x00) const;
    /// The value in effect for a type at the tuned frequency (live if one was set).
    int Effective(int type) const;
    /// Number of requests answered or refused so far.
    int RequestCount() const;

    /// What the test set reads: keyed in test mode, or a radio with adjustable PA bias in
    /// its PA bias test mode (modulation 0x01), whose carrier power follows the bias values.
    RfOutput Transmitter();
    /// The noiseless response this radio follows.
    const CRadioResponse& Response() const { return m_response; }
    /// How warm the power amplifier is now: 0 cold, towards 1 after keying for a while.
    double Warmth();
    /// FM deviation of a test pattern (0x20 to 0x29) at a channel spacing code; 0 otherwise.
    static double PatternDeviationHz(int code, int spacing);
    /// Carrier power per step of the three PA bias values together, in PA bias test mode.
    static constexpr double kPaBiasWattsPerStep = 0.004;
    /// Signal strength at the tuned receive frequency.
    int SignalStrength();

private:
    int SignalStrengthLocked();

private:
    Bytes Handle(const Bytes& payload);
    Bytes Softpot(const Bytes& payload);
    Bytes Ber(const Bytes& payload);
    void ExitTestMode();
    int Slot(int type) const;  // index into the value tables (type 1 by power level)
    int NearestIndex(int type, std::uint32_t freq) const;
    int EffectiveLocked(int type) const;
    double Noise(double sigma);
    /// A reading, now and then (the profile's outlier fraction) moved by 10-20 % of scale.
    double Wild(double reading, double scale);
    /// Keys or dekeys the transmitter, bringing the amplifier's warmth up to now first.
    void SetKeyed(bool keyed);
    double WarmthLocked();
    double BitErrorProbability() const;
    void UpdateBer();

    CRadioProfile m_profile;
    CRadioResponse m_response;
    mutable std::mutex m_mutex;
    BenchFaults m_faults;
    Clock m_clock;
    std::mt19937 m_rng;
    bool m_noise;
    int m_requests = 0;

    bool m_testMode = false;
    bool m_keyed = false;
    bool m_receiving = false;
    std::uint32_t m_txFreq = 0, m_rxFreq = 0;
    int m_txSpacing = 0x64, m_rxSpacing = 0x64;
    int m_powerCode = 0x00;
    int m_modulation = 0x10;
    int m_audio = 0x01;
    int m_berPattern = 0, m_berModulation = 0;
    bool m_devBalanceSetup = false;
    double m_warmth = 0;             ///< 0 cold .. 1 warm
    std::int64_t m_warmthAtMs = -1;  ///< clock reading the warmth belongs to

    // Programmed values: slots 0..12 by type, 13 = Tx Power low, 14 = mid (1 = high).
    std::array<std::vector<int>, 15> m_programmed;
    std::array<int, 15> m_live{};
    std::array<bool, 15> m_liveSet{};

    // BER test.
    int m_berMode = 0;  // 0 stopped, 1 single, 2 continuous
    int m_berFrames = 0;
    std::int64_t m_berStartMs = 0;
    int m_berDone = 0;  // results produced by this run
    int m_nextTag = 1;
    struct BerRecord {
        int tag;
        bool sync;
        std::uint32_t errors;
    };
    std::deque<BerRecord> m_berRecords;
};
