#pragma once

#include <cstdint>
#include <string>

#include "HResult.h"
#include "Transport.h"

class CTunerDoc;

// Service commands of the alignment screens. Each takes the document first, sends its
// request(s) with the 3000 ms time-out and returns the exchange status unless stated.

/// Modulation codes of SelectModulation.
constexpr int kModPaBiasOn = 0x01;
constexpr int kModDefault = 0x10;
constexpr int kModLowTone = 0x11;
constexpr int kModHighTone = 0x12;
constexpr int kModDevLimit = 0x23;
/// Channel spacing codes.
constexpr int kSpacing12k5 = 0x32;
constexpr int kSpacing25k = 0x64;
/// Receive audio codes.
constexpr int kAudioMute = 0x01;
constexpr int kAudioInternal = 0x12;
constexpr int kAudioExternal = 0x02;
/// Power level codes.
constexpr int kPowerLow = 0x03;
constexpr int kPowerMid = 0x01;
constexpr int kPowerHigh = 0x00;

/// Power level code of a Tx Power level: 1 Low, 2 Mid, anything else High.
constexpr int PowerLevelCode(int level) {
    return level == 1 ? kPowerLow : (level == 2 ? kPowerMid : kPowerHigh);
}

/// One request with the 3000 ms time-out; the reply payload goes to reply on success only.
HRESULT SendRequest(CTunerDoc& doc, const std::string& payload, std::string& reply);
/// One request whose reply is not examined.
HRESULT SendRequest(CTunerDoc& doc, const std::string& payload);
/// One request whose reply tells whether the radio acted: when the check says it did not,
/// the exchange fails (E_RADIO_REFUSED) with the check's message; the link stays.
HRESULT SendRequest(CTunerDoc& doc, const std::string& payload, std::string& reply,
                    const Transport::ReplyCheck& check);

// Which replies say that the radio did not act. Most replies are not examined; these are:
// - programming (00 01 04) and Set Power Level (00 06), whose reply is the opcode and a
//   status byte: anything but 00 (or no status) means nothing was programmed, or that the
//   values that follow would go to another power level (StatusMustBeZero);
// - a live value (00 01 02) and keying (00 04 01), with the same status byte: a value the
//   radio did not take, or a transmitter that did not key, would make every reading taken
//   afterwards one of something else (StatusMustBeZero);
// - read softpots (00 01 03) and the battery calibration read (00 01 05), whose values
//   follow a five-byte header: a reply that ends inside it reported nothing, and taking it
//   would leave zeros that a later write programs (HeaderMustBeWhole).

/// The status byte after the opcode must be 00; the message is refusal with the status
/// ("The radio refused to program Tx Power Low (reply status 02).").
Transport::ReplyCheck StatusMustBeZero(std::string refusal);
/// The reply must hold at least its header; the message is refusal with the reason.
Transport::ReplyCheck HeaderMustBeWhole(std::size_t headerBytes, std::string refusal);
/// Why these values of a feature cannot be programmed (there are none, or one does not fit
/// its field); empty when they can.
std::string ProgrammingProblem(const CTunerDoc& doc, int type, const std::string& feature,
                               const int* values, int count);

HRESULT EnterTestMode(CTunerDoc& doc);
/// The message of a key request the radio refused.
constexpr const char* kRefusedToTransmit = "The radio refused to transmit";

/// Sets a live value; a value outside the type's field is refused with a message and nothing
/// is sent. A reply status other than 00 fails the exchange.
HRESULT SetSoftpot(CTunerDoc& doc, int type, int value);
/// Programs a feature's values; featureName is the main frame's m_strFeatureName (it picks
/// the power level for Tx Power). Values that are missing or do not fit their field are
/// refused with a message before anything is sent. Runs the radio match first unless
/// m_writing is set; a reply status other than 00 fails the exchange.
HRESULT ProgramSoftpots(CTunerDoc& doc, int type, const int* values, int count,
                        const std::string& featureName);
HRESULT ReadBatteryCalibration(CTunerDoc& doc, int& value);
HRESULT ReadSoftpotLimits(CTunerDoc& doc, int type, int& minimum, int& maximum);
HRESULT ZeroPaBiasSoftpots(CTunerDoc& doc, int which);
HRESULT PaBiasOn(CTunerDoc& doc);
HRESULT PaBiasOff(CTunerDoc& doc);
HRESULT SelectModulation(CTunerDoc& doc, int code);
HRESULT SelectTone(CTunerDoc& doc, bool high);
HRESULT SetReceiveAudio(CTunerDoc& doc, int code);
HRESULT SetPowerLevel(CTunerDoc& doc, int code);
HRESULT TransmitAtFrequency(CTunerDoc& doc, std::int32_t freq, int feature);
HRESULT TransmitPattern(CTunerDoc& doc, std::int32_t freq, int spacing);
/// openScreenTitle is the title of the main frame's open screen ("Bit Error Rate" gives the
/// 12.5 kHz spacing byte).
HRESULT ReceiveAtFrequency(CTunerDoc& doc, std::int32_t freq, const std::string& openScreenTitle);
/// Keys (on) or dekeys the transmitter; a key request whose reply status is not 00 fails.
HRESULT SetPtt(CTunerDoc& doc, bool on, int feature);
HRESULT StartFeature(CTunerDoc& doc, int feature, int level, std::int32_t freq, int value);
HRESULT ReadSignalStrength(CTunerDoc& doc, int& value);
HRESULT SetBerPattern(CTunerDoc& doc, int pattern, int modulation);
/// -1 when the radio answers but refuses the test.
HRESULT StartBerTest(CTunerDoc& doc, int code, int frames);
HRESULT StopBerTest(CTunerDoc& doc);
HRESULT ReadBerResult(CTunerDoc& doc, std::string& out);
