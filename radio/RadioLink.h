#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Host.h"
#include "IRadioComm.h"

/// State of the radio link of one tuning document.
///
/// The tuning document derives from this type, so the transport works on the document's own
/// fields under their own names while the radio layer stays below the document layer.
class CRadioLink {
public:
    CRadioLink(IHost& host, RadioCommFactory factory, std::function<std::string()> portSource)
        : m_host(&host), m_factory(std::move(factory)), m_portSource(std::move(portSource)) {}
    virtual ~CRadioLink() = default;
    CRadioLink(const CRadioLink&) = delete;
    CRadioLink& operator=(const CRadioLink&) = delete;

    /// Builds the tuning log path beside the executable into m_logPath and tests for the file.
    bool LogFileExists();

    IHost& Host() const { return *m_host; }

    // Link fields (names as the rest of the system uses them).
    std::unique_ptr<IRadioComm> m_radio;   ///< null when not connected or after a failure
    bool m_componentOpen = false;          ///< created and opened for this document
    std::string m_portName;                ///< copied from the main frame just before opening
    std::uint32_t m_requestStartTime = 0;  ///< clock at the start of the current exchange
    std::uint32_t m_lastExchangeTime = 0;  ///< milliseconds of the last successful exchange
    bool m_commErrorShown = false;         ///< the communication failure message was shown
    bool m_commErrorOnce = false;          ///< show that message at most once while set
    std::string m_logPath;                 ///< full path of the tuning log
    std::string m_connectFailure;          ///< why the last Connect failed, when known
    /// Failed exchanges so far, and what the last one was: a refusal (the radio answered and
    /// said it did not act; the link stays) or a link failure (the connection was dropped).
    int m_failureCount = 0;
    bool m_lastFailureRefused = false;
    std::string m_lastFailureText;  ///< the refusal's message; empty for a link failure
    /// The message of a refusal ended its own failure chain: the next exchange starts anew.
    bool m_refusalEndedChain = false;

    IHost* m_host;
    RadioCommFactory m_factory;                 ///< creates the component on Connect
    std::function<std::string()> m_portSource;  ///< the main frame's GetPort
};
