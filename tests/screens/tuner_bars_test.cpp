#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QRadioButton>

#include "TunerScreenFixture.h"
#include "bench/BenchFaults.h"
#include "document/TunFile.h"
#include "resources/StringTable.h"
#include "screens/CloseWarningDlg.h"

using namespace BenchFreq;

namespace {

/// Answers the PTT time-out dialog: runs its countdown to the end, or chooses Continue.
struct TimeOutAnswer {
    bool continueTransmitting = false;
    int shown = 0;
    std::vector<std::string> countLabels;
    int operator()(QDialog& dialog) {
        auto* timeOut = dynamic_cast<CPTTTimeOutDlg*>(&dialog);
        if (!timeOut)
            return QDialog::Rejected;
        ++shown;
        if (continueTransmitting) {
            timeOut->OnContinue();
        } else {
            timeOut->setResult(-1);
            for (int i = 0; i < 10 && timeOut->result() == -1; ++i) {
                countLabels.push_back(timeOut->CountLabel()->text().toStdString());
                timeOut->OnTimerTick();
            }
        }
        return timeOut->result();
    }
};

BenchFaults FailOnly(const std::string& request) {
    BenchFaults f;
    f.corruptReply = true;
    f.onlyRequest = request;
    return f;
}

}  // namespace

TEST_F(TunerScreenTest, PttToggleKeysAndDekeysAtTheSelectedFrequency) {
    Open(Cmd::kTxPowerHigh);
    PttBar()->PttToggle();
    EXPECT_EQ(Status(), "TRANSMITTING AT - 851.0125");
    EXPECT_EQ(Colours(), (std::vector<uint>{kRed, kGrey, kGrey}));
    EXPECT_TRUE(screen->m_bTransmitting);
    EXPECT_TRUE(m_bench->Radio().Keyed());
    PttBar()->PttToggle();
    EXPECT_EQ(Status(), "TRANSMITTER OFF - 851.0125");
    EXPECT_EQ(Colours(), (std::vector<uint>{kGreen, kGrey, kGrey}));
    EXPECT_FALSE(screen->m_bTransmitting);
    EXPECT_FALSE(m_bench->Radio().Keyed());
    EXPECT_EQ(Sent(), (std::vector<std::string>{"000401", "000102015a", "000501"}));
}

TEST_F(TunerScreenTest, KeyingTxPowerOnFamilyOneRaisesTheCurrentLimitFirst) {
    Open(Cmd::kTxPowerLow, "family1-k");
    PttBar()->PttToggle();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"000401", "000102040f", "0001020114"}));
}

TEST_F(TunerScreenTest, PttTimeOutAfterFiftyIdleSecondsThenTenSecondsOfCountdown) {
    Open(Cmd::kTxPowerHigh);
    TimeOutAnswer answer;
    m_dialogs.onExec = std::ref(answer);
    PttBar()->PttToggle();
    Sent();
    for (int s = 1; s < 50; ++s) PttBar()->OnTimer();
    EXPECT_EQ(answer.shown, 0);
    EXPECT_EQ(PttBar()->m_nIdleSeconds, 49);
    PttBar()->OnTimer();
    EXPECT_EQ(answer.shown, 1);
    EXPECT_EQ(answer.countLabels,
              (std::vector<std::string>{"10", "9", "8", "7", "6", "5", "4", "3", "2", "1"}));
    EXPECT_EQ(m_dialogs.titles.back(), "PTT Time Out Message");
    EXPECT_FALSE(PttBar()->m_bTransmitting);
    EXPECT_EQ(PttBar()->m_nIdleSeconds, 0);
    EXPECT_EQ(Sent(), std::vector<std::string>{"000501"});
    EXPECT_EQ(Status(), "TRANSMITTER OFF - 851.0125");
    EXPECT_FALSE(m_bench->Radio().Keyed());
}

