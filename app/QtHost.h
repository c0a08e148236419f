#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QPointer>
#include <QtWidgets/QWidget>

#include "radio/Host.h"

/// The host of the GUI: message boxes, the wait cursor, the clock and sleeps on Qt.
///
/// Messages asked for from another thread are shown on the user-interface thread and the
/// caller waits for the answer. A sleep on the user-interface thread keeps the windows painted
/// but delivers no input and no timers, so no second exchange can start in the middle of one.
class CQtHost : public IHost {
public:
    CQtHost();

    /// Window the message boxes belong to (the main frame).
    void SetParentWindow(QWidget* parent) { m_parent = parent; }

    MsgResult ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    std::uint32_t TimeGetTime() override;
    void Sleep(std::uint32_t ms) override;
    std::string ExecutableFolder() override;
    bool FileExists(const std::string& path) override;
    void Progress(const std::string& text) override;

    /// Title of every message box.
    static constexpr const char* kTitle = "VEGAL 25 Tuner";

private:
    MsgResult ShowOnGuiThread(const std::string& text, MsgIcon icon, MsgButtons buttons);

    QPointer<QWidget> m_parent;
    QElapsedTimer m_clock;
    std::uint32_t m_clockBase;
};
