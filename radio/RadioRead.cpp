#include "RadioRead.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "MessageFields.h"
#include "ModelConfig.h"
#include "RadioCommands.h"
#include "SoftpotField.h"
#include "Transport.h"
#include "document/Logs.h"
#include "document/TunerDoc.h"

namespace {

constexpr const char* kReadFailedText =
    "Communication with the radio failed. Please Read the Radio Again!";
constexpr const char* kTooManyFreqsText =
    "The radio's frequency list names more test frequencies than the tuner can hold (25). "
    "The read was stopped.";
constexpr const char* kBadFreqListText =
    "The radio's frequency list reply is truncated or malformed. The read was stopped.";
constexpr const char* kTooManyValuesText =
    "The radio sent more softpot values than the tuner can hold (25). The read was stopped.";

/// Read frequency list: opcode 0x0100, then 0x82, 0x1079, 0x0000, 0x03E8, 0x0000.
constexpr const char* kReadFreqListRequest = "0100821079000003e80000";

/// Byte offsets of the frequency-list reply.
constexpr std::size_t kFreqStatusOffset = 2;
constexpr std::size_t kFreqLengthOffset = 8;
constexpr std::size_t kFreqRecordsOffset = 22;
constexpr int kFreqRecordBytes = 8;
/// The block length counts ten header bytes before the records.
constexpr int kFreqBlockHeader = 10;

/// Identity replies carry three header bytes, softpot replies five.
constexpr std::size_t kIdentityHeaderChars = 6;
constexpr std::size_t kSoftpotHeaderChars = 10;

/// Softpot types that a frequency record can name (0 to 7 by flag, 8 always).
constexpr int kListedTypes = 9;

/// Reports input that the document's tables cannot take and fails the read with it; the
/// generic read failure message does not follow.
HRESULT Refuse(CTunerDoc& doc, const char* text) {
    doc.Host().ShowMessage(text, MsgIcon::Stop, MsgButtons::Ok);
    doc.m_commErrorShown = true;
    return E_FAIL;
}

std::string After(const std::string& reply, std::size_t n) {
    return reply.size() > n ? reply.substr(n) : std::string();
}

/// An identity read: three header bytes, then zero-terminated text.
HRESULT ReadText(CTunerDoc& doc, const char* request, std::string& out) {
    std::string reply;
    const HRESULT hr = SendRequest(doc, request, reply);
    if (SUCCEEDED(hr))
        out = MessageFields::HexToText(doc.Host(), After(reply, kIdentityHeaderChars));
    return hr;
}

/// Reads a type's values into one of the document's byte tables.
template <std::size_t N>
HRESULT ReadInto(CTunerDoc& doc, int type, int level, std::array<std::uint8_t, N>& table) {
    int count = 0;
    return ReadSoftpotType(doc, type, level, table.data(), count, static_cast<int>(N));
}

/// Two-byte values of a softpot reply, big-endian pairs, into an int table. The buffer holds
/// at least one byte more than count when count is odd (a lone last byte is the high byte).
void StorePairs(const std::uint8_t* bytes, int count, int* table, int entries) {
    for (int i = 0; i < count && i / 2 < entries; i += 2) {
        const std::string pair = MessageFields::BytesToHex(bytes + i, 2);
        table[i / 2] = MessageFields::HexToLong(pair);
    }
}

/// Reads the values of one present type (0 to 7) into its table.
HRESULT ReadPresentType(CTunerDoc& doc, int type) {
    // Two-byte values (deviation limit, family-2 reference oscillator) take two bytes each; one
    // spare zero byte completes a lone last byte.
    std::array<std::uint8_t, 2 * kMaxTestFreqs + 1> wide{};
    int count = 0;
    HRESULT hr = S_OK;
    switch (type) {
        case kRefOsc:
            if (!doc.IsFamily2())
                return ReadInto(doc, kRefOsc, 0, doc.m_refOsc);
            hr = ReadSoftpotType(doc, kRefOsc, 0, wide.data(), count, 2 * kMaxTestFreqs);
            if (FAILED(hr))
                return hr;
            std::copy_n(wide.begin(), doc.m_refOsc.size(), doc.m_refOsc.begin());
            doc.m_refOscWide[0] = MessageFields::MakeWord(wide[0], wide[1]);
            // Every test frequency has its own two-byte value; leaving the others at zero
            // would program zeros into the radio on the next write.
            StorePairs(wide.data(), std::min(count, 2 * doc.m_freqCount[kRefOsc]),
                       doc.m_refOscWide.data(), kMaxTestFreqs);
            return hr;
        case kTxPower:
            hr = ReadInto(doc, kTxPower, 1, doc.m_txPowerLow);
            if (SUCCEEDED(hr))
                hr = ReadInto(doc, kTxPower, 2, doc.m_txPowerMid);
            if (SUCCEEDED(hr))
                hr = ReadInto(doc, kTxPower, 3, doc.m_txPowerHigh);
            return hr;
        case kDevBalance:
            return ReadInto(doc, type, 0, doc.m_devBalance);
        case kFrontEndFilter:
            return ReadInto(doc, type, 0, doc.m_frontEndFilter);
        case kCurrentLimit:
            hr = ReadInto(doc, type, 0, doc.m_currentLimit);
            // One limit serves every test frequency.
            if (SUCCEEDED(hr))
                std::fill_n(doc.m_currentLimit.begin() + 1, 4, doc.m_currentLimit[0]);
            return hr;
        case kDevLimit:
            hr = ReadSoftpotType(doc, kDevLimit, 0, wide.data(), count, 2 * kMaxTestFreqs);
            if (SUCCEEDED(hr))
                StorePairs(wide.data(), count, doc.m_devLimit.data(), kMaxTestFreqs);
            return hr;
        case kSoftpot6:
            return ReadInto(doc, type, 0, doc.m_softpot6);
        case kSoftpot7:
            return ReadInto(doc, type, 0, doc.m_softpot7);
        default:
            return S_OK;
    }
}

}  // namespace