TEST_F(TunerScreenTest, ContinueTransmittingKeepsKeyedAndTheNextTimeOutComesFiftySecondsLater) {
    Open(Cmd::kTxPowerHigh);
    TimeOutAnswer answer;
    answer.continueTransmitting = true;
    m_dialogs.onExec = std::ref(answer);
    PttBar()->PttToggle();
    Sent();
    for (int s = 0; s < 50; ++s) PttBar()->OnTimer();
    EXPECT_EQ(answer.shown, 1);
    EXPECT_TRUE(PttBar()->m_bTransmitting);
    EXPECT_EQ(Sent(), std::vector<std::string>{});
    for (int s = 0; s < 49; ++s) PttBar()->OnTimer();
    EXPECT_EQ(answer.shown, 1);
    PttBar()->OnTimer();
    EXPECT_EQ(answer.shown, 2);
}

TEST_F(TunerScreenTest, AdjustingRestartsTheIdleCountAndWithTheOptionOffNothingTimesOut) {
    Open(Cmd::kTxPowerHigh);
    TimeOutAnswer answer;
    m_dialogs.onExec = std::ref(answer);
    PttBar()->PttToggle();
    for (int s = 0; s < 49; ++s) PttBar()->OnTimer();
    screen->ApplySliderPosition(0, 80);  // a slider move at second 49
    EXPECT_EQ(PttBar()->m_nIdleSeconds, 0);
    for (int s = 0; s < 49; ++s) PttBar()->OnTimer();
    screen->Spin(2)->Step(+1);  // a spin click restarts it as well
    for (int s = 0; s < 49; ++s) PttBar()->OnTimer();
    EXPECT_EQ(answer.shown, 0);
    PttBar()->OnTimer();
    EXPECT_EQ(answer.shown, 1);

    m_settings.m_nPTTTimeOutOn = 0;
    PttBar()->PttToggle();
    ASSERT_TRUE(PttBar()->m_bTransmitting);
    for (int s = 0; s < 200; ++s) PttBar()->OnTimer();
    EXPECT_EQ(answer.shown, 1);
    EXPECT_TRUE(PttBar()->m_bTransmitting);
    EXPECT_EQ(PttBar()->m_nIdleSeconds, 0);
}

TEST_F(TunerScreenTest, CloseWarnsAboutUncommittedChangesOnlyWithTheReminderOn) {
    const struct {
        int reminderOff;
        bool changed;
        int answer;
        bool warned;
        bool closed;
    } cases[] = {
        {0, true, QDialog::Rejected, true, false},
        {0, true, QDialog::Accepted, true, true},
        {1, true, QDialog::Rejected, false, true},
        {0, false, QDialog::Rejected, false, true},
    };
    StartShell();
    ReadRadio();
    for (int command : {Cmd::kTxPowerHigh, Cmd::kFrontEndFilter, Cmd::kDevBalance}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message()
                         << command << " reminderOff " << c.reminderOff << " changed " << c.changed
                         << " answer " << c.answer);
            if (!CTunerDlg::Current())
                OpenAgain(command);
            m_settings.m_nReminderOff = c.reminderOff;
            screen->ApplySliderPosition(0, c.changed ? 33 : screen->m_nRadioValue[0]);
            std::vector<std::string> asked;
            m_dialogs.onExec = [&](QDialog& dialog) {
                asked.push_back(dialog.windowTitle().toStdString());
                c.answer == QDialog::Accepted ? dialog.accept() : dialog.reject();
                return dialog.result();
            };
            screen->OnCommand(Cmd::kScreenClose);
            Flush();
            EXPECT_EQ(asked,
                      c.warned ? std::vector<std::string>{"WARNING"} : std::vector<std::string>{});
            EXPECT_EQ(CTunerDlg::Current() == nullptr, c.closed);
            EXPECT_EQ(m_frame->OpenScreenWidget() == nullptr, c.closed);
        }
        if (CTunerDlg::Current()) {
            m_settings.m_nReminderOff = 1;
            CTunerDlg::Current()->OnCommand(Cmd::kScreenClose);
            Flush();
        }
        m_dialogs.onExec = nullptr;
    }
}

