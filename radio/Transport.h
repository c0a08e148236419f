#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "HResult.h"
#include "RadioLink.h"

/// Carries requests to the radio and replies back for one document's link.
namespace Transport {

/// Time-out every caller passes, except the exit-test-mode request on close (-1).
constexpr std::int32_t kExchangeTimeoutMs = 3000;

/// The model check run on the reply to the model identifier read; true when supported.
using ModelCheck = std::function<bool(const std::string& replyPayload)>;

HRESULT Connect(CRadioLink& link);
std::uint32_t PortMask(CRadioLink& link);
void RefreshPort(CRadioLink& link);
HRESULT VerifyRadio(CRadioLink& link, const ModelCheck& checkModel);
HRESULT Exchange(CRadioLink& link, const std::string& request, std::string& reply,
                 std::int32_t timeoutMs);
std::string FrameRequest(const std::string& payload);
std::string UnframeReply(const std::string& frame);
void Disconnect(CRadioLink& link);

/// The process-wide log sequence counter (starts at 1, never reset by the system).
std::int32_t LogSequence();
/// For tests only: puts the counter back to a value.
void ResetLogSequenceForTest(std::int32_t value = 1);

}  // namespace Transport
