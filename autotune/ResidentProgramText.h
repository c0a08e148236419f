#pragma once

#include <array>
#include <string>
#include <vector>

/// The two fixed texts that automatic tuning installs in the HP8920B, kept as data in this one
/// place: the loader typed into the instrument's IBASIC editor, and the resident program that
/// the loader stores as the file "Quorvin". Also the four direct commands that start it.
namespace ResidentProgramText {

/// One loader item: the spaces that begin it, its text, and what follows it on the wire.
struct LoaderItem {
    int indent;
    const char* text;
    const char* terminator;  ///< CR, or nothing after the two ESC items
};

/// One resident program line: the spaces that begin its text (after the three spaces that
/// follow the line number), the text, and the spaces that end it.
struct ProgramLine {
    int indent;
    const char* text;
    int trailingSpaces;
};

constexpr std::size_t kLoaderItemCount = 46;
constexpr std::size_t kProgramLineCount = 241;
constexpr std::size_t kStartCommandCount = 4;

extern const std::array<LoaderItem, kLoaderItemCount> kLoaderItems;
extern const std::array<ProgramLine, kProgramLineCount> kProgramLines;
/// SCRATCH ALL, MASS STORAGE IS ":MEMORY,0", GET "Quorvin", run.
extern const std::array<const char*, kStartCommandCount> kStartCommands;

/// Index of the start command after which the instrument needs 2000 ms more (GET "Quorvin").
constexpr std::size_t kGetCommandIndex = 2;

/// Loader item i (0-based) as it goes on the wire: indent, text, terminator.
std::string LoaderWireItem(std::size_t i);
/// Program line i (0-based) as it goes on the wire: the number 10 x (i + 1), three spaces,
/// the indent, the text, the trailing spaces and LF.
std::string ProgramWireLine(std::size_t i);
/// Start command i (0-based) followed by CR.
std::string StartWireCommand(std::size_t i);

/// All loader items, then all program lines, as on the wire (for checks and tools).
std::vector<std::string> LoaderWire();
std::vector<std::string> ProgramWire();

}  // namespace ResidentProgramText
