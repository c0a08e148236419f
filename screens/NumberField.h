#pragma once

#include <string>

class IHost;
class QLineEdit;

/// Number fields of the screens: what text they take and the messages they give for other
/// text, so that a field that is not a number never reaches the radio as 0.
namespace NumberField {

constexpr const char* kNotANumber = "Please enter a number.";
constexpr const char* kNotAnInteger = "Please enter an integer.";
/// "Please enter an integer between 0 and 255."
std::string IntegerRangeText(int lower, int upper);

/// Reads a field as a number. Text that is not one shows kNotANumber (exclamation icon),
/// puts the focus back on the field with its text selected and returns false; value is left
/// alone then.
bool ReadDouble(IHost& host, QLineEdit& field, double& value);
/// The same for a whole number (kNotAnInteger).
bool ReadInt(IHost& host, QLineEdit& field, int& value);
/// Shows the range message of a whole-number field and puts the focus back on it.
void RefuseRange(IHost& host, QLineEdit& field, int lower, int upper);

}  // namespace NumberField
