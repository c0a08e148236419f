#include "RadioCommands.h"

#include <vector>

#include <cctype>

#include "MessageFields.h"
#include "RadioWrite.h"
#include "SoftpotField.h"
#include "Transport.h"
#include "document/TunerDoc.h"

using MessageFields::FormatHex;

namespace {

/// One byte field of a parameter the system itself chooses (opcodes, types, codes); softpot
/// values are checked against their field before they get here.
std::string Byte(int value) {
    return FormatHex(static_cast<std::uint32_t>(value) & 0xFFu, 1);
}

/// A 16-bit field, big-endian.
std::string Word(int value) {
    return FormatHex(static_cast<std::uint32_t>(value) & 0xFFFFu, 2);
}

std::string Frequency(std::int32_t freq) {
    return FormatHex(static_cast<std::uint32_t>(freq), 4);
}

/// The softpot value is two bytes wide for the deviation limit, and for the reference
/// oscillator of a family-2 radio.
bool WideSoftpot(const CTunerDoc& doc, int type) {
    return SoftpotField::Bytes(type, doc.GetModelFamily()) == 2;
}

const char* PowerLevelName(int code) {
    switch (code) {
        case kPowerLow:
            return "Low";
        case kPowerMid:
            return "Mid";
        case kPowerHigh:
            return "High";
        default:
            return "?";
    }
}

/// The Tx Power level that a screen's feature name stands for (High unless Low or Mid).
int TxPowerLevelOfName(const std::string& featureName) {
    if (featureName == "Tx Power Low")
        return 1;
    if (featureName == "Tx Power Mid")
        return 2;
    return 3;
}

/// Everything of a reply payload after its first n characters.
std::string After(const std::string& reply, std::size_t n) {
    return reply.size() > n ? reply.substr(n) : std::string();
}

/// A request whose reply, after its first skip characters, is one hexadecimal number.
HRESULT ReadNumber(CTunerDoc& doc, const char* request, std::size_t skip, int& value) {
    std::string reply;
    const HRESULT hr = SendRequest(doc, request, reply);
    if (SUCCEEDED(hr))
        value = MessageFields::HexToLong(After(reply, skip));
    return hr;
}

}  // namespace

HRESULT SendRequest(CTunerDoc& doc, const std::string& payload, std::string& reply) {
    return Transport::Exchange(doc, payload, reply, Transport::kExchangeTimeoutMs);
}

HRESULT SendRequest(CTunerDoc& doc, const std::string& payload) {
    std::string reply;
    return SendRequest(doc, payload, reply);
}

HRESULT SendRequest(CTunerDoc& doc, const std::string& payload, std::string& reply,
                    const Transport::ReplyCheck& check) {
    return Transport::Exchange(doc, payload, reply, Transport::kExchangeTimeoutMs, check);
}

Transport::ReplyCheck StatusMustBeZero(std::string refusal) {
    return [refusal = std::move(refusal)](const std::string& reply) -> std::string {
        std::string status = reply.size() >= 6 ? reply.substr(4, 2) : std::string();
        if (status == "00")
            return {};
        if (status.empty())
            return refusal + " (its reply carries no status).";
        for (char& c : status) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return refusal + " (reply status " + status + ").";
    };
}

Transport::ReplyCheck HeaderMustBeWhole(std::size_t headerBytes, std::string refusal) {
    return [headerBytes, refusal = std::move(refusal)](const std::string& reply) -> std::string {
        if (reply.size() >= 2 * headerBytes)
            return {};
        return refusal + " (its reply ends before its values).";
    };
}

std::string ProgrammingProblem(const CTunerDoc& doc, int type, const std::string& feature,
                               const int* values, int count) {
    if (values == nullptr || count <= 0)
        return "There are no values of " + feature + " to program.";
    for (int i = 0; i < count; ++i) {
        if (!SoftpotField::Fits(type, doc.GetModelFamily(), values[i]))
            return SoftpotField::OutOfFieldText(feature, values[i], type, doc.GetModelFamily());
    }
    return {};
}

HRESULT EnterTestMode(CTunerDoc& doc) {
    return SendRequest(doc, "000c");
}

