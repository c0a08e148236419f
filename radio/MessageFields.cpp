#include "MessageFields.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Host.h"

namespace MessageFields {

namespace {

/// Most bytes HexToText converts; identity fields are shorter.
constexpr std::size_t kMaxTextBytes = 52;

/// printf with a precision, as "%0.4x" or "%0.5d" do.
std::string FormatWithPrecision(const char* format, int precision, long long value) {
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, format, precision, value);
    if (n < 0)
        return {};
    return std::string(buf, static_cast<std::size_t>(n) < sizeof buf ? n : sizeof buf - 1);
}

/// One byte from two characters, converted as strtol does in base 16 (low 8 bits kept).
std::uint8_t PairToByte(char hi, char lo) {
    const char pair[3] = {hi, lo, '\0'};
    return static_cast<std::uint8_t>(std::strtol(pair, nullptr, 16) & 0xFF);
}

}  // namespace

std::string FormatHex(std::uint32_t value, int n) {
    if (n < 1 || n > 4)
        return {};
    return FormatWithPrecision("%.*llx", 2 * n, static_cast<long long>(value));
}

std::string FormatDecimal(std::int32_t value, int n) {
    if (n < 1 || n > 9)
        return {};
    return FormatWithPrecision("%.*lld", n, static_cast<long long>(value));
}

std::string BytesToHex(const std::uint8_t* bytes, int count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    if (bytes == nullptr || count <= 0)
        return text;
    text.resize(static_cast<std::size_t>(count) * 2);
    for (int i = 0; i < count; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::string ValuesToHex(const std::uint32_t* values, int count, bool wide) {
    std::string text;
    if (values == nullptr || count < 1)
        return text;
    for (int i = 0; i < count; ++i) text += FormatHex(values[i], wide ? 2 : 1);
    return text;
}

bool HexToBytes(IHost& host, const std::string& text, std::uint8_t* out, std::size_t capacity,
                int& count) {
    if (text.size() % 2 != 0) {
        host.ShowMessage("Invalid Message format", MsgIcon::None, MsgButtons::Ok);
        return false;
    }
    const std::size_t bytes = text.size() / 2;
    // Over-long text is refused whole rather than cut: a half message is worse than none.
    if (bytes > capacity || (bytes > 0 && out == nullptr))
        return false;
    for (std::size_t i = 0; i < bytes; ++i) out[i] = PairToByte(text[2 * i], text[2 * i + 1]);
    count = static_cast<int>(bytes);
    return true;
}

std::string HexToText(IHost& host, const std::string& text) {
    if (text.size() % 2 != 0) {
        host.ShowMessage("Invalid Message format", MsgIcon::None, MsgButtons::Ok);
        return {};
    }
    // Only the first 52 bytes are looked at; anything beyond cannot be part of the field.
    const std::string head = text.substr(0, 2 * kMaxTextBytes);
    std::uint8_t bytes[kMaxTextBytes];
    int count = 0;
    HexToBytes(host, head, bytes, kMaxTextBytes, count);
    std::string result;
    for (int i = 0; i < count && bytes[i] != 0; ++i) result += static_cast<char>(bytes[i]);
    return result;
}

int MakeWord(int high, int low) {
    return (high & 0xFF) * 256 + (low & 0xFF);
}

std::int32_t MakeLong(int b0, int b1, int b2, int b3) {
    const std::string digits = FormatHex(static_cast<std::uint32_t>(b0 & 0xFF), 1) +
                               FormatHex(static_cast<std::uint32_t>(b1 & 0xFF), 1) +
                               FormatHex(static_cast<std::uint32_t>(b2 & 0xFF), 1) +
                               FormatHex(static_cast<std::uint32_t>(b3 & 0xFF), 1);
    return HexToLong(digits);
}

std::string SpaceHexPairs(const std::string& text) {
    if (text.size() <= 2)
        return text;
    std::string spaced = text;
    for (std::size_t pos = 2; pos < spaced.size(); pos += 3) spaced.insert(pos, 1, ' ');
    return spaced;
}

double FreqToMHz(std::int32_t steps) {
    return static_cast<double>(steps) * 5.0 * 0.000001;
}

std::int32_t MHzToFreq(double mhz) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%0.6f", mhz);
    const double hz = std::strtod(buf, nullptr) * 1000000.0;
    // Out-of-range input (never a radio frequency) is clamped instead of overflowing.
    if (!std::isfinite(hz))
        return 0;
    const double truncated = std::trunc(hz);
    const double limit = 5.0 * static_cast<double>(INT32_MAX);
    if (truncated >= limit)
        return INT32_MAX;
    if (truncated <= -limit)
        return INT32_MIN;
    return static_cast<std::int32_t>(static_cast<long long>(truncated) / 5);
}

std::int32_t HexToLong(const std::string& text) {
    // strtol of a 32-bit long: saturates at the ends of the 32-bit range.
    const long long v = std::strtoll(text.c_str(), nullptr, 16);
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

}  // namespace MessageFields