TEST_F(TunerScreenTest, ProgramAllWhileKeyedDekeysThenProgramsAndTheRowsAgree) {
    Open(Cmd::kTxPowerHigh);
    screen->ApplySliderPosition(0, 64);
    screen->Spin(2)->Step(-1);
    PttBar()->PttToggle();
    Sent();
    QTest::mouseClick(screen->Bar()->ProgramAllButton(), Qt::LeftButton);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"000501", "001100", "001000", "000600",
                                                "00010401"
                                                "405a59"}));
    EXPECT_FALSE(PttBar()->m_bTransmitting);
    EXPECT_EQ(Status(), "TRANSMITTER OFF - 851.0125");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(screen->m_nRadioValue[i], screen->m_nNewValue[i]) << i;
        EXPECT_EQ(screen->RadioValueEdit(i)->text(), screen->NewValueEdit(i)->text()) << i;
    }
    EXPECT_FALSE(screen->HasUncommittedChanges());
    EXPECT_EQ(m_bench->Radio().Programmed(1, 0x00), (std::vector<int>{64, 90, 89}));
    CTunerDoc* doc = m_frame->GetActiveDoc();
    const CSaveValues* saved = doc->FindSavedValues(1, 3);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->m_value[0], 64);
    EXPECT_EQ(saved->m_value[2], 89);

    // Close asks nothing now; reopening shows the programmed values as the radio's.
    screen->OnCommand(Cmd::kScreenClose);
    Flush();
    EXPECT_EQ(CTunerDlg::Current(), nullptr);
    EXPECT_EQ(m_dialogs.titles.size(), 1u);
    OpenAgain(Cmd::kTxPowerHigh);
    EXPECT_EQ(screen->RadioValueEdit(0)->text(), "64");
    EXPECT_EQ(screen->RadioValueEdit(2)->text(), "89");
    screen->OnCommand(Cmd::kScreenClose);
    Flush();

    // Save writes the programmed values into the .tun file.
    m_dialogs.savePath = m_scratch.filePath("radio.tun");
    m_frame->OnCommand(Cmd::kFileSave);
    CFrameState state;
    CTunerDoc loaded(m_host, state, RadioCommFactory());
    ASSERT_TRUE(TunFile::OpenDocument(loaded, m_dialogs.savePath.toStdString()))
        << ::testing::PrintToString(m_host.Texts());
    ASSERT_NE(loaded.FindSavedValues(1, 3), nullptr);
    EXPECT_EQ(loaded.FindSavedValues(1, 3)->m_value[0], 64);
    EXPECT_EQ(loaded.FindSavedValues(1, 3)->m_value[1], 90);
    EXPECT_EQ(loaded.FindSavedValues(1, 3)->m_value[2], 89);
}

TEST_F(TunerScreenTest, AFailedProgramAllKeepsTheChangesOnEveryBar) {
    StartShell();
    for (int command : {Cmd::kTxPowerHigh, Cmd::kFrontEndFilter, Cmd::kDevBalance}) {
        SCOPED_TRACE(command);
        ReadRadio();  // a failure drops the link: each bar gets a fresh read
        OpenAgain(command);
        CTunerDoc* doc = m_frame->GetActiveDoc();
        const int feature = screen->m_nFeature;
        const std::array<std::int32_t, 10> before =
            doc->FindSavedValues(feature, screen->m_nLevel)->m_value;
        screen->ApplySliderPosition(0, 33);
        m_bench->SetFaults(FailOnly("000104"));
        m_host.m_messages.clear();
        screen->OnCommand(Cmd::kProgramAll);
        EXPECT_EQ(m_host.Count(Str::kCommFailed), 1);
        EXPECT_EQ(screen->m_nRadioValue[0], before[0]) << "the radio did not take it";
        EXPECT_EQ(screen->m_nNewValue[0], 33);
        EXPECT_EQ(screen->RadioValueEdit(0)->text(), QString::number(before[0]));
        EXPECT_TRUE(screen->HasUncommittedChanges());
        EXPECT_EQ(doc->FindSavedValues(feature, screen->m_nLevel)->m_value, before);
        m_bench->SetFaults(BenchFaults{});

        int warned = 0;
        m_dialogs.onExec = [&warned](QDialog& dialog) {
            warned += dialog.windowTitle() == "WARNING";
            dialog.accept();
            return dialog.result();
        };
        screen->OnCommand(Cmd::kScreenClose);
        Flush();
        EXPECT_EQ(warned, 1) << "close still warns";
        EXPECT_EQ(CTunerDlg::Current(), nullptr);
        m_dialogs.onExec = nullptr;
        // The document is closed and read again for the next bar.
        m_frame->CloseDocument(doc);
        Flush();
    }
}

