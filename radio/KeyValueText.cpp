#include "radio/KeyValueText.h"

#include <cctype>
#include <sstream>

namespace KeyValueText {

std::string Trim(const std::string& text) {
    std::size_t a = 0, b = text.size();
    while (a < b && std::isspace(static_cast<unsigned char>(text[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(text[b - 1]))) --b;
    return text.substr(a, b - a);
}

bool Read(const std::string& text, const LineHandler& take, const MissingEquals& missingEquals,
          std::string& error, int* lines) {
    std::istringstream in(text);
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
        const std::string why = eq == std::string::npos
                                    ? missingEquals(line)
                                    : take(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
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
