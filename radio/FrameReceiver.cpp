#include "FrameReceiver.h"

CFrameReceiver::CFrameReceiver(std::size_t capacity) : m_capacity(capacity) {
    m_frame.reserve(kMaxPayload + 2);
}

void CFrameReceiver::Reset() {
    m_state = State::Sync;
    m_error = Error::None;
    m_length = 0;
    m_sum = 0;
    m_frame.clear();
}

void CFrameReceiver::Fail(Error error) {
    m_state = State::Failed;
    m_error = error;
}

std::size_t CFrameReceiver::Wanted() const {
    switch (m_state) {
        case State::Sync:
            return 1;
        case State::Length:
            return 2 - m_frame.size();
        case State::Body:
            // The payload and the checksum byte after it.
            return m_length + 2 + 1 - m_frame.size();
        default:
            return 0;
    }
}

std::size_t CFrameReceiver::Feed(const std::uint8_t* data, std::size_t size) {
    std::size_t used = 0;
    while (used < size && !Done()) {
        const std::uint8_t b = data[used++];
        switch (m_state) {
            case State::Sync:
                if (b != kSync) {
                    Fail(Error::BadSync);
                } else {
                    m_state = State::Length;
                }
                break;
            case State::Length:
                m_frame.push_back(b);
                m_sum = static_cast<std::uint8_t>(m_sum + b);
                if (m_frame.size() == 2) {
                    m_length = (static_cast<std::size_t>(m_frame[0]) << 8) | m_frame[1];
                    if (m_length > kMaxPayload || m_length + 2 > m_capacity) {
                        Fail(Error::TooLong);
                    } else {
                        m_state = State::Body;
                    }
                }
                break;
            case State::Body:
                m_sum = static_cast<std::uint8_t>(m_sum + b);
                if (m_frame.size() < m_length + 2) {
                    m_frame.push_back(b);
                } else if (m_sum != 0) {  // b was the checksum byte
                    Fail(Error::BadChecksum);
                } else {
                    m_state = State::Complete;
                }
                break;
            default:
                break;
        }
    }
    return used;
}

std::uint8_t CFrameReceiver::Checksum(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
    return static_cast<std::uint8_t>(0x100 - sum);
}
