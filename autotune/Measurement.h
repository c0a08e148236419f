#pragma once

#include <optional>
#include <string>

struct TestSetReading;

/// What a field of the test set's measurement reply stands for.
enum class Quantity {
    FrequencyError,  ///< field 1 of a manual measurement, Hz
    TuneFrequency,   ///< field 1 of an automatic measurement, Hz
    Power,           ///< field 2, W
    Deviation,       ///< field 3, FM deviation in Hz
};

/// A reading of the test set that the tuning may use: it can only be made from a complete
/// reply (all of its bytes, and three values that are numbers) whose field parses whole as a
/// finite number within its quantity's plausible range.
/// A short reply, a field that is no number ("ZZZZ", "1.482En001"), the instrument's "no
/// measurement" value (9.91E+37) or a value no radio on the bench can give is no measurement,
/// and says why.
class CMeasurement {
public:
    /// The measurement of a quantity in a reply, or nothing with why.
    static std::optional<CMeasurement> FromReply(const TestSetReading& reply, Quantity quantity,
                                                 std::string& why);
    /// The measurement of a quantity in one field's text, or nothing with why.
    static std::optional<CMeasurement> FromField(const std::string& text, Quantity quantity,
                                                 std::string& why);

    double Value() const { return m_value; }
    Quantity What() const { return m_quantity; }

    /// The reply field a quantity is read from: 1, 2 or 3.
    static int Field(Quantity quantity);
    /// "Hz" or "W".
    static const char* Unit(Quantity quantity);
    /// How the messages name it ("frequency error").
    static const char* Name(Quantity quantity);
    /// The range a real reading of the quantity lies in.
    static bool Plausible(Quantity quantity, double value);

private:
    CMeasurement(Quantity quantity, double value) : m_quantity(quantity), m_value(value) {}

    Quantity m_quantity;
    double m_value;
};
