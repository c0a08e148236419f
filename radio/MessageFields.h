#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class IHost;

/// Field operations on message text: two lower-case hex digits per byte, big-endian numbers.
namespace MessageFields {

/// Largest number of bytes HexToBytes writes into a caller's buffer unless told otherwise.
constexpr std::size_t kMaxMessageBytes = 1000;

/// value as 2, 4, 6 or 8 lower-case hex digits for n = 1..4; empty for any other n.
std::string FormatHex(std::uint32_t value, int n);
/// value in decimal zero-padded to at least n digits for n = 1..9; empty otherwise.
std::string FormatDecimal(std::int32_t value, int n);
/// bytes as two lower-case hex digits each; empty for count <= 0.
std::string BytesToHex(const std::uint8_t* bytes, int count);
/// each value as 2 hex digits (4 when wide); empty for count < 1.
std::string ValuesToHex(const std::uint32_t* values, int count, bool wide);

/// Converts text to bytes, two characters a byte, strtol rules in base 16.
/// Odd-length text shows "Invalid Message format" and leaves count unchanged.
/// Text that would need more than capacity bytes stores nothing, leaves count unchanged and
/// returns false (the caller's buffer is never overrun). Returns true when converted.
bool HexToBytes(IHost& host, const std::string& text, std::uint8_t* out, std::size_t capacity,
                int& count);
/// Characters made of the bytes, up to the first zero byte (at most 52 bytes converted).
std::string HexToText(IHost& host, const std::string& text);

int MakeWord(int high, int low);
std::int32_t MakeLong(int b0, int b1, int b2, int b3);
/// "0002000d" -> "00 02 00 0d"; used for log lines.
std::string SpaceHexPairs(const std::string& text);

double FreqToMHz(std::int32_t steps);
std::int32_t MHzToFreq(double mhz);

/// strtol in base 16 over the whole text, saturating at 0x7FFFFFFF as strtol does.
std::int32_t HexToLong(const std::string& text);

}  // namespace MessageFields
