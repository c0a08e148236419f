// The up-down control's delta notification, wrapping and a buddy it does not write to (a
// field of decimal seconds).

#include <gtest/gtest.h>

#include <QtWidgets/QLineEdit>

#include "app/AppTestSupport.h"
#include "screens/SpinButton.h"

namespace {

TEST(SpinButton, ReportsEachDeltaBeforeMovingAndWrapsWhenAsked) {
    EnsureApp();
    QLineEdit seconds("1.08");
    CSpinButton spin;
    spin.SetRange(0, 91);
    spin.SetBuddyInt(false);
    spin.SetBuddy(&seconds);
    std::vector<std::pair<int, int>> seen;  // delta, position before the move
    QObject::connect(&spin, &CSpinButton::DeltaPos,
                     [&](int delta) { seen.emplace_back(delta, spin.Pos()); });
    spin.Step(-1);
    EXPECT_EQ(spin.Pos(), 0);  // clamped without wrapping
    spin.SetWrap(true);
    spin.Step(-1);
    EXPECT_EQ(spin.Pos(), 91);
    spin.Step(+1);
    EXPECT_EQ(spin.Pos(), 0);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{-1, 0}, {-1, 0}, {1, 91}}));
    EXPECT_EQ(seconds.text(), "1.08");  // not a buddy integer: the field is left alone
}

TEST(SpinButton, ABuddyIntegerIsSteppedFromItsTypedNumber) {
    EnsureApp();
    QLineEdit value("40");
    CSpinButton spin;
    spin.SetRange(0, 127);
    spin.SetBuddy(&value);
    int delta = 0;
    QObject::connect(&spin, &CSpinButton::DeltaPos, [&](int d) { delta = d; });
    spin.Step(+1);
    EXPECT_EQ(value.text(), "41");
    EXPECT_EQ(delta, 1);
}

}  // namespace