HRESULT ReadDevice(CTunerDoc& doc) {
    StartLogs(doc);
    HRESULT s = Transport::Connect(doc);
    if (FAILED(s)) {
        // Why the port did not open, when known, is the read's one message.
        Transport::ReportConnectFailure(doc);
        return s;
    }
    doc.m_componentOpen = true;
    s = Transport::VerifyRadio(doc, [&](const std::string& r) { return CheckModel(doc, r); });
    doc.Host().Sleep(500);
    if (SUCCEEDED(s))
        s = EnterTestMode(doc);
    if (SUCCEEDED(s))
        s = ReadIdentity(doc);
    if (SUCCEEDED(s))
        s = ReadFrequencyList(doc);
    if (SUCCEEDED(s))
        s = ReadSoftpots(doc);
    if (SUCCEEDED(s))
        doc.SnapshotSavedValues();
    doc.SetTitle(doc.m_serialNumber);
    return s;
}

bool OnNewDocument(CTunerDoc& doc) {
    CWaitCursor wait(doc.Host());
    if (SUCCEEDED(ReadDevice(doc))) {
        doc.m_readFromRadio = true;
        doc.Frame().SetDataOpen(true);
        return true;
    }
    if (!doc.m_commErrorShown) {
        doc.Host().ShowMessage(kReadFailedText, MsgIcon::Stop, MsgButtons::Ok);
        doc.m_commErrorShown = true;
    }
    return false;
}

