#include <gtest/gtest.h>

#include "screens/SliderColours.h"

using namespace SliderColours;

TEST(SliderColoursTest, NamedColoursAreWindowsColorrefs) {
    EXPECT_EQ(kGreen, 65280u);
    EXPECT_EQ(kRed, 255u);
    EXPECT_EQ(kGrey, 0xC0C0C0u);
    EXPECT_EQ(Rgb(0x12, 0x34, 0x56), 0x00563412u);
    EXPECT_EQ(RedOf(0x00563412), 0x12);
    EXPECT_EQ(GreenOf(0x00563412), 0x34);
    EXPECT_EQ(BlueOf(0x00563412), 0x56);
}

TEST(SliderColoursTest, LightenAndDarkenLeaveAComponentThatWouldOverflowAsItIs) {
    struct Case {
        Colorref in;
        int n;
        Colorref lighter;
        Colorref darker;
    } cases[] = {
        {Rgb(0, 255, 0), 51, Rgb(51, 255, 51), Rgb(0, 204, 0)},  // pure green
        {Rgb(255, 0, 0), 51, Rgb(255, 51, 51), Rgb(204, 0, 0)},  // pure red
        {Rgb(192, 192, 192), 51, Rgb(243, 243, 243), Rgb(141, 141, 141)},
        {Rgb(204, 205, 50), 51, Rgb(255, 205, 101), Rgb(153, 154, 50)},  // exact edges
        {Rgb(51, 50, 0), 51, Rgb(102, 101, 51), Rgb(0, 50, 0)},
        {Rgb(255, 255, 255), 51, Rgb(255, 255, 255), Rgb(204, 204, 204)},
        {Rgb(0, 0, 0), 51, Rgb(51, 51, 51), Rgb(0, 0, 0)},
        {Rgb(10, 20, 30), 0, Rgb(10, 20, 30), Rgb(10, 20, 30)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Lighten(c.in, c.n), c.lighter) << std::hex << c.in;
        EXPECT_EQ(Darken(c.in, c.n), c.darker) << std::hex << c.in;
    }
}

TEST(SliderColoursTest, MixIsTheMeanRoundedDown) {
    EXPECT_EQ(Mix(Rgb(240, 240, 240), Rgb(160, 160, 160)), Rgb(200, 200, 200));
    EXPECT_EQ(Mix(Rgb(1, 2, 255), Rgb(0, 1, 254)), Rgb(0, 1, 254));
}

TEST(SliderColoursTest, PaletteOfAGreenThumb) {
    SystemColours system;
    system.face = Rgb(240, 240, 240);
    system.shadow = Rgb(161, 161, 161);
    system.highlight = Rgb(0, 120, 215);
    system.highlight3d = Rgb(255, 255, 255);
    const Palette p = Derive(kGreen, system);
    EXPECT_EQ(p.base, kGreen);
    EXPECT_EQ(p.light1, Rgb(51, 255, 51));
    EXPECT_EQ(p.light2, Rgb(102, 255, 102));
    EXPECT_EQ(p.dark1, Rgb(0, 204, 0));
    EXPECT_EQ(p.dark2, Rgb(0, 153, 0));
    EXPECT_EQ(p.faceMix, Rgb(200, 200, 200));
    EXPECT_EQ(p.highlight, system.highlight);
    EXPECT_EQ(p.highlight3d, system.highlight3d);
}
