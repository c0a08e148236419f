#include "autotune/Measurement.h"

#include <gtest/gtest.h>

#include <string>

#include "autotune/TestSetLink.h"

namespace {

TestSetReading Reply(const std::string& a, const std::string& b, const std::string& c,
                     ReplyStatus status = ReplyStatus::Complete) {
    TestSetReading r;
    r.field1 = a;
    r.field2 = b;
    r.field3 = c;
    r.status = status;
    return r;
}

// Only a complete reply whose field is a whole, finite number in its quantity's range is a
// measurement; everything else says why.
TEST(Measurement, IsMadeOnlyFromAValidatedField) {
    const std::string freq = " 8.51012500E+008", watts = " 2.50300000E+000",
                      dev = " 2.99800000E+003", error = "-3.00000000E+000";
    const struct {
        const char* what;
        TestSetReading reply;
        Quantity quantity;
        bool valid;
        double value;
        const char* why;  ///< the start of the reason
    } cases[] = {
        {"power", Reply(freq, watts, dev), Quantity::Power, true, 2.503, ""},
        {"frequency error", Reply(error, watts, dev), Quantity::FrequencyError, true, -3.0, ""},
        {"deviation", Reply(freq, watts, dev), Quantity::Deviation, true, 2998.0, ""},
        {"tune frequency", Reply(freq, watts, dev), Quantity::TuneFrequency, true, 851.0125e6, ""},
        {"no number", Reply(freq, "ZZZZZZZZZZZZZZZZ", dev), Quantity::Power, false, 0,
         "the HP8920B's power \"ZZZZZZZZZZZZZZZZ\" is not a number"},
        {"a broken exponent", Reply(freq, "1.48200000En001", dev), Quantity::Power, false, 0,
         "the HP8920B's power \"1.48200000En001\" is not a number"},
        {"empty", Reply(freq, "", dev), Quantity::Power, false, 0, "the HP8920B's power \"\""},
        {"no measurement", Reply(" 9.91000000E+037", watts, dev), Quantity::FrequencyError, false,
         0, "the HP8920B's frequency error \" 9.91000000E+037\" is no measurement"},
        {"kilowatts", Reply(freq, " 2.50000000E+003", dev), Quantity::Power, false, 0,
         "the HP8920B's power"},
        {"negative power", Reply(freq, "-1.00000000E+000", dev), Quantity::Power, false, 0,
         "the HP8920B's power"},
        {"another field is no number", Reply(freq, watts, "C\r\b\r\n 8.5101"), Quantity::Power,
         false, 0, "the HP8920B reading was incorrect (its value 3 "},
        {"short", Reply(freq, watts, "", ReplyStatus::Short), Quantity::Power, false, 0,
         "the HP8920B reading was incorrect"},
        {"no answer", Reply("", "", "", ReplyStatus::NoAnswer), Quantity::Power, false, 0,
         "the HP8920B did not answer"},
        {"stopped", Reply("", "", "", ReplyStatus::Stopped), Quantity::Power, false, 0, "stopped"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string why;
        const std::optional<CMeasurement> m = CMeasurement::FromReply(c.reply, c.quantity, why);
        ASSERT_EQ(m.has_value(), c.valid) << why;
        if (c.valid) {
            EXPECT_DOUBLE_EQ(m->Value(), c.value);
            EXPECT_EQ(m->What(), c.quantity);
        } else {
            EXPECT_EQ(why.rfind(c.why, 0), 0u) << why;
            EXPECT_LT(why.size(), 140u) << "a long field is quoted short";
        }
    }
}

TEST(Measurement, ALongFieldIsQuotedShortAndWithoutControlCharacters) {
    std::string why;
    EXPECT_FALSE(
        CMeasurement::FromField(std::string(10000, 'Z') + "\x1b[2J", Quantity::Power, why));
    EXPECT_LT(why.size(), 100u);
    EXPECT_EQ(why.find('\x1b'), std::string::npos);
}

}  // namespace
