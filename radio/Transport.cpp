#include "Transport.h"

#include <array>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <fstream>

#include "MessageFields.h"
#include "PortMap.h"

namespace Transport {

namespace {

/// Capacity of the request and of the reply buffer of one exchange, length bytes included.
constexpr std::size_t kFrameBytes = 1000;

constexpr const char* kCommFailedText =
    "Communication with the radio failed. Please Read the Radio Again!";

/// The frame of the exit-test-mode request; its failure is never reported.
constexpr const char* kExitTestModeFrame = "0002000D";

/// Shared by all documents: every log line takes the next number.
std::atomic<std::int32_t> g_logSequence{1};

/// Milliseconds of a log line: at least nine digits, the clock's full unsigned range.
std::string FormatMilliseconds(std::uint32_t ms) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%09u", static_cast<unsigned>(ms));
    return buf;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

/// COMn with n from 1 to kMaxComNumber (the letters in any case, as the port map reads them).
bool IsComPortName(const std::string& name) {
    const int n = CPortMap::ComNumber(name);
    return n >= 1 && n <= kMaxComNumber;
}

/// Closes and releases the component of a link that a failure drops.
void DropConnection(CRadioLink& link) {
    if (link.m_radio == nullptr || !link.m_componentOpen)
        return;
    CWaitCursor wait(link.Host());
    link.m_radio->Close();
    link.m_radio.reset();
    link.m_componentOpen = false;
}

void AppendLogRecord(CRadioLink& link, const std::string& requestLine,
                     const std::string& replyLine) {
    if (!link.LogFileExists())
        return;
    // A log that cannot be opened costs the record only, never the exchange.
    std::ofstream log(link.m_logPath, std::ios::binary | std::ios::app);
    if (!log)
        return;
    log << "\r\n" << requestLine << "\r\n" << replyLine;
}

}  // namespace

HRESULT Connect(CRadioLink& link) {
    // A new connection starts a new failure chain: a message shown for an earlier one must
    // not keep this one's failures silent.
    link.m_commErrorShown = false;
    link.m_refusalEndedChain = false;
    link.m_connectFailure.clear();
    std::unique_ptr<IRadioComm> radio;
    HRESULT hr = link.m_factory ? link.m_factory(radio) : E_FAIL;
    if (FAILED(hr))
        return hr;
    if (radio == nullptr)
        return E_FAIL;
    link.m_radio = std::move(radio);

    RefreshPort(link);
    const std::string& name = link.m_portName;
    if (!name.empty() && name[0] == 'C') {
        if (!IsComPortName(name)) {
            // Anything else would open some other port (COM0, "COM9 " once opened COM1).
            link.m_radio.reset();
            link.m_connectFailure = "\"" + name +
                                    "\" is not a radio port name. Choose a port COM1, COM2, "
                                    "... or give a device path such as /dev/ttyUSB0.";
            return E_RADIO_PORT;
        }
        hr = link.m_radio->Open(RADIOCOMM_MODE_SERIAL, PortMask(link), nullptr);
    } else {
        hr = link.m_radio->Open(RADIOCOMM_MODE_DEVICE, 0, name.c_str());
    }
    if (FAILED(hr)) {
        link.m_connectFailure = link.m_radio->FailureReason();
        link.m_radio->Close();
        link.m_radio.reset();
    }
    return hr;
}

bool ReportConnectFailure(CRadioLink& link) {
    if (link.m_connectFailure.empty())
        return false;
    link.Host().ShowMessage(link.m_connectFailure, MsgIcon::Stop, MsgButtons::Ok);
    link.m_commErrorShown = true;
    return true;
}

std::uint32_t PortMask(CRadioLink& link) {
    RefreshPort(link);
    const std::string& name = link.m_portName;
    if (name.empty() || name[0] != 'C' || !IsComPortName(name))
        return 0;

    // COM1 to COM8 keep the one-hot bit that the component has always understood; COM9 and
    // above carry their number in the high bits.
    const int n = CPortMap::ComNumber(name);
    if (n >= 9)
        return (static_cast<std::uint32_t>(n) << 20) | 0x7u;
    return (0x1000u << (n - 1)) | 0x7u;
}

void RefreshPort(CRadioLink& link) {
    if (link.m_portSource)
        link.m_portName = link.m_portSource();
}

HRESULT VerifyRadio(CRadioLink& link, const ModelCheck& checkModel) {
    std::string reply;
    const HRESULT hr = Exchange(link, "0012", reply, kExchangeTimeoutMs);
    if (FAILED(hr))
        return hr;
    if (checkModel && !checkModel(reply)) {
        link.m_radio.reset();
        link.m_componentOpen = false;
        return E_FAIL;
    }
    return hr;
}

HRESULT Exchange(CRadioLink& link, const std::string& request, std::string& reply,
                 std::int32_t timeoutMs, const ReplyCheck& check) {
    using namespace MessageFields;
    IHost& host = link.Host();

    if (link.m_refusalEndedChain) {
        link.m_refusalEndedChain = false;
        link.m_commErrorShown = false;
    }
    const std::int32_t n = g_logSequence.fetch_add(1);
    link.m_requestStartTime = host.TimeGetTime();
    const std::string requestLine = FormatDecimal(n, 5) + " (B) " +
                                    FormatMilliseconds(link.m_requestStartTime) + "ms " +
                                    SpaceHexPairs(request);

    const std::string frame = FrameRequest(request);
    std::array<std::uint8_t, kFrameBytes> requestBytes{};
    int requestLen = 0;
    // A request that does not fit the frame buffer (or is not hex text) is never sent.
    const bool converted = HexToBytes(host, frame, requestBytes.data(), kFrameBytes, requestLen);

    HRESULT hr = E_FAIL;
    std::string reason;
    if (converted && link.m_radio != nullptr) {
        std::array<std::uint8_t, kFrameBytes> replyBytes{};
        std::int32_t replyLen = static_cast<std::int32_t>(kFrameBytes);
        hr = link.m_radio->Transact(requestBytes.data(), requestLen, timeoutMs, replyBytes.data(),
                                    &replyLen);
        if (FAILED(hr))
            reason = link.m_radio->FailureReason();
        if (SUCCEEDED(hr)) {
            if (replyLen < 0)
                replyLen = 0;
            if (replyLen > static_cast<std::int32_t>(kFrameBytes))
                replyLen = kFrameBytes;
            const std::string payload = UnframeReply(BytesToHex(replyBytes.data(), replyLen));
            link.m_lastExchangeTime = host.TimeGetTime() - link.m_requestStartTime;

            const std::int32_t m = g_logSequence.fetch_add(1);
            const std::string replyLine = FormatDecimal(m, 5) + " (R) " +
                                          FormatMilliseconds(link.m_lastExchangeTime) + "ms " +
                                          SpaceHexPairs(payload);
            AppendLogRecord(link, requestLine, replyLine);

            // The radio answered; whether it did what was asked is the reply's to say.
            reason = check ? check(payload) : std::string();
            if (reason.empty()) {
                reply = payload;
                return hr;
            }
            hr = E_RADIO_REFUSED;
        }
    }

    ++link.m_failureCount;
    link.m_lastFailureRefused = hr == E_RADIO_REFUSED;
    link.m_lastFailureText = link.m_lastFailureRefused ? reason : std::string();
    if (hr == E_RADIO_REFUSED) {
        // The radio answered: the link is sound and stays. Its message ends this chain only.
        if (!link.m_commErrorShown) {
            host.ShowMessage(reason, MsgIcon::Stop, MsgButtons::Ok);
            link.m_commErrorShown = true;
            link.m_refusalEndedChain = true;
        }
        return hr;
    }
    if (!EqualsIgnoringCase(frame, kExitTestModeFrame) && !link.m_commErrorShown) {
        if (!reason.empty()) {
            // A failure whose cause is known is reported with it, once for the whole chain.
            link.m_commErrorShown = true;
            host.ShowMessage(reason, MsgIcon::Stop, MsgButtons::Ok);
        } else {
            if (link.m_commErrorOnce)
                link.m_commErrorShown = true;
            host.ShowMessage(kCommFailedText, MsgIcon::Stop, MsgButtons::Ok);
        }
    }
    DropConnection(link);
    return hr;
}

std::string FrameRequest(const std::string& payload) {
    const auto length = static_cast<std::uint32_t>((payload.size() / 2) & 0xFFFF);
    return MessageFields::FormatHex(length, 2) + payload;
}

std::string UnframeReply(const std::string& frame) {
    return frame.size() > 4 ? frame.substr(4) : std::string();
}

void Disconnect(CRadioLink& link) {
    if (link.m_radio == nullptr)
        return;
    if (link.m_componentOpen) {
        CWaitCursor wait(link.Host());
        link.m_radio->Close();
        link.m_radio.reset();
        link.Host().Sleep(2000);
    } else {
        link.m_radio.reset();
    }
    link.m_componentOpen = false;
}

std::int32_t LogSequence() {
    return g_logSequence.load();
}

void ResetLogSequenceForTest(std::int32_t value) {
    g_logSequence.store(value);
}

}  // namespace Transport