HRESULT SetSoftpot(CTunerDoc& doc, int type, int value) {
    if (!SoftpotField::Fits(type, doc.GetModelFamily(), value)) {
        // Cut to its field, the value would be one that nobody chose.
        doc.Host().ShowMessage(SoftpotField::OutOfFieldText(SoftpotField::Name(type), value, type,
                                                            doc.GetModelFamily()),
                               MsgIcon::Stop, MsgButtons::Ok);
        return E_FAIL;
    }
    const std::string field = WideSoftpot(doc, type) ? Word(value) : Byte(value);
    // A live value the radio did not take leaves it at the one before: that must not pass.
    std::string reply;
    return SendRequest(doc, "000102" + Byte(type) + field, reply,
                       StatusMustBeZero("The radio refused the value " + std::to_string(value) +
                                        " of " + SoftpotField::Name(type)));
}

HRESULT ProgramSoftpots(CTunerDoc& doc, int type, const int* values, int count,
                        const std::string& featureName) {
    const int txLevel = TxPowerLevelOfName(featureName);
    const std::string feature = SoftpotField::Name(type, type == kTxPower ? txLevel : 0);
    if (type == kCurrentLimit && values != nullptr)
        count = 1;  // one value shared by every test frequency
    // Nothing is sent for values that are missing or do not fit their field.
    const std::string problem = ProgrammingProblem(doc, type, feature, values, count);
    if (!problem.empty()) {
        doc.Host().ShowMessage(problem, MsgIcon::Stop, MsgButtons::Ok);
        return E_FAIL;
    }

    HRESULT hr = S_OK;
    if (!doc.m_writing) {
        hr = MatchRadio(doc);
        if (FAILED(hr))
            return hr;
    }
    if (!doc.m_loadedFromFile && type == kTxPower) {
        hr = SetPowerLevel(doc, PowerLevelCode(txLevel));
        if (FAILED(hr))
            return hr;
    }

    const bool wide = type != kCurrentLimit && WideSoftpot(doc, type);
    std::vector<std::uint32_t> field(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) field[i] = static_cast<std::uint32_t>(values[i]);
    std::string reply;
    return SendRequest(
        doc, "000104" + Byte(type) + MessageFields::ValuesToHex(field.data(), count, wide), reply,
        StatusMustBeZero("The radio refused to program " + feature));
}

HRESULT ReadBatteryCalibration(CTunerDoc& doc, int& value) {
    // Battery calibration type 08 at 6.90 V (0x02B2).
    std::string reply;
    const HRESULT hr =
        SendRequest(doc, "0001050802b2", reply,
                    HeaderMustBeWhole(5, "The radio did not report the battery calibration"));
    if (SUCCEEDED(hr))
        value = MessageFields::HexToLong(After(reply, 10));
    return hr;
}

HRESULT ReadSoftpotLimits(CTunerDoc& doc, int type, int& minimum, int& maximum) {
    // The limit is the first value byte, after the five header bytes of the reply.
    auto firstValue = [&doc](const std::string& reply, int& limit) {
        const std::string values = After(reply, 10);
        std::vector<std::uint8_t> bytes(values.size() / 2 + 1);
        int count = 0;
        if (MessageFields::HexToBytes(doc.Host(), values, bytes.data(), bytes.size(), count) &&
            count > 0)
            limit = bytes[0];
    };
    std::string reply;
    HRESULT hr = SendRequest(doc, "000106" + Byte(type), reply);
    if (SUCCEEDED(hr))
        firstValue(reply, minimum);
    // The maximum is asked for even when the minimum could not be read.
    reply.clear();
    hr = SendRequest(doc, "000107" + Byte(type), reply);
    if (SUCCEEDED(hr))
        firstValue(reply, maximum);
    return hr;
}

HRESULT ZeroPaBiasSoftpots(CTunerDoc& doc, int which) {
    HRESULT hr = S_OK;
    for (int t = kPaBias1; t <= kPaBias3; ++t) {
        if ((which == 0 || which == t) && doc.m_featurePresent[t])
            hr = SetSoftpot(doc, t, 0);
    }
    return hr;
}

HRESULT PaBiasOn(CTunerDoc& doc) {
    const HRESULT hr = SelectModulation(doc, kModPaBiasOn);
    ZeroPaBiasSoftpots(doc, 0);
    return hr;
}

HRESULT PaBiasOff(CTunerDoc& doc) {
    return SelectModulation(doc, kModDefault);
}

HRESULT SelectModulation(CTunerDoc& doc, int code) {
    return SendRequest(doc, "0002" + Byte(code));
}

HRESULT SelectTone(CTunerDoc& doc, bool high) {
    return SelectModulation(doc, high ? kModHighTone : kModLowTone);
}

