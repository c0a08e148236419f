#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

/// Assembles one frame of the radio's serial wire format from bytes as they arrive:
///
///     0xA5  LEN_HI LEN_LO  PAYLOAD[LEN]  CHK
///
/// LEN is the 16-bit big-endian payload length and CHK makes the 8-bit sum of LEN_HI, LEN_LO,
/// the payload and CHK zero. The receiver never asks for a byte beyond the end of its frame
/// (Wanted), so whatever follows stays on the line. A first byte other than the sync byte, a
/// length over the limit or the capacity, or a bad checksum fails the frame at once.
class CFrameReceiver {
public:
    static constexpr std::uint8_t kSync = 0xA5;
    /// Longest payload a frame may carry (the frame then fills the 1000-byte buffers).
    static constexpr std::size_t kMaxPayload = 997;

    enum class State { Sync, Length, Body, Complete, Failed };
    enum class Error { None, BadSync, TooLong, BadChecksum };

    /// capacity: the most bytes of message frame (length bytes and payload) the caller takes.
    explicit CFrameReceiver(std::size_t capacity = kMaxPayload + 2);

    /// Starts over for the next frame.
    void Reset();

    /// Takes bytes in order and returns how many it used; it stops at the end of the frame
    /// or at the first fault.
    std::size_t Feed(const std::uint8_t* data, std::size_t size);

    /// Bytes still needed to finish the frame (0 when complete or failed).
    std::size_t Wanted() const;

    State GetState() const { return m_state; }
    Error GetError() const { return m_error; }
    bool Done() const { return m_state == State::Complete || m_state == State::Failed; }
    /// Whether the sync byte has arrived (later bytes are held to the inter-byte gap).
    bool Started() const { return m_state != State::Sync; }

    /// The message frame: the two length bytes, then the payload (whole once Complete).
    const std::vector<std::uint8_t>& Frame() const { return m_frame; }
    /// Payload length announced by the frame (valid from the Body state on).
    std::size_t PayloadLength() const { return m_length; }

    /// Checksum byte for a frame's length and payload bytes.
    static std::uint8_t Checksum(const std::uint8_t* bytes, std::size_t count);

private:
    void Fail(Error error);

    std::size_t m_capacity;
    State m_state = State::Sync;
    Error m_error = Error::None;
    std::size_t m_length = 0;
    std::uint8_t m_sum = 0;
    std::vector<std::uint8_t> m_frame;
};
