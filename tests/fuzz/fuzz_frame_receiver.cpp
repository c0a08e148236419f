// Any bytes off the serial line, fed in pieces of any size: the frame receiver never takes a
// byte past its frame, never holds more than its capacity, and completes only frames that
// are on the line exactly as it returns them, with the right length and checksum; after each
// frame it starts over on the bytes that follow.

#include <cstdint>
#include <cstring>

#include "FuzzCheck.h"
#include "radio/FrameReceiver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // The first byte picks the piece size and the receiver's capacity.
    const std::size_t piece = 1 + (data[0] & 0x0F);
    const std::size_t capacity = (data[0] & 0x80) ? 40 : CFrameReceiver::kMaxPayload + 2;
    data += 1;
    size -= 1;

    CFrameReceiver receiver(capacity);
    std::size_t at = 0;
    std::size_t frameStart = 0;
    while (at < size) {
        const std::size_t offered = piece < size - at ? piece : size - at;
        const std::size_t used = receiver.Feed(data + at, offered);
        FUZZ_CHECK(used > 0 && used <= offered);
        FUZZ_CHECK(receiver.Frame().size() <= capacity);
        at += used;
        if (!receiver.Done()) {
            FUZZ_CHECK(used == offered);
            continue;
        }

        const std::size_t taken = at - frameStart;
        switch (receiver.GetError()) {
            case CFrameReceiver::Error::None: {
                const auto& frame = receiver.Frame();
                const std::size_t length = receiver.PayloadLength();
                FUZZ_CHECK(receiver.GetState() == CFrameReceiver::State::Complete);
                FUZZ_CHECK(receiver.Wanted() == 0);
                FUZZ_CHECK(taken == length + 4);  // sync, two length bytes, payload, checksum
                FUZZ_CHECK(frame.size() == length + 2 && length + 2 <= capacity);
                FUZZ_CHECK(data[frameStart] == CFrameReceiver::kSync);
                FUZZ_CHECK(std::memcmp(frame.data(), data + frameStart + 1, frame.size()) == 0);
                FUZZ_CHECK(CFrameReceiver::Checksum(frame.data(), frame.size()) ==
                           data[frameStart + length + 3]);
                break;
            }
            case CFrameReceiver::Error::BadSync:
                FUZZ_CHECK(taken == 1 && data[frameStart] != CFrameReceiver::kSync);
                break;
            case CFrameReceiver::Error::TooLong:
                FUZZ_CHECK(taken == 3);
                break;
            case CFrameReceiver::Error::BadChecksum:
                FUZZ_CHECK(taken == receiver.PayloadLength() + 4);
                break;
        }
        receiver.Reset();
        frameStart = at;
    }
    return 0;
}
