// Integration time and number of frames of the bit error rate test.

#include <gtest/gtest.h>

#include "performance/core/IntegrationTime.h"

namespace {

using namespace IntegrationTime;

TEST(IntegrationTime, TypedTimesBecomeWholeFrames) {
    const struct {
        float typed;
        float time;
        int frames;
    } cases[] = {
        {1.0f, 1.08f, 3},   {100.0f, 91.8f, 255}, {0.0f, 0.36f, 1},    {-4.0f, 0.36f, 1},
        {0.36f, 0.36f, 1},  {0.5f, 0.72f, 2},     {91.8f, 91.8f, 255}, {91.5f, 91.8f, 255},
        {10.8f, 10.8f, 30}, {10.81f, 11.16f, 31},
    };
    for (const auto& c : cases) {
        float time = c.typed;
        EXPECT_EQ(CheckTime(time), c.frames) << c.typed;
        EXPECT_FLOAT_EQ(time, c.time) << c.typed;
    }
}

TEST(IntegrationTime, FramesOutsideOneTo255BecomeTheLongestTest) {
    const struct {
        int typed;
        int frames;
        float time;
    } cases[] = {{0, 255, 91.8f}, {300, 255, 91.8f}, {-1, 255, 91.8f},
                 {1, 1, 0.36f},   {3, 3, 1.08f},     {255, 255, 91.8f}};
    for (const auto& c : cases) {
        int frames = c.typed;
        float time = 5.0f;
        CheckFrames(frames, time);
        EXPECT_EQ(frames, c.frames) << c.typed;
        EXPECT_FLOAT_EQ(time, c.time) << c.typed;
    }
}

TEST(IntegrationTime, SpinStepsAndWrapsBothWays) {
    const struct {
        float time;
        int delta;
        float after;
        int frames;
    } cases[] = {
        {0.36f, -1, 91.8f, 255},  // down at the bottom wraps
        {91.8f, 1, 0.36f, 1},     // up at the top wraps
        {0.36f, 1, 0.72f, 2},
        {91.8f, -1, 91.44f, 254},
        {91.44f, 1, 91.8f, 255},
        {1.0f, 1, 1.44f, 4},    // raised to 1.08 first
        {100.0f, 1, 0.36f, 1},  // outside the range: 91.8 first
        {0.1f, -1, 91.44f, 254},
        // Held arrows: larger deltas add delta - 1 (up) or delta + 1 (down) seconds.
        {0.36f, 5, 4.36f, 12},
        {10.8f, -5, 6.8f, 18},
        {90.0f, 5, 0.36f, 1},     // past the top wraps
        {2.16f, -5, 91.8f, 255},  // past the bottom wraps
    };
    for (const auto& c : cases) {
        float time = c.time;
        EXPECT_EQ(Spin(time, c.delta), c.frames) << c.time << " by " << c.delta;
        EXPECT_FLOAT_EQ(time, c.after) << c.time << " by " << c.delta;
    }
}

TEST(IntegrationTime, FullTurnsOfTheSpinKeepWholeFrames) {
    // Hundreds of single steps in single precision must neither drift off the frame
    // multiples nor reach 0 frames on the way down.
    for (int delta : {1, -1}) {
        float time = kMinTime;
        int frames = 1;
        for (int step = 0; step < 3 * kMaxFrames; ++step) {
            const int next = Spin(time, delta);
            const int expected = delta > 0 ? (frames == kMaxFrames ? 1 : frames + 1)
                                           : (frames == 1 ? 255 : frames - 1);
            ASSERT_EQ(next, expected) << "step " << step << " delta " << delta << " time " << time;
            frames = next;
        }
    }
}

}  // namespace
