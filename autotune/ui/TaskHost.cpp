#include "autotune/ui/TaskHost.h"

#include "autotune/ui/UiInvoker.h"

MsgResult CTaskHost::ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) {
    IHost* host = &m_host;
    const std::optional<MsgResult> answer = m_ui.Call<MsgResult>(
        [host, text, icon, buttons] { return host->ShowMessage(text, icon, buttons); });
    if (answer)
        return *answer;
    return CancellingAnswer(buttons);
}
