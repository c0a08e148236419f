#include "BerReply.h"

#include <cstdio>
#include <cstdlib>

#include "IntegrationTime.h"
#include "radio/NumberText.h"

namespace {

constexpr std::size_t kUnusedChars = 4;
constexpr std::size_t kStatusChars = 2;
constexpr std::size_t kRecordChars = 10;

long HexField(const std::string& text, std::size_t at, std::size_t length) {
    return std::strtol(text.substr(at, length).c_str(), nullptr, 16);
}

}  // namespace

std::optional<BerResult> LatestBerResult(const std::string& reply) {
    if (reply.size() < kUnusedChars + kStatusChars ||
        reply.compare(kUnusedChars, kStatusChars, "00") != 0)
        return std::nullopt;
    const std::string records = reply.substr(kUnusedChars + kStatusChars);
    for (std::size_t n = records.size() / kRecordChars; n > 0; --n) {
        const std::size_t at = (n - 1) * kRecordChars;
        const int tag = static_cast<int>(HexField(records, at, 2));
        if (tag == 0)
            continue;
        BerResult result;
        result.tag = tag;
        result.sync = records.compare(at + 2, 2, "00") == 0;
        result.errors = HexField(records, at + 4, 6);
        return result;
    }
    return std::nullopt;
}

std::string BerErrorText(long errors) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3ld", errors);
    return text;
}

std::string BerRateText(long errors, int frames) {
    const double bits = static_cast<double>(frames) * IntegrationTime::kBitsPerFrame;
    const double rate = bits > 0 ? (static_cast<double>(errors) * 100.0) / bits : 0.0;
    return NumberText::Fixed(rate, 3);
}