TEST_F(TunerScreenTest, AFailedKeyLeavesTheTransmitterOff) {
    Open(Cmd::kTxPowerHigh);
    m_bench->SetFaults(FailOnly("000401"));
    PttBar()->PttToggle();
    EXPECT_EQ(m_host.Count(Str::kCommFailed), 1);
    EXPECT_FALSE(PttBar()->m_bTransmitting);
    EXPECT_FALSE(screen->m_bTransmitting);
    EXPECT_EQ(Status(), "TRANSMITTER OFF - 851.0125");
    EXPECT_EQ(screen->RowColour(0), kGreen);
    for (int s = 0; s < 60; ++s) PttBar()->OnTimer();
    EXPECT_EQ(PttBar()->m_nIdleSeconds, 0) << "no time-out for a transmitter never keyed";
    EXPECT_EQ(m_dialogs.titles.size(), 1u);
}

TEST_F(TunerScreenTest, ReceiverBarShowsTheSignalStrengthAndRoutesTheAudio) {
    Open(Cmd::kFrontEndFilter);
    auto* bar = dynamic_cast<CTunerRxDlgBarDlg*>(screen->Bar());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(Status(), "RECEIVING AT - 851.0125");
    ASSERT_EQ(bar->AudioList()->count(), 3);
    EXPECT_EQ(bar->AudioList()->itemText(0), "Mute");
    EXPECT_EQ(bar->AudioList()->itemText(1), "Internal");
    EXPECT_EQ(bar->AudioList()->itemText(2), "External");
    EXPECT_EQ(bar->AudioList()->currentIndex(), 0);
    EXPECT_EQ(opening.back(), "0001020364") << "no audio request of its own at the start";

    const std::pair<int, const char*> routes[] = {{1, "000512"}, {2, "000502"}, {0, "000501"}};
    for (const auto& [position, request] : routes) {
        bar->AudioList()->setCurrentIndex(position);
        emit bar->AudioList()->activated(position);
        EXPECT_EQ(Sent(), std::vector<std::string>{request});
    }

    screen->OnCommand(Cmd::kPttToggle);  // F6 on the receive feature
    EXPECT_EQ(Sent(), std::vector<std::string>{});

    bar->OnPollTimer();
    const int first = bar->m_nSignalStrength;
    EXPECT_GT(first, 0);
    EXPECT_EQ(bar->SignalStrengthEdit()->text(), QString::number(first));
    screen->ApplySliderPosition(0, 0);  // far from the filter's optimum
    bar->OnPollTimer();
    EXPECT_LT(bar->m_nSignalStrength, first);
    EXPECT_EQ(bar->SignalStrengthEdit()->text(), QString::number(bar->m_nSignalStrength));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"000e02", "0001020300", "000e02"}));
}

TEST_F(TunerScreenTest, ALostRadioStopsThePollAfterOneMessage) {
    Open(Cmd::kFrontEndFilter);
    auto* bar = dynamic_cast<CTunerRxDlgBarDlg*>(screen->Bar());
    bar->OnPollTimer();
    const int last = bar->m_nSignalStrength;
    Sent();
    BenchFaults f;
    f.corruptReply = true;
    m_bench->SetFaults(f);
    for (int i = 0; i < 8; ++i) bar->OnPollTimer();
    EXPECT_TRUE(bar->m_bPollStopped);
    EXPECT_EQ(m_host.Count(Str::kCommFailed), 1);
    EXPECT_EQ(Sent(), std::vector<std::string>{"000e02"}) << "no request after the failure";
    EXPECT_EQ(bar->SignalStrengthEdit()->text(), QString::number(last));
}

