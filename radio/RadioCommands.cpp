#include "RadioCommands.h"

#include <vector>

#include "MessageFields.h"
#include "RadioWrite.h"
#include "Transport.h"
#include "document/TunerDoc.h"

using MessageFields::FormatHex;

namespace {

/// One byte field; a value outside the byte is cut to its low eight bits so that the request
/// keeps its length.
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
    return type == kDevLimit || (type == kRefOsc && doc.GetModelFamily() == 2);
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

HRESULT EnterTestMode(CTunerDoc& doc) {
    return SendRequest(doc, "000c");
}

HRESULT SetSoftpot(CTunerDoc& doc, int type, int value) {
    const std::string field = WideSoftpot(doc, type) ? Word(value) : Byte(value);
    return SendRequest(doc, "000102" + Byte(type) + field);
}

HRESULT ProgramSoftpots(CTunerDoc& doc, int type, const int* values, int count,
                        const std::string& featureName) {
    HRESULT hr = S_OK;
    if (!doc.m_writing) {
        hr = MatchRadio(doc);
        if (FAILED(hr))
            return hr;
    }
    if (!doc.m_loadedFromFile && type == kTxPower) {
        int level = kPowerHigh;
        if (featureName == "Tx Power Low")
            level = kPowerLow;
        else if (featureName == "Tx Power Mid")
            level = kPowerMid;
        hr = SetPowerLevel(doc, level);
        if (FAILED(hr))
            return hr;
    }

    bool wide = false;
    if (type == kCurrentLimit) {
        count = 1;  // one value shared by every test frequency
    } else {
        wide = WideSoftpot(doc, type);
    }
    if (values == nullptr || count < 0)
        count = 0;
    std::vector<std::uint32_t> field(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        field[i] = static_cast<std::uint32_t>(values[i]) & (wide ? 0xFFFFu : 0xFFu);
    return SendRequest(
        doc, "000104" + Byte(type) + MessageFields::ValuesToHex(field.data(), count, wide));
}

HRESULT ReadBatteryCalibration(CTunerDoc& doc, int& value) {
    // Battery calibration type 08 at 6.90 V (0x02B2).
    return ReadNumber(doc, "0001050802b2", 10, value);
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
    return SendRequest(doc, "0006" + Byte(code));
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
    HRESULT hr = SendRequest(doc, "000401");
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
