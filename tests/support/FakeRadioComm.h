#pragma once

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "radio/IRadioComm.h"

/// An in-process radio for tests: the state a test keeps while the transport owns (and
/// releases) the components that Factory() makes.
///
/// Every Transact is recorded (payload text, whole frame text, time-out). The answer comes,
/// in this order, from the queued script (Reply, ReplyFrame, Fail), from the responder
/// callback, or by default the opcode echoed with status 00 ("000c" -> "000c00").
/// Creation and Open can be made to fail, and FailAlways makes every later Transact fail.
class CFakeRadio {
public:
    struct OpenCall {
        std::int32_t mode;
        std::uint32_t mask;
        std::string device;  ///< empty when a null pointer was passed
    };

    /// Answers a request payload (lower-case hex) with a reply payload; negative to fail.
    using Responder = std::function<HRESULT(const std::string& request, std::string& reply)>;

    // ---- configuration ----
    HRESULT m_createStatus = S_OK;  ///< status of the factory
    HRESULT m_openStatus = S_OK;    ///< status of Open
    /// What the components give as FailureReason (why Open or Transact failed).
    std::string m_failureReason;
    Responder m_responder;  ///< used when the script is empty

    /// Queues a successful answer with this reply payload (framed automatically).
    void Reply(const std::string& payload) { Push({S_OK, FrameOf(payload)}); }
    /// Queues a successful answer with this whole reply frame (length bytes included).
    void ReplyFrame(const std::string& frame) { Push({S_OK, frame}); }
    /// Queues a failed Transact.
    void Fail(HRESULT hr = E_RADIO_TIMEOUT) { Push({hr, {}}); }
    /// Every Transact fails from now on (until cleared with S_OK).
    void FailAlways(HRESULT hr = E_RADIO_TIMEOUT) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_failAlways = hr;
    }

    // ---- records ----
    int m_created = 0;   ///< components made by the factory
    int m_released = 0;  ///< components destroyed (released by the transport)
    int m_closes = 0;
    std::vector<OpenCall> m_opens;
    std::vector<std::string> m_requests;  ///< request payloads, lower-case hex
    std::vector<std::string> m_frames;    ///< whole request frames, lower-case hex
    std::vector<std::int32_t> m_timeouts;

    /// A component is alive (created and not yet released).
    bool Alive() const { return m_created > m_released; }
    int Count(const std::string& payload) const {
        int n = 0;
        for (const auto& r : m_requests) n += (r == payload);
        return n;
    }

    RadioCommFactory Factory() {
        return [this](std::unique_ptr<IRadioComm>& out) -> HRESULT {
            if (m_createStatus < 0)
                return m_createStatus;
            out = std::make_unique<Component>(*this);
            ++m_created;
            return S_OK;
        };
    }

    /// Frame text of a payload: four hex digits of its byte count, then the payload.
    static std::string FrameOf(const std::string& payload) {
        char len[8];
        std::snprintf(len, sizeof len, "%04x",
                      static_cast<unsigned>((payload.size() / 2) & 0xFFFF));
        return len + payload;
    }

private:
    struct Answer {
        HRESULT status;
        std::string frame;
    };

    class Component : public IRadioComm {
    public:
        explicit Component(CFakeRadio& owner) : m_owner(owner) {}
        ~Component() override { ++m_owner.m_released; }

        HRESULT Transact(const std::uint8_t* request, std::int32_t requestLen,
                         std::int32_t timeoutMs, std::uint8_t* reply,
                         std::int32_t* replyLen) override {
            return m_owner.DoTransact(request, requestLen, timeoutMs, reply, replyLen, m_stats);
        }
        HRESULT Open(std::int32_t mode, std::uint32_t portMask, const char* device) override {
            m_owner.m_opens.push_back({mode, portMask, device ? device : ""});
            return m_owner.m_openStatus;
        }
        HRESULT Close() override {
            ++m_owner.m_closes;
            return S_OK;
        }
        std::string FailureReason() const override { return m_owner.m_failureReason; }
        RadioWireStats WireStats() const override { return m_stats; }

    private:
        CFakeRadio& m_owner;
        RadioWireStats m_stats;
    };

    void Push(Answer a) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_script.push_back(std::move(a));
    }

    static std::string Hex(const std::uint8_t* bytes, std::int32_t count) {
        static const char kDigits[] = "0123456789abcdef";
        std::string s;
        for (std::int32_t i = 0; i < count; ++i) {
            s += kDigits[bytes[i] >> 4];
            s += kDigits[bytes[i] & 0x0F];
        }
        return s;
    }

    static int Nibble(char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : 0;
    }

    HRESULT DoTransact(const std::uint8_t* request, std::int32_t requestLen, std::int32_t timeoutMs,
                       std::uint8_t* reply, std::int32_t* replyLen, RadioWireStats& stats) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::int32_t capacity = *replyLen;
        *replyLen = 0;
        const std::string frame = Hex(request, requestLen > 0 ? requestLen : 0);
        const std::string payload = frame.size() > 4 ? frame.substr(4) : std::string();
        m_frames.push_back(frame);
        m_requests.push_back(payload);
        m_timeouts.push_back(timeoutMs);
        ++stats.transactions;
        stats.bytesSent += static_cast<std::uint64_t>(requestLen);

        Answer answer{S_OK, {}};
        if (m_failAlways < 0) {
            answer.status = m_failAlways;
        } else if (!m_script.empty()) {
            answer = m_script.front();
            m_script.pop_front();
        } else if (m_responder) {
            std::string replyPayload;
            answer.status = m_responder(payload, replyPayload);
            answer.frame = FrameOf(replyPayload);
        } else {
            answer.frame = FrameOf(payload.substr(0, 4) + "00");
        }
        if (answer.status < 0)
            return answer.status;

        const auto bytes = static_cast<std::int32_t>(answer.frame.size() / 2);
        if (bytes > capacity)
            return E_RADIO_BADFRAME;
        for (std::int32_t i = 0; i < bytes; ++i) {
            reply[i] = static_cast<std::uint8_t>(Nibble(answer.frame[2 * i]) * 16 +
                                                 Nibble(answer.frame[2 * i + 1]));
        }
        *replyLen = bytes;
        stats.bytesReceived += static_cast<std::uint64_t>(bytes);
        return answer.status;
    }

    std::mutex m_mutex;
    std::deque<Answer> m_script;
    HRESULT m_failAlways = S_OK;
};
