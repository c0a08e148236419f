#pragma once

#include <QtWidgets/QDialog>
#include <QtWidgets/QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "screens/ScreenHost.h"
#include "support/RecordingHost.h"

/// A main frame for screen tests without the shell: records the open-screen slot, help
/// topics and modal dialogs, and answers the dialogs through a handler (Rejected without one).
class CStubScreenHost : public IScreenHost {
public:
    IHost& Host() override { return host; }
    QWidget* FrameWindow() override {
        if (!frame)
            frame = std::make_unique<QWidget>();
        return frame.get();
    }
    std::string FeatureName() const override { return featureName; }
    std::string OpenScreenTitle() const override { return openScreenTitle; }
    void ClearOpenScreen(QWidget* screen) override { cleared.push_back(screen); }
    int ReminderOff() const override { return reminderOff; }
    int PttTimeOutOn() const override { return pttTimeOutOn; }
    std::string ResolvePort(const std::string& name) const override { return name; }
    int ExecDialog(QDialog& dialog) override {
        dialogs.push_back(dialog.windowTitle().toStdString());
        return onExec ? onExec(dialog) : int(QDialog::Rejected);
    }
    void ShowHelp(int context) override { helpTopics.push_back(context); }

    CRecordingHost host;
    std::unique_ptr<QWidget> frame;  ///< made on first use, once the application exists
    std::string featureName;
    std::string openScreenTitle;
    int reminderOff = 0;
    int pttTimeOutOn = 1;
    std::function<int(QDialog&)> onExec;
    std::vector<QWidget*> cleared;
    std::vector<std::string> dialogs;
    std::vector<int> helpTopics;
};
