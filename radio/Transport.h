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

/// Looks at the reply payload of an exchange that went through: empty when the radio did
/// what was asked, otherwise the message saying what it refused. A refused request fails
/// (status E_RADIO_REFUSED) with that message in place of the communication failure message,
/// but the link stays: the radio answered, so the next request may go to it. The refusal is a
/// failure chain of its own (its message is shown unless the chain's message was shown already;
/// the next exchange starts a new chain).
using ReplyCheck = std::function<std::string(const std::string& replyPayload)>;

/// Highest COM port number a port mask can carry.
constexpr int kMaxComNumber = 4095;

/// Creates and opens the component; starts a new failure chain (clears m_commErrorShown).
/// A port name that begins with 'C' but is no COMn
/// (1 to kMaxComNumber) is refused without opening anything. On failure, m_connectFailure
/// says why when that is known (ReportConnectFailure shows it).
HRESULT Connect(CRadioLink& link);
/// Shows why the last Connect failed, when known, as the failure chain's one message
/// (sets m_commErrorShown); false when there was nothing to say.
bool ReportConnectFailure(CRadioLink& link);
std::uint32_t PortMask(CRadioLink& link);
void RefreshPort(CRadioLink& link);
HRESULT VerifyRadio(CRadioLink& link, const ModelCheck& checkModel);
/// One request for one reply. A failure the component can name (a hung-up line) is shown
/// with its reason as the chain's one message instead of the communication failure message.
HRESULT Exchange(CRadioLink& link, const std::string& request, std::string& reply,
                 std::int32_t timeoutMs, const ReplyCheck& check = {});
std::string FrameRequest(const std::string& payload);
std::string UnframeReply(const std::string& frame);
void Disconnect(CRadioLink& link);

/// The process-wide log sequence counter (starts at 1, never reset by the system).
std::int32_t LogSequence();
/// For tests only: puts the counter back to a value.
void ResetLogSequenceForTest(std::int32_t value = 1);

}  // namespace Transport
