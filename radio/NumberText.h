#pragma once

#include <string>

/// Numbers as the tuner's screens, files and command line write and read them: always with a
/// decimal point, whatever the user's locale (the windowing library sets the C library's
/// locale from it, which would turn printf's and strtod's point into a comma).
namespace NumberText {

/// printf "%.*f": fixed notation with this many decimals.
std::string Fixed(double value, int decimals);
/// printf "%.*g": the shorter of fixed and exponent notation with this many significant
/// digits, trailing zeros dropped (15 for a double field, 6 for a float one).
std::string General(double value, int digits);

/// A decimal number with optional sign and blanks around it ("851.0125", " -1e3 "); false for
/// empty text, other characters, infinities and NaN.
bool ParseDouble(const std::string& text, double& value);
/// A whole number with optional sign and blanks around it; false for anything else,
/// including numbers beyond the int range.
bool ParseInt(const std::string& text, int& value);

}  // namespace NumberText
