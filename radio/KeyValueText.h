#pragma once

#include <cstddef>
#include <functional>
#include <string>

/// Text of "key = value" lines, the form of the bench's radio profiles and of the alignment
/// limits file: '#' starts a comment, blank lines are skipped, blanks around the key and the
/// value do not count, and a UTF-8 byte-order mark at the start (as some editors write) is
/// skipped.
namespace KeyValueText {

/// The text without the blanks at either end.
std::string Trim(const std::string& text);

/// A piece of a line for an error message, in double quotes: at most max characters (then
/// "..."), control characters shown as '?', so that a long or binary line does not come back
/// whole.
std::string Quote(const std::string& text, std::size_t max = 40);

/// Takes one key and its value; returns why the line is refused, or nothing to go on.
using LineHandler = std::function<std::string(const std::string& key, const std::string& value)>;
/// The same with the number of the line (from 1), for rules that refer to other lines.
using NumberedLineHandler =
    std::function<std::string(const std::string& key, const std::string& value, int line)>;
/// Says what is wrong with a line that has no '=' (given without its comment and blanks).
using MissingEquals = std::function<std::string(const std::string& line)>;

/// Hands every key and value to take, in order. At the first line take refuses, or one
/// without '=', stops with error "line N: why" and returns false. lines, when given, is the
/// number of lines read.
bool Read(const std::string& text, const LineHandler& take, const MissingEquals& missingEquals,
          std::string& error, int* lines = nullptr);
bool ReadNumbered(const std::string& text, const NumberedLineHandler& take,
                  const MissingEquals& missingEquals, std::string& error, int* lines = nullptr);

}  // namespace KeyValueText
