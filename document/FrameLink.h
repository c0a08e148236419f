#pragma once

#include <string>

/// What the tuning document needs of the main frame: the radio port, the data-open flag and
/// the one open feature screen. The GUI's main frame implements it; the command-line tool and
/// the tests use CFrameState.
class IFrameLink {
public:
    virtual ~IFrameLink() = default;
    virtual std::string GetPort() const = 0;
    virtual void SetDataOpen(bool open) = 0;
    virtual bool IsDataOpen() const = 0;
    /// Destroys the open feature screen, if any (the document is being emptied).
    virtual void DestroyOpenScreen() = 0;
};

/// A main frame without windows: holds the port and the data-open flag.
class CFrameState : public IFrameLink {
public:
    std::string GetPort() const override { return m_strPort; }
    void SetPort(const std::string& port) { m_strPort = port; }
    void SetDataOpen(bool open) override { m_bDataOpen = open; }
    bool IsDataOpen() const override { return m_bDataOpen; }
    void DestroyOpenScreen() override { ++m_screensDestroyed; }

    std::string m_strPort = "COM1";
    bool m_bDataOpen = false;
    int m_screensDestroyed = 0;
};