HRESULT SetReceiveAudio(CTunerDoc& doc, int code) {
    return SendRequest(doc, "0005" + Byte(code));
}

HRESULT SetPowerLevel(CTunerDoc& doc, int code) {
    // Programming and reading Tx Power go to the level set last: a refusal must not pass.
    std::string reply;
    return SendRequest(doc, "0006" + Byte(code), reply,
                       StatusMustBeZero(std::string("The radio refused to set the power level ") +
                                        PowerLevelName(code)));
}

HRESULT TransmitAtFrequency(CTunerDoc& doc, std::int32_t freq, int feature) {
    return SendRequest(
        doc, "000b" + Frequency(freq) + Byte(kSpacing25k) + (feature == kRefOsc ? "01" : "00"));
}

HRESULT TransmitPattern(CTunerDoc& doc, std::int32_t freq, int spacing) {
    return SendRequest(doc, "000b" + Frequency(freq) + Byte(spacing) + "00");
}

HRESULT ReceiveAtFrequency(CTunerDoc& doc, std::int32_t freq, const std::string& openScreenTitle) {
    const int spacing = openScreenTitle == "Bit Error Rate" ? kSpacing12k5 : kSpacing25k;
    return SendRequest(doc, "000a" + Frequency(freq) + Byte(spacing) + "00");
}

HRESULT SetPtt(CTunerDoc& doc, bool on, int feature) {
    if (!on)
        return SetReceiveAudio(doc, kAudioMute);  // receiving dekeys the transmitter
    // A transmitter that did not key gives no reading worth taking.
    std::string reply;
    HRESULT hr = SendRequest(doc, "000401", reply, StatusMustBeZero(kRefusedToTransmit));
    if (FAILED(hr))
        return hr;
    // Keyed for tuning, the limiting softpots go to the top of their range.
    if (feature == kTxPower && doc.GetModelFamily() == 1)
        hr = SetSoftpot(doc, kCurrentLimit, 0x0F);
    if (feature == kDevBalance)
        hr = SetSoftpot(doc, kDevLimit, 0x7FFF);
    return hr;
}

HRESULT StartFeature(CTunerDoc& doc, int feature, int level, std::int32_t freq, int value) {
    int power = 0x03;
    if (feature == kTxPower)
        power = PowerLevelCode(level);
    else if (feature == kCurrentLimit)
        power = kPowerHigh;
    int modulation = kModDefault;
    if (feature == kDevBalance)
        modulation = kModLowTone;
    else if (feature == kDevLimit)
        modulation = kModDevLimit;

    HRESULT hr = EnterTestMode(doc);
    if (SUCCEEDED(hr))
        hr = SetReceiveAudio(doc, kAudioMute);
    if (SUCCEEDED(hr))
        hr = SetPowerLevel(doc, power);
    if (SUCCEEDED(hr)) {
        if (feature == kFrontEndFilter)
            hr = SendRequest(doc, "000a" + Frequency(freq) + Byte(kSpacing25k) + "00");
        else
            hr = TransmitAtFrequency(doc, freq, feature);
    }
    if (SUCCEEDED(hr) && feature == kDevBalance)
        hr = SendRequest(doc, "000701");
    if (SUCCEEDED(hr))
        hr = SelectModulation(doc, modulation);
    // The screen's value is set live in every case.
    SetSoftpot(doc, feature, value);
    return hr;
}

HRESULT ReadSignalStrength(CTunerDoc& doc, int& value) {
    return ReadNumber(doc, "000e02", 8, value);
}

HRESULT SetBerPattern(CTunerDoc& doc, int pattern, int modulation) {
    return SendRequest(doc, "0003" + Byte(pattern) + Byte(modulation));
}

HRESULT StartBerTest(CTunerDoc& doc, int code, int frames) {
    std::string reply;
    const HRESULT hr = SendRequest(doc, "0016" + Byte(code) + Byte(frames), reply);
    if (FAILED(hr))
        return hr;
    // The radio accepts the test with the single status byte 00 after the opcode.
    if (After(reply, 4) != "00")
        return -1;
    return hr;
}

HRESULT StopBerTest(CTunerDoc& doc) {
    return StartBerTest(doc, 0, 0);
}

HRESULT ReadBerResult(CTunerDoc& doc, std::string& out) {
    std::string reply;
    const HRESULT hr = SendRequest(doc, "0017", reply);
    if (SUCCEEDED(hr))
        out = reply;
    return hr;
}
