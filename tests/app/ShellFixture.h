#pragma once

#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "ScriptedDialogs.h"
#include "app/AppSettings.h"
#include "app/MainFrame.h"
#include "app/RegisterScreens.h"
#include "bench/Bench.h"
#include "radio/SerialRadioComm.h"
#include "screens/ScreenFactory.h"
#include "support/RecordingHost.h"

/// A main frame on the virtual bench: COM1 is the bench's radio behind a pseudo-terminal
/// and COM2 its test set.
class ShellTest : public ::testing::Test {
protected:
    void StartShell(const std::string& profile = "standard") {
        EnsureApp();
        RegisterFeatureScreens(CScreenFactory::Instance());
        BenchOptions options;
        options.profile = profile;
        options.paced = false;
        options.testSet = true;
        options.noise = m_benchNoise;
        m_bench = std::make_unique<CBench>(options);
        std::string error;
        ASSERT_TRUE(m_bench->Start(error)) << error;
        m_settings.m_portMap.SetMapping(1, m_bench->RadioDevice());
        m_settings.m_portMap.SetMapping(2, m_bench->TestSetDevice());
        m_settings.m_portMap.SetDeviceLister([] { return std::vector<std::string>{}; });
        m_frame = std::make_unique<CMainFrame>(
            m_host, m_settings, m_dialogs,
            MakeSerialRadioCommFactory(m_host, m_settings.m_portMap, 9600));
        m_frame->SetDeviceEnumerator([] { return std::vector<SerialDeviceInfo>{}; });
        m_frame->SetPlacementStore([] { return std::unique_ptr<QSettings>(); });
        m_frame->show();
    }

    void TearDown() override {
        m_frame.reset();
        Flush();
        if (m_bench)
            m_bench->Stop();
    }

    /// Lets queued commands and deferred deletions run.
    static void Flush() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }

    /// Answers the Select Port dialog with a port.
    void ChoosePort(const std::string& port) {
        m_dialogs.onExec = [port](QDialog& dialog) {
            if (dialog.windowTitle() != "Select Port")
                return int(QDialog::Rejected);
            auto* list = dialog.findChild<QComboBox*>();
            list->setCurrentIndex(list->findData(QString::fromStdString(port)));
            dialog.accept();
            return dialog.result();
        };
    }

    /// Reads the bench radio through the menu's Read Device on COM1.
    void ReadRadio() {
        ChoosePort("COM1");
        m_frame->OnCommand(32771);
        Flush();
        m_dialogs.onExec = nullptr;
    }

    /// Measurement noise of the bench (deterministic either way); set before StartShell.
    bool m_benchNoise = true;
    CRecordingHost m_host;
    CAppSettings m_settings;
    CScriptedDialogs m_dialogs;
    std::unique_ptr<CBench> m_bench;
    std::unique_ptr<CMainFrame> m_frame;
};
