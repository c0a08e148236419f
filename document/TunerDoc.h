#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FrameLink.h"
#include "SaveValues.h"
#include "radio/RadioLink.h"

/// Number of softpot types (0 to 12) and of test frequencies a type can have.
constexpr int kSoftpotTypes = 13;
constexpr int kMaxTestFreqs = 25;

/// Softpot type codes, the same numbers in requests, in the document and in the file.
enum SoftpotType : int {
    kRefOsc = 0,
    kTxPower = 1,
    kDevBalance = 2,
    kFrontEndFilter = 3,
    kCurrentLimit = 4,
    kDevLimit = 5,
    kSoftpot6 = 6,
    kSoftpot7 = 7,
    kBatteryCal = 8,
    kPaBias1 = 9,
    kPaBias2 = 10,
    kPaBias3 = 11,
    kPaBias4 = 12,
};

/// One radio's tuning data set: identity, model family, test frequencies and softpot values
/// of every feature, the saved values that programming keeps up to date and the file stores,
/// and (through its base) the state of the radio link.
class CTunerDoc : public CRadioLink {
public:
    CTunerDoc(IHost& host, IFrameLink& frame, RadioCommFactory factory);
    ~CTunerDoc() override;

    IFrameLink& Frame() const { return *m_frame; }

    // Identity accessors.
    std::string GetSerialNumber() const { return m_serialNumber; }
    std::string GetModelNumber() const { return m_modelNumber; }
    std::string GetHostVersion() const { return m_hostVersion; }
    std::string GetDspVersion() const { return m_dspVersion; }
    std::string GetXpmSwVersion() const { return m_xpmSwVersion; }
    std::string GetTuningHwVersion() const { return m_tuningHwVersion; }

    int GetModelFamily() const { return m_modelFamily; }
    bool IsFamily1() const { return m_modelFamily == 1; }
    bool IsFamily2() const { return m_modelFamily == 2; }
    /// Band code from the fourth character of the model number.
    int GetBandClass() const;

    /// Appends the 14 records of a radio read to m_saveList.
    void SnapshotSavedValues();
    /// Replaces the ten values of the matching record (type, and level for type 1).
    void UpdateSavedValues(int type, int level, const int values[10]);
    /// Copies the matching record; for types 0 to 5 also sets that type's m_freqCount.
    void GetSavedValues(int type, int level, int freqs[10], int values[10]);
    /// The matching record, or null.
    CSaveValues* FindSavedValues(int type, int level);

    /// The title is always the serial number, whatever is passed.
    void SetTitle(const std::string& ignored);
    const std::string& GetTitle() const { return m_title; }

    /// Empties the document: destroys the open screen and, when connected, sends the exit
    /// test mode request (-1 time-out, no message); clears the data-open flag.
    void DeleteContents();

    /// The bit error rate file path into m_berPath, and whether that file exists.
    bool BerFileExists();

    // Radio identity.
    std::string m_serialNumber;
    std::string m_modelNumber;
    std::string m_hostVersion;
    std::string m_dspVersion;
    std::string m_xpmSwVersion;
    std::string m_tuningHwVersion;

    // Model and state.
    bool m_modelSupported = false;
    int m_modelFamily = 0;
    bool m_readFromRadio = false;
    bool m_loadedFromFile = false;
    bool m_writing = false;
    std::string m_filePath;
    std::string m_berPath;
    int m_berTestNumber = 1;

    // Per-type tables.
    std::array<bool, kSoftpotTypes> m_featurePresent{};
    std::array<int, kSoftpotTypes> m_freqCount{};
    std::array<std::array<int, kMaxTestFreqs>, kSoftpotTypes> m_testFreq{};
    /// The test frequency of a type's row (5 Hz steps); the first one when the row has none.
    int RowTestFrequency(int type, int row) const {
        const auto& f = m_testFreq.at(static_cast<std::size_t>(type));
        return row >= 0 && row < kMaxTestFreqs && f[static_cast<std::size_t>(row)] > 0
                   ? f[static_cast<std::size_t>(row)]
                   : f[0];
    }
    std::array<int, 9> m_freqUsedBy{};

    // Value tables, one entry per test frequency in frequency-list order.
    std::array<std::uint8_t, kMaxTestFreqs> m_refOsc{};
    std::array<int, kMaxTestFreqs> m_refOscWide{};
    std::array<std::uint8_t, kMaxTestFreqs> m_txPowerLow{};
    std::array<std::uint8_t, kMaxTestFreqs> m_txPowerMid{};
    std::array<std::uint8_t, kMaxTestFreqs> m_txPowerHigh{};
    std::array<std::uint8_t, kMaxTestFreqs> m_devBalance{};
    std::array<std::uint8_t, kMaxTestFreqs> m_frontEndFilter{};
    std::array<std::uint8_t, kMaxTestFreqs> m_currentLimit{};
    std::array<int, kMaxTestFreqs> m_devLimit{};
    std::array<std::uint8_t, kMaxTestFreqs> m_softpot6{};
    std::array<std::uint8_t, kMaxTestFreqs> m_softpot7{};
    std::array<std::uint8_t, kMaxTestFreqs> m_batteryCal{};
    std::array<std::array<std::uint8_t, kMaxTestFreqs>, 4> m_paBias{};

    /// The saved records, owned by the document, in list order.
    std::vector<std::unique_ptr<CSaveValues>> m_saveList;

private:
    IFrameLink* m_frame;
    std::string m_title;
};
