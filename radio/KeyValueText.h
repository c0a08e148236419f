#pragma once

#include <functional>
#include <string>

/// Text of "key = value" lines, the form of the bench's radio profiles and of the alignment
/// limits file: '#' starts a comment, blank lines are skipped and blanks around the key and
/// the value do not count.
namespace KeyValueText {

/// The text without the blanks at either end.
std::string Trim(const std::string& text);

/// Takes one key and its value; returns why the line is refused, or nothing to go on.
using LineHandler = std::function<std::string(const std::string& key, const std::string& value)>;
/// Says what is wrong with a line that has no '=' (given without its comment and blanks).
using MissingEquals = std::function<std::string(const std::string& line)>;

/// Hands every key and value to take, in order. At the first line take refuses, or one
/// without '=', stops with error "line N: why" and returns false. lines, when given, is the
/// number of lines read.
bool Read(const std::string& text, const LineHandler& take, const MissingEquals& missingEquals,
          std::string& error, int* lines = nullptr);

}  // namespace KeyValueText
