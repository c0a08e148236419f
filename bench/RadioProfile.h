#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

/// Everything that makes one simulated radio: identity, codeplug frequency list, the
/// programmed softpot values it starts with and the constants of its RF behaviour.
struct CRadioProfile {
    /// One codeplug frequency record: use flags (bit k = test frequency of type k) and the
    /// frequency in 5 Hz steps.
    struct Record {
        std::uint8_t flags = 0;
        std::uint32_t freq = 0;
    };

    std::string name;
    std::string description;
    int modelIndex = 0;        ///< which of the three model identifiers (0, 1, 2)
    std::string modelNumber;   ///< 12 characters; the fourth selects the band
    std::string serialNumber;  ///< 10 characters
    std::string hostVersion;
    std::string dspVersion;
    std::string xpmVersion;
    std::vector<std::uint8_t> tuningHwVersion;  ///< raw bytes (e.g. 01 0A FF)
    std::vector<Record> records;                ///< at most 25

    /// Programmed value that every test frequency of a type starts with (types 0 to 12);
    /// Tx Power uses powerLow/Mid/High instead.
    std::array<int, 13> initial{};
    int powerLow = 20, powerMid = 50, powerHigh = 90;
    /// Limits answered by the softpot limit reads, per type.
    std::array<int, 13> limitMin{};
    std::array<int, 13> limitMax{};

    // RF behaviour.
    int refOscIdeal = 72;            ///< reference oscillator value of zero carrier error
    double refOscHzPerStep = 10.0;   ///< carrier error per softpot step
    double powerSatW = 6.0;          ///< saturation power of the power amplifier
    double powerTau = 120.0;         ///< softpot value scale of the power curve
    double currentLimitW = 0.45;     ///< power allowed per current-limit step (value + 1)
    int devBalanceIdeal = 64;        ///< balance of equal low and high tone deviation
    double devLimitHzPerStep = 1.0;  ///< deviation limit in Hz per softpot step
    double filterSlope = 0.6;        ///< front-end filter optimum per MHz above the band start
    int filterBase = 60;             ///< front-end filter optimum at the band start
    int batteryCalIdeal = 128;       ///< battery calibration value that reads 6.90 V exactly

    /// How one transmit feature's response differs from row to row (test frequency). With x
    /// the row's place in the band (-1 at the lowest record, +1 at the highest) and u, u' two
    /// seeded terms of the row in -1..1 (drawn anew for every seed, per Tx Power level too):
    /// gain = 1 + gainTilt x - gainEdge x^2 + gainSpread u, offset = offsetTilt x +
    /// offsetSpread u' softpot steps. All zero: every row answers alike.
    struct RowSpread {
        double gainTilt = 0;      ///< relative gain change from band centre to the top
        double gainEdge = 0;      ///< relative gain lost at both band edges
        double gainSpread = 0;    ///< seeded relative gain term of a row
        double offsetTilt = 0;    ///< offset in steps at the top of the band (minus at the bottom)
        double offsetSpread = 0;  ///< seeded offset term of a row, in steps
    };
    /// Reference oscillator: the gain scales Hz per step, the offset moves the ideal point.
    RowSpread refOscSpread;
    /// Tx Power: the gain divides powerTau (drive per step), the offset moves the knee.
    RowSpread powerSpread;
    /// Tx Deviation Balance: the gain scales devBalanceHzPerStep, the offset moves the ideal.
    RowSpread devBalanceSpread;
    /// Tx Deviation Limit: the gain scales devLimitHzPerStep, the offset is the value of 0 Hz.
    RowSpread devLimitSpread;
    /// Bend of the carrier error: d x (1 + c d / R) steps' worth, d the distance from the
    /// ideal point and R the tuning range's top; |c| < 0.5 keeps it monotone.
    double refOscCurvature = 0;
    double powerKnee = 0;       ///< softpot value below which the amplifier gives no power
    double powerKneeWidth = 0;  ///< steps over which the knee rounds off (0: a sharp corner)
    double powerSatEdge = 0;    ///< relative saturation power lost at both band edges
    double powerSatSpread = 0;  ///< seeded relative saturation term of a row and level
    double devBalanceHzPerStep = 12.0;  ///< high-tone deviation per balance step at 3000 Hz
    double devLimitSoftHz = 0;          ///< width of the limiter's rounded corner (0: a hard clip)

    // Measurement realism (all of it off with the bench's --no-noise).
    double freqNoiseHz = 1.0;      ///< sigma of the carrier error reading
    double powerNoise = 0.003;     ///< relative sigma of the power reading
    double devNoiseHz = 3.0;       ///< sigma of the deviation reading
    double outlierFraction = 0;    ///< share of readings (per quantity) that are wild
    double outlierMin = 0.10;      ///< smallest relative size of a wild reading
    double outlierMax = 0.20;      ///< largest relative size of a wild reading
    double outlierFreqHz = 500.0;  ///< carrier error scale of a wild reading near 0 Hz
    double warmupSag = 0;          ///< share of power lost once the amplifier is warm
    double warmupSeconds = 5.0;    ///< time constant of warming while keyed and cooling after

    /// Model family from the identifier: 1 for the first, 2 for the others.
    int Family() const { return modelIndex == 0 ? 1 : 2; }
    /// Number of test frequencies of a type (every record counts for type 8).
    int Count(int type) const;
    /// Test frequencies of a type in list order.
    std::vector<std::uint32_t> Frequencies(int type) const;
    /// Index of the record of a type whose frequency is nearest freq; -1 when it has none.
    int NearestRecord(int type, std::uint32_t freq) const;
    /// Value width in bytes of a type on this radio.
    int Width(int type) const;

    /// Built-in profile by name; false when there is none.
    static bool BuiltIn(const std::string& name, CRadioProfile& out);
    static std::vector<std::string> BuiltInNames();
    /// Profile by built-in name or from a profile file; false with a reason in error.
    static bool Load(const std::string& nameOrPath, CRadioProfile& out, std::string& error);
    /// Parses the text of a profile file.
    static bool Parse(const std::string& text, CRadioProfile& out, std::string& error);
    /// What makes the RF and measurement parameters unusable ("" when they are fine); keys,
    /// when given, receives the profile file keys of the numbers at fault.
    std::string CheckModel(std::vector<std::string>* keys = nullptr) const;
};
