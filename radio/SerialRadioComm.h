#pragma once

#include <cstdint>
#include <string>

#include "FrameReceiver.h"
#include "IRadioComm.h"
#include "PortMap.h"

/// The radio communication component over a serial line (POSIX termios, 8N1).
///
/// Wire format of one frame, in both directions (CFrameReceiver reads it):
///
///     0xA5  LEN_HI LEN_LO  PAYLOAD[LEN]  CHK
///
/// LEN is the 16-bit big-endian payload length (the radio message frame: length then
/// payload), and CHK makes the 8-bit sum of LEN_HI, LEN_LO, the payload and CHK zero.
/// LEN never exceeds 997, so a frame never needs more than the 1000-byte buffers.
/// A reply that does not begin with 0xA5, whose length is too large, whose checksum fails or
/// that stops arriving (inter-byte gap) is rejected with a negative status; no partial reply
/// is ever handed back. A line that hangs up fails the exchange at once.
///
/// A reply belongs to its request: input waiting before a request is discarded, a reply whose
/// opcode is not the request's (a late answer to an earlier request) is skipped, and after an
/// exchange was abandoned (time-out, broken reply) the next request on the same device first
/// drains what is still arriving of the old reply.
class CSerialRadioComm : public IRadioComm {
public:
    static constexpr std::uint8_t kSync = CFrameReceiver::kSync;
    static constexpr int kMaxPayload = static_cast<int>(CFrameReceiver::kMaxPayload);
    /// Longest gap between two bytes of one reply.
    static constexpr int kInterByteTimeoutMs = 250;
    /// Wait used for a time-out of -1 (the exit-test-mode request on close).
    static constexpr int kShortTimeoutMs = 500;
    /// How long after a timed-out exchange a late reply is still drained before the next
    /// request goes out (after a broken reply: the inter-byte gap); longer while its bytes
    /// keep arriving, up to kMaxDrainMs. A reply later still is skipped by its opcode.
    static constexpr int kLateReplyMs = 500;
    static constexpr int kMaxDrainMs = 2000;

    explicit CSerialRadioComm(CPortMap portMap, int baud = 9600);
    ~CSerialRadioComm() override;

    HRESULT Transact(const std::uint8_t* request, std::int32_t requestLen, std::int32_t timeoutMs,
                     std::uint8_t* reply, std::int32_t* replyLen) override;
    HRESULT Open(std::int32_t mode, std::uint32_t portMask, const char* device) override;
    HRESULT Close() override;
    std::string FailureReason() const override { return m_failureReason; }
    RadioWireStats WireStats() const override { return m_stats; }

    /// Port number that a port mask of Open selects (1 for 0x1007, 3 for 0x4007, ...).
    static int ComNumberFromMask(std::uint32_t portMask);
    /// Checksum byte for a frame's length and payload bytes.
    static std::uint8_t Checksum(const std::uint8_t* bytes, std::size_t count);

    /// Device path that the last Open used (empty before).
    const std::string& DevicePath() const { return m_devicePath; }
    /// Replies skipped because they answered another request.
    int StaleRepliesSkipped() const { return m_staleReplies; }

private:
    HRESULT Fail(HRESULT hr, std::string reason);

    CPortMap m_portMap;
    int m_baud;
    int m_fd = -1;
    std::string m_devicePath;
    std::string m_where;  ///< the port as the technician knows it, with its device
    std::string m_failureReason;
    int m_staleReplies = 0;
    RadioWireStats m_stats;
};

class IHost;

/// Factory that makes serial components with this port map and baud rate. The host is not
/// used: the components show nothing and carry their failures up through FailureReason.
RadioCommFactory MakeSerialRadioCommFactory(IHost& host, CPortMap portMap, int baud = 9600);
