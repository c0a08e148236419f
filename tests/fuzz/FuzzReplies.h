#pragma once

// The replies a fuzz input gives the radio link, one per request in order: each is two
// big-endian length bytes and that many payload bytes. An input that runs out answers
// nothing more (the exchange times out), so every input is a valid script.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "radio/MessageFields.h"

class CFuzzReplies {
public:
    CFuzzReplies(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    /// The next reply payload as lower-case hex; false when the input is used up.
    bool Next(std::string& hexPayload) {
        if (m_size - m_at < 2)
            return false;
        std::size_t length = (std::size_t{m_data[m_at]} << 8) | m_data[m_at + 1];
        m_at += 2;
        if (length > m_size - m_at)
            length = m_size - m_at;
        hexPayload = MessageFields::BytesToHex(m_data + m_at, static_cast<int>(length));
        m_at += length;
        return true;
    }

    /// An input that answers with these payloads (hex text) in order.
    static std::vector<std::uint8_t> Encode(const std::vector<std::string>& hexPayloads) {
        std::vector<std::uint8_t> out;
        for (const std::string& hex : hexPayloads) {
            const std::size_t length = hex.size() / 2;
            out.push_back(static_cast<std::uint8_t>(length >> 8));
            out.push_back(static_cast<std::uint8_t>(length));
            for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
                out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
        }
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};
