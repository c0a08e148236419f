#pragma once

// An in-process radio that answers the read, match and programming requests from a few
// fields, on top of CFakeRadio (which records every request). Tests change the fields, add
// exact replies or make chosen requests fail.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "document/TunerDoc.h"
#include "radio/ModelConfig.h"
#include "radio/Transport.h"
#include "support/FakeRadioComm.h"
#include "support/RecordingHost.h"

namespace scripted {

inline std::string Hex8(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02x", v & 0xFFu);
    return b;
}
inline std::string Hex16(unsigned v) {
    return Hex8(v >> 8) + Hex8(v);
}
inline std::string Hex32(unsigned v) {
    return Hex16(v >> 16) + Hex16(v);
}
/// Text as hex with the terminating zero byte.
inline std::string TextHex(const std::string& text) {
    std::string s;
    for (unsigned char c : text) s += Hex8(c);
    return s + "00";
}

constexpr char kSerial[] = "403CQT1234";
constexpr char kModel[] = "H18QDF9PW6AN";
constexpr char kReadFreqList[] = "0100821079000003e80000";
/// 851.0125 MHz in 5 Hz steps.
constexpr unsigned kFreq851 = 170202500;

/// The frequency-list reply of these records (flags, frequency): header, L, records.
inline std::string FreqListReply(const std::vector<std::pair<int, unsigned>>& records,
                                 int status = 0) {
    std::string s = "0100" + Hex8(status) + "0000000000";
    s += Hex16(static_cast<unsigned>(10 + 8 * records.size()));
    s += std::string(24, '0');
    for (const auto& [flags, freq] : records) s += "000000" + Hex8(flags) + Hex32(freq);
    return s;
}

class CScriptedRadio {
public:
    CScriptedRadio() {
        fake.m_responder = [this](const std::string& req, std::string& reply) {
            return Answer(req, reply);
        };
    }

    CFakeRadio fake;
    int modelIndex = 0;           ///< which identifier the radio reports (0: family 1)
    std::string modelIdOverride;  ///< when set, the model identifier reply's hex after 3 bytes
    std::string serial = kSerial;
    std::string model = kModel;
    std::vector<std::pair<int, unsigned>> records;
    /// Value bytes (hex) of a softpot read by type; type 1 by power level code (100 + code).
    std::map<int, std::string> values;
    /// Exact replies by request payload, ahead of everything else.
    std::map<std::string, std::string> replies;
    /// Request payloads (or prefixes ending in '*') that fail every time.
    std::set<std::string> failOn;
    /// Called before each answer (the tests look at the host's clock there).
    std::function<void(const std::string&)> onRequest;
    int powerCode = 0;

    /// Softpot key of a read for this type at the current power level.
    int Key(int type) const { return type == 1 ? 100 + powerCode : type; }

private:
    bool Fails(const std::string& req) const {
        for (const auto& f : failOn) {
            if (f == req)
                return true;
            if (!f.empty() && f.back() == '*' && req.rfind(f.substr(0, f.size() - 1), 0) == 0)
                return true;
        }
        return false;
    }

    HRESULT Answer(const std::string& req, std::string& reply) {
        if (onRequest)
            onRequest(req);
        if (Fails(req))
            return E_RADIO_TIMEOUT;
        if (auto it = replies.find(req); it != replies.end()) {
            reply = it->second;
            return S_OK;
        }
        if (req == "0012") {
            reply =
                "001200" + (modelIdOverride.empty() ? ModelConfig::ModelIdentifiers()[modelIndex]
                                                    : modelIdOverride);
        } else if (req == "001000") {
            reply = "001000" + TextHex(model);
        } else if (req == "001100") {
            reply = "001100" + TextHex(serial);
        } else if (req == "000f00" || req == "000f10" || req == "000f20") {
            reply = "000f00" + TextHex("V" + req.substr(4));
        } else if (req == "000f40") {
            reply = "000f00010aff";
        } else if (req == kReadFreqList) {
            reply = FreqListReply(records);
        } else if (req.size() == 6 && req.rfind("0006", 0) == 0) {
            powerCode = std::stoi(req.substr(4), nullptr, 16);
            reply = "000600";
        } else if (req.size() == 8 && req.rfind("000103", 0) == 0) {
            const int type = std::stoi(req.substr(6), nullptr, 16);
            auto it = values.find(Key(type));
            reply = "00010003" + Hex8(type) + (it == values.end() ? "" : it->second);
        } else {
            reply = req.substr(0, 4) + "00";
        }
        return S_OK;
    }
};

/// Host, frame, radio and a document on COM3.
class RadioFixture {
public:
    RadioFixture() {
        frame.SetPort("COM3");
        doc = std::make_unique<CTunerDoc>(host, frame, radio.fake.Factory());
    }

    /// Connects the document as a successful read leaves it.
    void ConnectDoc(int family = 1) {
        ASSERT_GE(Transport::Connect(*doc), 0);
        doc->m_componentOpen = true;
        doc->m_modelFamily = family;
        doc->m_modelSupported = true;
        radio.fake.m_requests.clear();
    }

    /// Requests sent since the last clear.
    const std::vector<std::string>& Sent() const { return radio.fake.m_requests; }

    CRecordingHost host;
    CFrameState frame;
    CScriptedRadio radio;
    std::unique_ptr<CTunerDoc> doc;
};

}  // namespace scripted
