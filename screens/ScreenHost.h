#pragma once

#include <string>
#include <vector>

struct CAlignmentReport;
class IHost;
class QDialog;
class QWidget;

/// What a feature screen sees of the main frame: the application's host, the frame window
/// (parent of every screen), the feature being opened, the one open-screen slot, the two
/// Options switches, the dialog runner and the help window. The main frame implements it;
/// screen tests use a small stand-in.
class IScreenHost {
public:
    virtual ~IScreenHost() = default;

    /// Message boxes, wait cursor, clock and sleeps of the application.
    virtual IHost& Host() = 0;
    /// The main frame's window, the parent of the screens.
    virtual QWidget* FrameWindow() = 0;
    /// m_strFeatureName: the feature whose screen is being opened ("Tx Power High").
    virtual std::string FeatureName() const = 0;
    /// Window title of the open screen (m_pOpenScreen), empty when none is open.
    virtual std::string OpenScreenTitle() const = 0;
    /// A screen is closing: m_pOpenScreen no longer refers to it.
    virtual void ClearOpenScreen(QWidget* screen) = 0;
    /// m_nReminderOff: 0 when screens ask before closing with unprogrammed changes.
    virtual int ReminderOff() const = 0;
    /// m_nPTTTimeOutOn: exactly 1 when the transmitter time-out is active.
    virtual int PttTimeOutOn() const = 0;
    /// Device a port name stands for (COMn through the port map, a path unchanged).
    virtual std::string ResolvePort(const std::string& portName) const = 0;
    /// Runs a modal dialog through the application's dialog runner (tests answer it).
    virtual int ExecDialog(QDialog& dialog) = 0;
    /// Opens the help topic of a context number.
    virtual void ShowHelp(int context) = 0;

    /// Runs a feature command (its id) with the frame's usual checks on behalf of a screen
    /// that stays the open one (the Automatic Tuning dialog opening tuning screens). Returns
    /// the screen it opened, or null when a check refused it.
    virtual QWidget* OpenFeatureFor(QWidget* /*caller*/, int /*commandId*/) { return nullptr; }
    /// Print preview of report lines (the first is every page's header); the preview prints.
    virtual void PreviewReport(const std::vector<std::string>& /*lines*/,
                               const std::string& /*title*/) {}
    /// Print preview of a whole-radio run's report drawn as its sheet; the preview prints.
    virtual void PreviewSheet(const CAlignmentReport& /*report*/, const std::string& /*title*/) {}
};

/// A feature screen that must wind down before its data set goes: the frame calls this when
/// the document is emptied under the screen, then deletes the window. The screen stops its
/// timers and dekeys the transmitter but asks nothing.
class IFeatureScreen {
public:
    virtual ~IFeatureScreen() = default;
    virtual void CloseForDataSet() = 0;
    /// The program is closing (its main window, or a stop signal): end any work under way,
    /// serving what it still asks of the user-interface thread, and ask nothing. The data set
    /// is still there; CloseForDataSet follows.
    virtual void StopWork() {}
};
