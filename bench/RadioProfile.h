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

    /// Model family from the identifier: 1 for the first, 2 for the others.
    int Family() const { return modelIndex == 0 ? 1 : 2; }
    /// Number of test frequencies of a type (every record counts for type 8).
    int Count(int type) const;
    /// Test frequencies of a type in list order.
    std::vector<std::uint32_t> Frequencies(int type) const;
    /// Value width in bytes of a type on this radio.
    int Width(int type) const;

    /// Built-in profile by name; false when there is none.
    static bool BuiltIn(const std::string& name, CRadioProfile& out);
    static std::vector<std::string> BuiltInNames();
    /// Profile by built-in name or from a profile file; false with a reason in error.
    static bool Load(const std::string& nameOrPath, CRadioProfile& out, std::string& error);
    /// Parses the text of a profile file.
    static bool Parse(const std::string& text, CRadioProfile& out, std::string& error);
};