bool CheckModel(CTunerDoc& doc, const std::string& replyPayload) {
    const std::string id = After(replyPayload, kIdentityHeaderChars);
    auto same = [&id](const std::string& known) {
        return id.size() == known.size() &&
               std::equal(id.begin(), id.end(), known.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    };
    const auto& ids = ModelConfig::ModelIdentifiers();
    if (same(ids[0])) {
        doc.m_modelFamily = 1;
    } else if (same(ids[1]) || same(ids[2])) {
        doc.m_modelFamily = 2;
    } else {
        doc.Host().ShowMessage("Unsupported Model", MsgIcon::Stop, MsgButtons::Ok);
        doc.m_modelFamily = 0;
        doc.m_modelSupported = false;
        return false;
    }
    doc.m_modelSupported = true;
    return true;
}

HRESULT ReadIdentity(CTunerDoc& doc) {
    HRESULT hr = ReadModelNumber(doc, doc.m_modelNumber);
    if (FAILED(hr))
        return hr;
    hr = ReadSerialNumber(doc, doc.m_serialNumber);
    if (FAILED(hr))
        return hr;
    hr = CheckSerialNumber(doc);
    if (FAILED(hr))
        return hr;
    hr = ReadText(doc, "000f00", doc.m_hostVersion);
    if (FAILED(hr))
        return hr;
    hr = ReadText(doc, "000f10", doc.m_dspVersion);
    if (FAILED(hr))
        return hr;
    hr = ReadText(doc, "000f20", doc.m_xpmSwVersion);
    if (FAILED(hr))
        return hr;
    std::string reply;
    hr = SendRequest(doc, "000f40", reply);
    if (FAILED(hr))
        return hr;
    // The tuning/hardware version is shown as the hex digits themselves.
    std::string version = After(reply, kIdentityHeaderChars);
    std::transform(version.begin(), version.end(), version.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    doc.m_tuningHwVersion = version;
    return hr;
}

HRESULT ReadSerialNumber(CTunerDoc& doc, std::string& out) {
    return ReadText(doc, "001100", out);
}

HRESULT ReadModelNumber(CTunerDoc& doc, std::string& out) {
    return ReadText(doc, "001000", out);
}

HRESULT CheckSerialNumber(CTunerDoc& doc) {
    const char* text = nullptr;
    if (doc.m_serialNumber == ModelConfig::BlankSerialNumber())
        text =
            "You cannot tune this radio until it has been CBI(Controller Board Intialization) "
            "Intialized.";
    else if (doc.m_serialNumber.empty())
        text = "Radio does not have a valid serial number";
    if (text == nullptr)
        return S_OK;
    doc.Host().ShowMessage(text, MsgIcon::Stop, MsgButtons::Ok);
    doc.m_commErrorShown = true;
    return E_FAIL;
}

HRESULT ReadFrequencyList(CTunerDoc& doc) {
    std::string reply;
    const HRESULT hr = SendRequest(doc, kReadFreqListRequest, reply);
    if (FAILED(hr))
        return hr;
    if (!ParseFrequencyList(doc, reply))
        return E_FAIL;
    return hr;
}

bool ParseFrequencyList(CTunerDoc& doc, const std::string& replyPayload) {
    // Odd-length text has already been reported by the conversion; it holds no list.
    std::vector<std::uint8_t> bytes(replyPayload.size() / 2 + 1);
    int size = 0;
    if (!MessageFields::HexToBytes(doc.Host(), replyPayload, bytes.data(), bytes.size(), size) ||
        static_cast<std::size_t>(size) <= kFreqStatusOffset) {
        Refuse(doc, kBadFreqListText);
        return false;
    }
    if (bytes[kFreqStatusOffset] != 0x00) {
        doc.Host().ShowMessage("Error: Frequecny list item missing from codeplug", MsgIcon::None,
                               MsgButtons::Ok);
        return true;  // the read goes on with no feature present
    }
    if (static_cast<std::size_t>(size) < kFreqLengthOffset + 2) {
        Refuse(doc, kBadFreqListText);
        return false;
    }
    const int length =
        MessageFields::MakeWord(bytes[kFreqLengthOffset], bytes[kFreqLengthOffset + 1]);
    const int area = length > kFreqBlockHeader ? length - kFreqBlockHeader : 0;
    if (area == 0)
        return true;
    // The block must be whole records, and all of them must have arrived.
    if (area % kFreqRecordBytes != 0 ||
        static_cast<std::size_t>(size) < kFreqRecordsOffset + static_cast<std::size_t>(area)) {
        Refuse(doc, kBadFreqListText);
        return false;
    }

    // Built aside and taken over only when every type fits its table.
    auto freqs = doc.m_testFreq;
    auto counts = doc.m_freqCount;
    auto present = doc.m_featurePresent;
    std::array<int, kListedTypes> usedBy{};
    const int records = area / kFreqRecordBytes;
    for (int r = 0; r < records; ++r) {
        const std::uint8_t* rec = bytes.data() + kFreqRecordsOffset + r * kFreqRecordBytes;
        const std::int32_t freq = MessageFields::MakeLong(rec[4], rec[5], rec[6], rec[7]);
        for (int k = 0; k < kListedTypes; ++k) {
            usedBy[k] = (k == kBatteryCal) ? 1 : ((rec[3] >> k) & 1);
            if (!usedBy[k])
                continue;
            if (counts[k] >= kMaxTestFreqs) {
                Refuse(doc, kTooManyFreqsText);
                return false;
            }
            freqs[k][counts[k]++] = freq;
            if (k != kBatteryCal || doc.IsFamily2())
                present[k] = true;
        }
    }
    doc.m_testFreq = freqs;
    doc.m_freqCount = counts;
    doc.m_featurePresent = present;
    std::copy(usedBy.begin(), usedBy.end(), doc.m_freqUsedBy.begin());
    return true;
}

HRESULT ReadSoftpots(CTunerDoc& doc) {
    HRESULT hr = S_OK;
    for (int type = kRefOsc; type <= kSoftpot7; ++type) {
        if (!doc.m_featurePresent[type])
            continue;
        hr = ReadPresentType(doc, type);
        if (FAILED(hr))
            return hr;
    }
    if (doc.IsFamily2()) {
        doc.m_featurePresent[kBatteryCal] = true;
        hr = ReadInto(doc, kBatteryCal, 0, doc.m_batteryCal);
        if (FAILED(hr))
            return hr;
    }
    // PA Bias 1 to 3: one value each, only on the models that have them.
    if (ModelConfig::HasPaBias(doc.m_modelNumber)) {
        for (int type = kPaBias1; type <= kPaBias3; ++type) {
            doc.m_featurePresent[type] = true;
            hr = ReadInto(doc, type, 0, doc.m_paBias[type - kPaBias1]);
            if (FAILED(hr))
                return hr;
        }
    }
    return hr;
}

HRESULT ReadSoftpotType(CTunerDoc& doc, int type, int level, std::uint8_t* out, int& count,
                        int capacity) {
    if (type == kTxPower) {
        SetPowerLevel(doc, PowerLevelCode(level));  // a failure shows at the read that follows
    }
    // A refused read would leave zeros in the tables, which a later write would program.
    std::string reply;
    const HRESULT hr = SendRequest(
        doc, "000103" + MessageFields::FormatHex(static_cast<std::uint32_t>(type) & 0xFF, 1), reply,
        HeaderMustBeWhole(kSoftpotHeaderChars / 2, "The radio did not report the values of " +
                                                       SoftpotField::Name(type, level)));
    if (FAILED(hr))
        return hr;
    const std::string values = After(reply, kSoftpotHeaderChars);
    const std::size_t bytes = values.size() / 2;
    if (capacity < 0 || out == nullptr)
        capacity = 0;
    if (bytes > static_cast<std::size_t>(capacity))
        return Refuse(doc, kTooManyValuesText);
    int converted = 0;
    MessageFields::HexToBytes(doc.Host(), values, out, static_cast<std::size_t>(capacity),
                              converted);
    count = converted;
    return hr;
}
