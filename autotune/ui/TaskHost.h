#pragma once

#include "radio/Host.h"

class CUiInvoker;

/// The host that the test-set link and the tuning tasks use: messages are shown by the
/// application's host on the user-interface thread (through the dialog's invoker, so a
/// closing dialog never waits on a box its worker asked for); the clock and sleeps are the
/// application's, on whatever thread calls. A message that can no longer be shown takes its
/// cancelling answer (Abort for Abort/Retry/Ignore).
class CTaskHost : public IHost {
public:
    CTaskHost(IHost& host, CUiInvoker& ui) : m_host(host), m_ui(ui) {}

    MsgResult ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    std::uint32_t TimeGetTime() override { return m_host.TimeGetTime(); }
    void Sleep(std::uint32_t ms) override { m_host.Sleep(ms); }
    std::string ExecutableFolder() override { return m_host.ExecutableFolder(); }
    bool FileExists(const std::string& path) override { return m_host.FileExists(path); }

private:
    IHost& m_host;
    CUiInvoker& m_ui;
};