TEST_F(TunerScreenTest, CancellingTheReceiverCloseKeepsThePollRunning) {
    Open(Cmd::kFrontEndFilter);
    auto* bar = dynamic_cast<CTunerRxDlgBarDlg*>(screen->Bar());
    bar->Timer().start();
    screen->ApplySliderPosition(0, 80);
    m_dialogs.onExec = [](QDialog& dialog) {
        dialog.reject();
        return dialog.result();
    };
    screen->OnCommand(Cmd::kScreenClose);
    EXPECT_EQ(m_dialogs.titles.back(), "WARNING");
    ASSERT_NE(CTunerDlg::Current(), nullptr);
    EXPECT_TRUE(bar->Timer().isActive()) << "the signal strength is still refreshed";
    EXPECT_TRUE(m_frame->GetActiveDoc()->m_commErrorOnce);
    bar->Timer().stop();
    Sent();
    bar->OnPollTimer();
    EXPECT_EQ(Sent(), std::vector<std::string>{"000e02"});
}

TEST_F(TunerScreenTest, HighToneWhileOffSendsTheToneOnly) {
    Open(Cmd::kDevBalance);
    auto* bar = dynamic_cast<CTunerTxDevBalDlgBarDlg*>(screen->Bar());
    ASSERT_NE(bar, nullptr);
    m_host.m_sleeps.clear();
    EXPECT_TRUE(bar->IsLowChecked());
    EXPECT_FALSE(bar->IsHighChecked());
    QTest::mouseClick(bar->HighButton(), Qt::LeftButton);
    EXPECT_EQ(Sent(), std::vector<std::string>{"000212"});
    QTest::mouseClick(bar->HighButton(), Qt::LeftButton);  // the one already chosen
    EXPECT_EQ(Sent(), std::vector<std::string>{"000212"});
    QTest::mouseClick(bar->LowButton(), Qt::LeftButton);
    EXPECT_EQ(Sent(), std::vector<std::string>{"000211"});
    EXPECT_TRUE(m_host.m_sleeps.empty());
}

TEST_F(TunerScreenTest, HighToneWhileKeyedDekeysPausesAndKeysAgain) {
    Open(Cmd::kDevBalance);
    auto* bar = dynamic_cast<CTunerTxDevBalDlgBarDlg*>(screen->Bar());
    screen->OnCommand(Cmd::kPttToggle);  // F6 keys through this bar
    EXPECT_EQ(Sent(), (std::vector<std::string>{"000401", "000102057fff", "0001020218"}));
    m_host.m_sleeps.clear();
    QTest::mouseClick(bar->HighButton(), Qt::LeftButton);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"000501", "000212", "000401", "000102057fff",
                                                "0001020218"}));
    EXPECT_EQ(m_host.m_sleeps, std::vector<std::uint32_t>{500});
    EXPECT_TRUE(bar->m_bTransmitting);
    EXPECT_EQ(Status(), "TRANSMITTING AT - 851.0125");
    EXPECT_EQ(m_bench->Radio().Modulation(), 0x12);
    EXPECT_TRUE(m_bench->Radio().Keyed());
}

TEST_F(TunerScreenTest, ToneChoicesOfAutomaticTuningFollowTheButtonChecks) {
    Open(Cmd::kDevBalance);
    auto* bar = CTunerTxDevBalDlgBarDlg::Current();
    ASSERT_EQ(bar, screen->Bar());
    // As the tuning task does it: set the checks, then the tone message.
    bar->SetLowCheck(false);
    bar->SetHighCheck(true);
    bar->OnHighTone();
    EXPECT_EQ(Sent(), std::vector<std::string>{"000212"});
    EXPECT_TRUE(bar->IsHighChecked());
    EXPECT_FALSE(bar->IsLowChecked());
    bar->OnLowTone();  // Low is not the checked button: nothing
    EXPECT_EQ(Sent(), std::vector<std::string>{});
    bar->m_nIdleSeconds = 30;
    bar->SetHighCheck(false);
    bar->SetLowCheck(true);
    bar->OnLowTone();
    EXPECT_EQ(Sent(), std::vector<std::string>{"000211"});
    EXPECT_EQ(bar->m_nIdleSeconds, 0);
    // PTT Toggle of this bar, and its time-out like the Program/PTT bar's.
    TimeOutAnswer answer;
    m_dialogs.onExec = std::ref(answer);
    bar->PttToggle();
    for (int s = 0; s < 50; ++s) bar->OnTimer();
    EXPECT_EQ(answer.shown, 1);
    EXPECT_FALSE(bar->m_bTransmitting);
}
