#include "NumberText.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace NumberText {

namespace {

std::string ToChars(double value, std::chars_format format, int precision) {
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, format, precision);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string();
}

/// The text between leading and trailing blanks, without a leading '+'.
std::string Bare(const std::string& text) {
    std::size_t a = 0, b = text.size();
    while (a < b && std::isspace(static_cast<unsigned char>(text[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(text[b - 1]))) --b;
    if (a < b && text[a] == '+' && (a + 1 == b || text[a + 1] != '-'))
        ++a;
    return text.substr(a, b - a);
}

template <typename T, typename... Format>
bool FromChars(const std::string& text, T& value, Format... format) {
    const std::string t = Bare(text);
    if (t.empty())
        return false;
    T v{};
    const auto result = std::from_chars(t.data(), t.data() + t.size(), v, format...);
    if (result.ec != std::errc() || result.ptr != t.data() + t.size())
        return false;
    value = v;
    return true;
}

}  // namespace

std::string Fixed(double value, int decimals) {
    return ToChars(value, std::chars_format::fixed, decimals);
}

std::string General(double value, int digits) {
    return ToChars(value, std::chars_format::general, digits);
}

bool ParseDouble(const std::string& text, double& value) {
    double v = 0;
    if (!FromChars(text, v, std::chars_format::general) || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool ParseInt(const std::string& text, int& value) {
    return FromChars(text, value);
}

}  // namespace NumberText
