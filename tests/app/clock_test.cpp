#include <gtest/gtest.h>

#include "app/ClockText.h"

struct ClockCase {
    int hour;
    int minute;
    const char* text;
};

class ClockPane : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockPane, ShowsTwelveHourTimeWithoutLeadingZero) {
    const ClockCase& c = GetParam();
    EXPECT_EQ(FormatClockText(c.hour, c.minute).toStdString(), c.text);
}

INSTANTIATE_TEST_SUITE_P(Times, ClockPane,
                         ::testing::Values(ClockCase{0, 5, "0:05"}, ClockCase{0, 0, "0:00"},
                                           ClockCase{12, 30, "12:30"}, ClockCase{13, 7, "1:07"},
                                           ClockCase{9, 59, "9:59"}, ClockCase{23, 59, "11:59"}));
