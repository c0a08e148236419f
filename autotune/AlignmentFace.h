#pragma once

#include <functional>
#include <string>

class CTunerDoc;
class IAutoTuneView;

/// How a whole-radio run reaches the radio: the GUI opens each feature's tuning screen
/// through the main frame, the command line a headless stand-in that sends the same requests.
/// The run calls it from its own thread; a GUI face carries every call over to the
/// user-interface thread and waits for it there.
class IAlignmentFace {
public:
    virtual ~IAlignmentFace() = default;

    /// Runs work on the data set where its radio may be talked to (the GUI: on the
    /// user-interface thread, waiting for it). False when it could not run (the dialog is
    /// closing); work then did not run.
    virtual bool WithDataSet(const std::function<void(CTunerDoc& doc)>& work) = 0;
    /// Opens a feature's tuning screen (title "Tx Power High"), which starts the feature on
    /// the radio; null when it could not be opened. The view stays valid until CloseFeature.
    virtual IAutoTuneView* OpenFeature(const std::string& title) = 0;
    /// Program All on the open feature: dekeys, programs the rows' values into the radio and,
    /// when the radio took them, into the data set. True when programming succeeded.
    virtual bool ProgramFeature() = 0;
    /// Closes the open feature without asking (dekeying first when keyed).
    virtual void CloseFeature() = 0;
    /// The radio link failed (the connection was dropped): later requests cannot reach it.
    virtual bool RadioLost() = 0;
    /// Progress of the run: the feature, the row and the rows done of all.
    virtual void ShowRunProgress(const std::string& text, int done, int total) = 0;
    /// Appends text to the tuning log when it exists.
    virtual void AppendToTuningLog(const std::string& text) = 0;
};
