#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "HResult.h"

/// Open mode for a serial port (the port number travels in the port mask).
constexpr std::int32_t RADIOCOMM_MODE_SERIAL = 4;
/// Open mode for any other device (its name travels as the third argument).
constexpr std::int32_t RADIOCOMM_MODE_DEVICE = 8;

/// Counters of what a component put on and took off the wire.
struct RadioWireStats {
    std::uint64_t transactions = 0;
    std::uint64_t bytesSent = 0;
    std::uint64_t bytesReceived = 0;
};

/// The radio communication component: carries one request frame to the radio and brings
/// back its whole reply frame (two length bytes first). Releasing it is destroying it.
class IRadioComm {
public:
    virtual ~IRadioComm() = default;

    /// Sends the request frame and waits at most timeoutMs for the reply frame.
    /// replyLen is the reply capacity on entry and the number of bytes written on return.
    /// A time-out of -1 means a short bounded wait. Negative on any failure.
    virtual HRESULT Transact(const std::uint8_t* request, std::int32_t requestLen,
                             std::int32_t timeoutMs, std::uint8_t* reply,
                             std::int32_t* replyLen) = 0;

    /// Opens the link: mode 4 with the port mask of a COM port, or mode 8 with the name of
    /// another device (a device path). Negative when it cannot.
    virtual HRESULT Open(std::int32_t mode, std::uint32_t portMask, const char* device) = 0;

    /// Closes the link; the result is ignored by callers.
    virtual HRESULT Close() = 0;

    /// Why the last Open or Transact failed, naming the device, when the component knows
    /// it (the port cannot be opened, the line hung up); empty for a time-out, a malformed
    /// reply or when it does not know.
    virtual std::string FailureReason() const { return {}; }

    /// What went over the wire so far.
    virtual RadioWireStats WireStats() const { return {}; }
};

/// Creates a component, or fails like CoCreateInstance with a negative status.
using RadioCommFactory = std::function<HRESULT(std::unique_ptr<IRadioComm>& out)>;
