#include "radio/FrameReceiver.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

/// The wire form of a payload: sync, length, payload, checksum.
Bytes Wire(const Bytes& payload) {
    Bytes frame{static_cast<std::uint8_t>(payload.size() >> 8),
                static_cast<std::uint8_t>(payload.size() & 0xFF)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    Bytes wire{CFrameReceiver::kSync};
    wire.insert(wire.end(), frame.begin(), frame.end());
    wire.push_back(CFrameReceiver::Checksum(frame.data(), frame.size()));
    return wire;
}

TEST(FrameReceiverTest, AssemblesAFrameInAnyChunksAndStopsAtItsEnd) {
    Bytes wire = Wire({0x00, 0x12, 0x00, 0xAB});
    wire.push_back(0xA5);  // the start of whatever comes next stays on the line
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, wire.size()}) {
        CFrameReceiver rx;
        std::size_t used = 0;
        while (!rx.Done() && used < wire.size()) {
            const std::size_t n = std::min({chunk, wire.size() - used, rx.Wanted()});
            EXPECT_EQ(rx.Feed(wire.data() + used, n), n);
            used += n;
        }
        EXPECT_EQ(rx.GetState(), CFrameReceiver::State::Complete) << chunk;
        EXPECT_EQ(used, wire.size() - 1) << chunk;
        EXPECT_EQ(rx.Frame(), (Bytes{0x00, 0x04, 0x00, 0x12, 0x00, 0xAB}));
        EXPECT_EQ(rx.Wanted(), 0u);
    }
    CFrameReceiver rx;
    EXPECT_EQ(rx.Feed(wire.data(), wire.size()), wire.size() - 1) << "never reads past the end";
}

TEST(FrameReceiverTest, FaultsFailTheFrameAtOnce) {
    Bytes badChecksum = Wire({0x00, 0x0C, 0x00});
    badChecksum.back() ^= 0x01;
    Bytes tooLong = {0xA5, 0x03, 0xE6};  // 998 payload bytes announced
    struct Case {
        const char* name;
        Bytes input;
        std::size_t capacity;
        CFrameReceiver::Error error;
        std::size_t used;
    } cases[] = {
        {"noise before the sync byte", {0x13, 0xA5}, 1000, CFrameReceiver::Error::BadSync, 1},
        {"length over the limit", tooLong, 1000, CFrameReceiver::Error::TooLong, 3},
        {"length over the capacity", Wire({0x00, 0x0C, 0x00}), 4, CFrameReceiver::Error::TooLong,
         3},
        {"checksum", badChecksum, 1000, CFrameReceiver::Error::BadChecksum, badChecksum.size()},
    };
    for (const auto& c : cases) {
        CFrameReceiver rx(c.capacity);
        EXPECT_EQ(rx.Feed(c.input.data(), c.input.size()), c.used) << c.name;
        EXPECT_EQ(rx.GetState(), CFrameReceiver::State::Failed) << c.name;
        EXPECT_EQ(rx.GetError(), c.error) << c.name;
        EXPECT_EQ(rx.Wanted(), 0u) << c.name;
        rx.Reset();
        const Bytes good = Wire({0x00, 0x0C});
        rx.Feed(good.data(), good.size());
        EXPECT_EQ(rx.GetState(), CFrameReceiver::State::Complete) << "after Reset: " << c.name;
    }
}

TEST(FrameReceiverTest, EmptyPayloadAndWantedCounts) {
    CFrameReceiver rx;
    EXPECT_FALSE(rx.Started());
    EXPECT_EQ(rx.Wanted(), 1u);
    const Bytes wire = Wire({});
    rx.Feed(wire.data(), 1);
    EXPECT_TRUE(rx.Started());
    EXPECT_EQ(rx.Wanted(), 2u);
    rx.Feed(wire.data() + 1, 2);
    EXPECT_EQ(rx.Wanted(), 1u);  // only the checksum
    rx.Feed(wire.data() + 3, 1);
    EXPECT_EQ(rx.GetState(), CFrameReceiver::State::Complete);
    EXPECT_EQ(rx.Frame(), (Bytes{0x00, 0x00}));
}

}  // namespace
