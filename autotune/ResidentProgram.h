#pragma once

#include <functional>
#include <string>

class CTestSetLink;

/// The procedures that install, start and check the HP8920B's resident program over the
/// test-set link. They wait through the link's host (the protocol's delays stay exactly as
/// the instrument needs them) and may run on any thread; the GUI runs them on a worker so the
/// window keeps painting.
namespace ResidentProgram {

/// String 61452, shown with Abort, Retry and Ignore when the program does not answer.
extern const char* const kUnableToStart;
constexpr const char* kDownloading = "Downloading, Please Wait";
constexpr const char* kInitialized = "Initialized";
constexpr const char* kStarting = "Starting the HP8920B resident program, Please Wait";

/// Items a download sends: the 46 loader items and the 241 program lines.
constexpr int kDownloadItems = 46 + 241;
/// Items a start sends.
constexpr int kStartItems = 4;

/// Where the procedures report: the status text (the dialog's status monitor) and how many
/// of the items have gone out. cancelled is asked between items; a cancelled procedure sends
/// nothing more (the dialog is closing).
struct Progress {
    std::function<void(const std::string& status, int done, int total)> report;
    std::function<bool()> cancelled;

    void Report(const std::string& status, int done, int total) const {
        if (report)
            report(status, done, total);
    }
    bool Cancelled() const { return cancelled && cancelled(); }
};

/// Types the loader into the instrument, sends the program lines for it to store, and waits
/// for the loader to end the transfer (about 33 s). True when every item went out whole;
/// false when the procedure was cancelled or stopped at the first item that did not go out
/// whole (a test set that holds XOFF), which why then names with the link's reason.
bool DownloadResidentProgram(CTestSetLink& link, const Progress& progress = {},
                             std::string* why = nullptr);
/// Loads the stored program and runs it (about 4 s). True and false as for the download.
bool StartResidentProgram(CTestSetLink& link, const Progress& progress = {},
                          std::string* why = nullptr);
/// True when the resident program runs, starting it (and downloading it when the user
/// chooses Ignore) as needed; false when the user pressed Abort, the procedure was cancelled,
/// or the port cannot be opened (which is then shown, naming the device and why). A start or
/// download that stopped at an item that did not go out is shown before the question.
bool EnsureResidentProgram(CTestSetLink& link, const Progress& progress = {});

}  // namespace ResidentProgram
