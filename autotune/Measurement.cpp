#include "autotune/Measurement.h"

#include <cmath>

#include "autotune/TestSetLink.h"
#include "radio/NumberText.h"

namespace {

/// The widest ranges a portable radio's transmitter, seen by the instrument, can give.
constexpr double kMaxFrequencyErrorHz = 100000.0;  // the analyzer's capture range
constexpr double kMinTuneFrequencyHz = 1.0e6;
constexpr double kMaxTuneFrequencyHz = 2.5e9;
constexpr double kMaxPowerW = 60.0;
constexpr double kMaxDeviationHz = 50000.0;

/// A field as the messages quote it: at most a few dozen characters.
std::string Quote(const std::string& text) {
    constexpr std::size_t kMax = 24;
    std::string t = text.size() > kMax ? text.substr(0, kMax) + "..." : text;
    for (char& c : t) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e)
            c = '?';
    }
    return "\"" + t + "\"";
}

}  // namespace

int CMeasurement::Field(Quantity quantity) {
    switch (quantity) {
        case Quantity::FrequencyError:
        case Quantity::TuneFrequency:
            return 1;
        case Quantity::Power:
            return 2;
        case Quantity::Deviation:
            return 3;
    }
    return 1;
}

const char* CMeasurement::Unit(Quantity quantity) {
    return quantity == Quantity::Power ? "W" : "Hz";
}

const char* CMeasurement::Name(Quantity quantity) {
    switch (quantity) {
        case Quantity::FrequencyError:
            return "frequency error";
        case Quantity::TuneFrequency:
            return "tune frequency";
        case Quantity::Power:
            return "power";
        case Quantity::Deviation:
            return "FM deviation";
    }
    return "reading";
}

bool CMeasurement::Plausible(Quantity quantity, double value) {
    if (!std::isfinite(value))
        return false;
    switch (quantity) {
        case Quantity::FrequencyError:
            return std::fabs(value) <= kMaxFrequencyErrorHz;
        case Quantity::TuneFrequency:
            return value >= kMinTuneFrequencyHz && value <= kMaxTuneFrequencyHz;
        case Quantity::Power:
            return value >= 0.0 && value <= kMaxPowerW;
        case Quantity::Deviation:
            return value >= 0.0 && value <= kMaxDeviationHz;
    }
    return false;
}

std::optional<CMeasurement> CMeasurement::FromField(const std::string& text, Quantity quantity,
                                                    std::string& why) {
    double value = 0.0;
    if (!NumberText::ParseDouble(text, value)) {
        why =
            std::string("the HP8920B's ") + Name(quantity) + " " + Quote(text) + " is not a number";
        return std::nullopt;
    }
    if (!Plausible(quantity, value)) {
        why = std::string("the HP8920B's ") + Name(quantity) + " " + Quote(text) +
              " is no measurement of a radio (out of range)";
        return std::nullopt;
    }
    return CMeasurement(quantity, value);
}

std::optional<CMeasurement> CMeasurement::FromReply(const TestSetReading& reply, Quantity quantity,
                                                    std::string& why) {
    switch (reply.status) {
        case ReplyStatus::Complete:
            break;
        case ReplyStatus::Short:
            why = "the HP8920B reading was incorrect (its reply was cut short)";
            return std::nullopt;
        case ReplyStatus::NoAnswer:
            why = "the HP8920B did not answer";
            return std::nullopt;
        case ReplyStatus::Stopped:
            why = "stopped";
            return std::nullopt;
    }
    // Complete means three values: a reply with a field that is no number (the start of
    // another reply, line noise) is not one reply, whatever its length.
    const std::string* fields[] = {&reply.field1, &reply.field2, &reply.field3};
    const int field = Field(quantity);
    for (int i = 1; i <= 3; ++i) {
        double value = 0.0;
        if (i != field && !NumberText::ParseDouble(*fields[i - 1], value)) {
            why = "the HP8920B reading was incorrect (its value " + std::to_string(i) + " " +
                  Quote(*fields[i - 1]) + " is not a number)";
            return std::nullopt;
        }
    }
    return FromField(*fields[field - 1], quantity, why);
}
