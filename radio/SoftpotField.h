#pragma once

#include <string>

/// The value field of a softpot in the set and program requests, and the feature's name.
namespace SoftpotField {

/// Bytes of one value: 2 for the deviation limit (type 5) and for the reference oscillator
/// (type 0) of a family-2 radio, 1 for every other type.
int Bytes(int type, int modelFamily);

/// Largest value the field holds (255 or 65535); the smallest is 0.
int Max(int type, int modelFamily);

/// Upper end of the range a tuning screen offers for a type on a radio of this model family
/// (the lower end is 0): narrower than the field for most types.
int TuningMax(int type, int modelFamily);

/// Whether the value fits the field without losing bits.
bool Fits(int type, int modelFamily, int value);

/// The feature's name as the technician knows it ("Tx Power Mid", "Tx Deviation Limit");
/// the level picks the Tx Power level (1 Low, 2 Mid, 3 High; anything else gives "Tx Power").
std::string Name(int type, int level = 0);

/// The message that refuses a value outside its field (nothing is sent with it).
std::string OutOfFieldText(const std::string& feature, int value, int type, int modelFamily);

}  // namespace SoftpotField
