#include "radio/KeyValueText.h"

#include <cctype>
#include <sstream>

namespace KeyValueText {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

std::string Trim(const std::string& text) {
    std::size_t a = 0, b = text.size();
    while (a < b && std::isspace(static_cast<unsigned char>(text[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(text[b - 1]))) --b;
    return text.substr(a, b - a);
}

std::string Quote(const std::string& text, std::size_t max) {
    std::size_t end = text.size();
    if (end > max) {
        end = max;
        // Not in the middle of a UTF-8 character.
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    }
    std::string out = "\"";
    for (std::size_t i = 0; i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += c < 0x20 || c == 0x7F ? '?' : text[i];
    }
    if (end < text.size())
        out += "...";
    return out + "\"";
}

bool Read(const std::string& text, const LineHandler& take, const MissingEquals& missingEquals,
          std::string& error, int* lines) {
    return ReadNumbered(
        text,
        [&take](const std::string& key, const std::string& value, int) { return take(key, value); },
        missingEquals, error, lines);
}

bool ReadNumbered(const std::string& text, const NumberedLineHandler& take,
                  const MissingEquals& missingEquals, std::string& error, int* lines) {
    const bool marked = text.rfind(kByteOrderMark, 0) == 0;
    std::istringstream in(marked ? text.substr(sizeof kByteOrderMark - 1) : text);
    std::string line;
    int lineNo = 0;
    bool ok = true;
    while (ok && std::getline(in, line)) {
        ++lineNo;
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        line = Trim(line);
        if (line.empty())
            continue;
        const std::size_t eq = line.find('=');
        const std::string why = eq == std::string::npos ? missingEquals(line)
                                                        : take(Trim(line.substr(0, eq)),
                                                               Trim(line.substr(eq + 1)), lineNo);
        if (!why.empty()) {
            error = "line " + std::to_string(lineNo) + ": " + why;
            ok = false;
        }
    }
    if (lines != nullptr)
        *lines = lineNo;
    return ok;
}

}  // namespace KeyValueText
