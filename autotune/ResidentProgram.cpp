#include "autotune/ResidentProgram.h"

#include "autotune/ResidentProgramText.h"
#include "autotune/TestSetLink.h"
#include "radio/Host.h"

namespace ResidentProgram {

const char* const kUnableToStart =
    "Unable to start the HP8920B resident program.  Please check that your HP8920 I/O "
    "Configuration is set as follows:  \"Serial In: Inst\", \"SerialBaudA: 19200\", "
    "\"Parity: None\", \"Data Length:8 Bits\", \"Stop Length: 1 bit\". \"Rcv Pace:  "
    "Xon/Xoff\".\" Xmt Pace: Xon/Xoff\".  If you would like to retry starting the HP8920B "
    "resident program, return to the IBASIC controller and  press the RETRY button below.  "
    "If you would like to load or reload the HP8920B resident program, press the IGNORE "
    "button below.";

namespace {

/// Delays after each kind of item: what the instrument needs to act on it.
constexpr std::uint32_t kLoaderItemDelayMs = 500;
constexpr std::uint32_t kProgramLineDelayMs = 20;
constexpr std::uint32_t kBeforeProgramMs = 1000;
/// The loader ends the transfer after 2 s without a line; this wait must stay longer.
constexpr std::uint32_t kAfterProgramMs = 4000;
constexpr std::uint32_t kStartCommandDelayMs = 500;
constexpr std::uint32_t kAfterGetMs = 2000;
constexpr std::uint32_t kAfterAbortMs = 1000;

/// An item as a message quotes it: without its line end, control characters named.
std::string Quoted(const std::string& item) {
    std::string text;
    for (char c : item) {
        if (c == 27)
            text += "ESC";
        else if (c != '\r' && c != '\n')
            text += c;
    }
    return "\"" + text + "\"";
}

/// Sends one item; false with why when it did not go out whole.
bool SendItem(CTestSetLink& link, const std::string& item, std::uint32_t delayMs, const char* what,
              int number, int total, std::string* why) {
    if (link.SendToTestSet(item, delayMs))
        return true;
    if (why) {
        *why = std::string("The ") + what + " stopped at item " + std::to_string(number) + " of " +
               std::to_string(total) + " (" + Quoted(item) + "), which did not go out whole. " +
               link.LastWriteError();
    }
    link.CloseTestSetPort();
    return false;
}

}  // namespace

bool DownloadResidentProgram(CTestSetLink& link, const Progress& progress, std::string* why) {
    using namespace ResidentProgramText;
    IHost& host = link.Host();
    int done = 0;
    progress.Report(kDownloading, done, kDownloadItems);
    for (std::size_t i = 0; i < kLoaderItemCount; ++i) {
        if (progress.Cancelled()) {
            link.CloseTestSetPort();
            return false;
        }
        if (!SendItem(link, LoaderWireItem(i), kLoaderItemDelayMs, "download", done + 1,
                      kDownloadItems, why))
            return false;
        progress.Report(kDownloading, ++done, kDownloadItems);
    }
    host.Sleep(kBeforeProgramMs);
    for (std::size_t i = 0; i < kProgramLineCount; ++i) {
        if (progress.Cancelled()) {
            link.CloseTestSetPort();
            return false;
        }
        if (!SendItem(link, ProgramWireLine(i), kProgramLineDelayMs, "download", done + 1,
                      kDownloadItems, why))
            return false;
        progress.Report(kDownloading, ++done, kDownloadItems);
    }
    host.Sleep(kAfterProgramMs);
    progress.Report(kInitialized, done, kDownloadItems);
    link.CloseTestSetPort();
    return !progress.Cancelled();
}

bool StartResidentProgram(CTestSetLink& link, const Progress& progress, std::string* why) {
    using namespace ResidentProgramText;
    progress.Report(kStarting, 0, kStartItems);
    for (std::size_t i = 0; i < kStartCommandCount; ++i) {
        if (progress.Cancelled()) {
            link.DiscardInputAndClose();
            return false;
        }
        if (!SendItem(link, StartWireCommand(i), kStartCommandDelayMs, "start",
                      static_cast<int>(i) + 1, kStartItems, why))
            return false;
        if (i == kGetCommandIndex)
            link.Host().Sleep(kAfterGetMs);
        progress.Report(kStarting, static_cast<int>(i) + 1, kStartItems);
    }
    link.DiscardInputAndClose();
    return !progress.Cancelled();
}

bool EnsureResidentProgram(CTestSetLink& link, const Progress& progress) {
    if (progress.Cancelled())
        return false;
    if (link.IsResidentRunning())
        return true;
    if (!link.LastOpenError().empty()) {
        // The port itself cannot be used: starting or loading the program cannot help.
        link.Host().ShowMessage(link.LastOpenError(), MsgIcon::Stop, MsgButtons::Ok);
        return false;
    }
    auto start = [&](bool download) {
        std::string why;
        if (download && !DownloadResidentProgram(link, progress, &why) && !why.empty()) {
            link.Host().ShowMessage(why, MsgIcon::Stop, MsgButtons::Ok);
            return;  // nothing stored can be started
        }
        if (progress.Cancelled())
            return;
        if (!StartResidentProgram(link, progress, &why) && !why.empty())
            link.Host().ShowMessage(why, MsgIcon::Stop, MsgButtons::Ok);
    };
    start(false);
    if (progress.Cancelled())
        return false;
    if (link.IsResidentRunning())
        return true;
    for (;;) {
        const MsgResult answer =
            link.Host().ShowMessage(kUnableToStart, MsgIcon::Stop, MsgButtons::AbortRetryIgnore);
        if (progress.Cancelled())
            return false;
        if (answer == MsgResult::Abort) {
            link.Host().Sleep(kAfterAbortMs);
            return false;
        }
        start(answer == MsgResult::Ignore);
        if (progress.Cancelled())
            return false;
        if (link.IsResidentRunning())
            return true;
    }
}

}  // namespace ResidentProgram
