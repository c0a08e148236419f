// The Automatic Tuning dialog's Radio button on the main frame and the bench over its ptys:
// every transmit feature opens on its tuning screen, is tuned and programmed; the report is
// saved as CSV beside the data set, written to the tuning log and shown in print preview.
// The same alignment without a window sends the radio the very same requests.

#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtPrintSupport/QPrintPreviewDialog>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "../BenchIdeal.h"
#include "AutoTunerDlgFixture.h"
#include "autotune/AlignmentLimits.h"
#include "autotune/HeadlessAlignmentFace.h"
#include "autotune/RadioAlignment.h"
#include "autotune/ui/AlignmentReportFile.h"
#include "document/FrameLink.h"
#include "document/TunFile.h"
#include "radio/RadioRead.h"
#include "radio/SerialRadioComm.h"

namespace {

/// The run's order of features.
const char* const kOrder[] = {"Reference Oscillator", "Tx Power High",        "Tx Power Mid",
                              "Tx Power Low",         "Tx Deviation Balance", "Tx Deviation Limit"};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

/// Starts a request for programming softpots (0001 04 ...).
bool IsProgramming(const std::string& request) {
    return request.rfind("000104", 0) == 0;
}

class RadioAlignmentDlgTest : public AutoTunerDlgTest {
protected:
    void SetUp() override { m_benchNoise = false; }

    /// The dialog on a radio read from the bench (no tuning screen open), saved as a .tun file
    /// in the scratch folder, with a tuning log beside the program.
    void OpenSaved(const std::string& profile) {
        m_host.m_exeFolder = m_scratch.path().toStdString();
        std::ofstream(LogPath()) << "";
        OpenOnRadio(profile);
        ASSERT_FALSE(HasFatalFailure());
        CTunerDoc* doc = m_frame->GetActiveDoc();
        std::string error;
        const std::string tun = m_scratch.filePath("radio.tun").toStdString();
        ASSERT_TRUE(TunFile::Save(*doc, tun, error)) << error;
        doc->m_filePath = tun;  // as Save As leaves it
        // Status lines as they are shown; the preview and the other dialogs as they are run.
        QObject::connect(dlg->StatusEdit(), &QLineEdit::textChanged, dlg,
                         [this](const QString& t) { statuses.push_back(t.toStdString()); });
        m_dialogs.onExec = [this](QDialog& d) {
            shown.push_back(d.windowTitle().toStdString());
            previewed = previewed || qobject_cast<QPrintPreviewDialog*>(&d) != nullptr;
            return int(QDialog::Rejected);
        };
    }
    std::string LogPath() const { return m_scratch.filePath("TunerLog.txt").toStdString(); }
    /// Serves the run until it ended; at (if set) sees every status line first.
    void RunRadio(std::function<void(const std::string&)> at = nullptr) {
        std::size_t seen = 0;
        QTest::mouseClick(dlg->RadioButton(), Qt::LeftButton);
        WaitForJob([&] {
            for (; at && seen < statuses.size(); ++seen) at(std::string(statuses[seen]));
        });
    }
    /// Runs the alignment and, once the row whose status line begins with prefix has keyed the
    /// transmitter, does act. Returns how many requests the radio had received by then (0 when
    /// that row never came).
    std::size_t RunAndActAt(const std::string& prefix, const std::function<void()>& act) {
        std::size_t at = 0;
        RunRadio([&](const std::string& status) {
            if (at == 0 && status.rfind(prefix, 0) == 0 &&
                ServeUntil([&] { return m_bench->Radio().Keyed(); })) {
                at = m_bench->RadioRequests().size();
                act();
            }
        });
        return at;
    }
    /// The radio was left dekeyed and received no programming request from request from on.
    void ExpectDekeyedAndNothingProgrammedFrom(std::size_t from) {
        EXPECT_FALSE(m_bench->Radio().Keyed());
        const std::vector<std::string> requests = m_bench->RadioRequests();
        for (std::size_t i = from; i < requests.size(); ++i)
            EXPECT_FALSE(IsProgramming(requests[i])) << "request " << i << " " << requests[i];
    }
    bool SawStatus(const std::string& prefix) const {
        for (const std::string& s : statuses)
            if (s.rfind(prefix, 0) == 0)
                return true;
        return false;
    }
    /// The CSV files saved in the scratch folder.
    QStringList Reports() const {
        return QDir(m_scratch.path()).entryList({"*-alignment-*.csv"}, QDir::Files);
    }

    std::vector<std::string> statuses;
    std::vector<std::string> shown;
    bool previewed = false;
    AutotuneHelpFolder help;
};

TEST_F(RadioAlignmentDlgTest, RadioAlignsTheDetunedRadioProgramsItAndSavesAndPreviewsTheReport) {
    ASSERT_NO_FATAL_FAILURE(OpenSaved("detuned"));
    const CRadioProfile& p = m_bench->Radio().Profile();
    EXPECT_FALSE(dlg->ProgramFailedCheck()->isChecked());
    int total = 0;
    for (int f = 0; f < 6; ++f) total += p.Count(kBenchFeatureTypes[f]);

    bool stopShown = false;
    RunRadio([&](const std::string&) {
        stopShown =
            stopShown || (dlg->RadioButton()->text() == "Stop Tuning" &&
                          !dlg->SliderButton()->isEnabled() && !dlg->WindowButton()->isEnabled());
    });
    EXPECT_TRUE(stopShown);
    EXPECT_EQ(dlg->RadioButton()->text(), "Radio");
    EXPECT_TRUE(dlg->SliderButton()->isEnabled());
    EXPECT_FALSE(m_bench->Radio().Keyed());
    EXPECT_EQ(CTunerDlg::Current(), nullptr) << "every screen the run opened is closed";
    EXPECT_EQ(m_frame->OpenScreenWidget(), dlg.data());

    // The status monitor followed the run: feature, row, overall progress.
    const std::string all = " of " + std::to_string(total) + " rows)";
    EXPECT_TRUE(SawStatus("Reference Oscillator: row 1 of 1 (1" + all));
    EXPECT_TRUE(SawStatus("Tx Power Mid: row 2 of 3 ("));
    EXPECT_TRUE(SawStatus("Tx Deviation Limit: row 3 of 3 (" + std::to_string(total) + all));
    EXPECT_EQ(dlg->Progress()->maximum(), total);
    EXPECT_EQ(dlg->Progress()->value(), total);

    // The report: saved as CSV beside the .tun file, every row passed and programmed.
    ASSERT_EQ(Reports().size(), 1);
    const std::string csvPath = m_scratch.filePath(Reports().front()).toStdString();
    EXPECT_EQ(dlg->LastReportPath(), csvPath);
    EXPECT_EQ(Reports().front().left(16), "radio-alignment-");
    EXPECT_EQ(dlg->StatusEdit()->text().toStdString(),
              "Alignment PASS. Report saved as " + csvPath);
    const std::string csv = ReadFile(csvPath);
    EXPECT_NE(csv.find("Result,PASS\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("Serial Number," + p.serialNumber + "\r\n"), std::string::npos);
    std::size_t rows = 0;
    for (std::size_t at = 0; (at = csv.find(",PASS,,yes,yes\r\n", at)) != std::string::npos; ++at)
        ++rows;
    EXPECT_EQ(rows, static_cast<std::size_t>(total)) << csv;
    EXPECT_EQ(shown, std::vector<std::string>{CAutoTunerDlg::kReportTitle});
    EXPECT_TRUE(previewed);
    const std::string log = ReadFile(LogPath());
    EXPECT_NE(log.find("Alignment Report\r\n"), std::string::npos);
    EXPECT_NE(log.find("Overall result: PASS\r\n"), std::string::npos);

    // The radio holds values within a step of its ideal points, and the data set the same.
    const CAlignmentLimits limits;
    CTunerDoc* doc = m_frame->GetActiveDoc();
    for (int f = 0; f < 6; ++f) {
        const int type = kBenchFeatureTypes[f];
        const std::vector<int> programmed = m_bench->Radio().Programmed(type, kBenchPowerCodes[f]);
        const double ideal = BenchIdeal(p, f, limits.For(f).target);
        int freqs[10], values[10];
        doc->GetSavedValues(type, type == 1 ? 4 - f : 0, freqs, values);
        for (int r = 0; r < p.Count(type); ++r) {
            EXPECT_LE(std::fabs(programmed[r] - ideal), 1.0) << kOrder[f] << " row " << r + 1;
            EXPECT_EQ(values[r], programmed[r]) << kOrder[f] << " row " << r + 1;
        }
    }
}

TEST_F(RadioAlignmentDlgTest, StopTuningEndsTheRunDekeyedAndProgramsNothingAfterwards) {
    ASSERT_NO_FATAL_FAILURE(OpenSaved("detuned"));
    const std::vector<int> powerHigh = m_bench->Radio().Programmed(1, 0x00);
    const std::size_t stoppedAt = RunAndActAt("Tx Power High: row 2 ", [&] {
        QTest::mouseClick(dlg->RadioButton(), Qt::LeftButton);  // Stop Tuning
        EXPECT_EQ(dlg->StatusEdit()->text().toStdString(), CAutoTunerDlg::kStopping);
    });
    ASSERT_GT(stoppedAt, 0u);
    ExpectDekeyedAndNothingProgrammedFrom(stoppedAt);
    EXPECT_EQ(CTunerDlg::Current(), nullptr);
    EXPECT_EQ(m_bench->Radio().Programmed(1, 0x00), powerHigh);
    EXPECT_FALSE(SawStatus("Tx Power Mid:")) << "no feature starts after the stop";

    EXPECT_EQ(dlg->StatusEdit()->text().toStdString().rfind(
                  "Alignment FAIL (the run was stopped). Report saved as ", 0),
              0u)
        << dlg->StatusEdit()->text().toStdString();
    const std::string csv = ReadFile(dlg->LastReportPath());
    EXPECT_NE(csv.find("Stopped,the run was stopped\r\n"), std::string::npos) << csv;
    EXPECT_EQ(shown, std::vector<std::string>{CAutoTunerDlg::kReportTitle});
}

TEST_F(RadioAlignmentDlgTest, ATestSetGoingSilentEndsTheRunDekeyedWithAClearMessage) {
    ASSERT_NO_FATAL_FAILURE(OpenSaved("detuned"));
    dlg->Link().SetReplyWaitMs(1500);
    const std::vector<int> powerHigh = m_bench->Radio().Programmed(1, 0x00);
    RunRadio([&](const std::string& status) {
        if (status.rfind("Tx Power High: row 2 ", 0) == 0) {
            BenchFaults silent;
            silent.testSetNoReply = -1;
            m_bench->SetFaults(silent);
        }
    });
    EXPECT_EQ(m_host.Count(CAutoTuneTasks::kNoAnswer), 1)
        << ::testing::PrintToString(m_host.Texts());
    EXPECT_FALSE(m_bench->Radio().Keyed());
    EXPECT_EQ(CTunerDlg::Current(), nullptr);
    EXPECT_EQ(m_bench->Radio().Programmed(1, 0x00), powerHigh);
    EXPECT_EQ(dlg->StatusEdit()->text().toStdString().rfind(
                  "Alignment FAIL (the HP8920B did not answer). Report saved as ", 0),
              0u)
        << dlg->StatusEdit()->text().toStdString();
    EXPECT_TRUE(previewed);
}

TEST_F(RadioAlignmentDlgTest, KeysOnTheDrivenScreenAskNothingAndTheRunGoesOn) {
    ASSERT_NO_FATAL_FAILURE(OpenSaved("detuned"));
    m_settings.m_nReminderOff = 0;  // a close would ask: the rows have changed
    std::vector<std::string> notDriven;
    bool pressed = false;
    RunRadio([&](const std::string& status) {
        QPointer<CTunerDlg> s = CTunerDlg::Current();
        // Every screen the run opens is driven from the start.
        if (s && !(s->IsDriven() && s->DriveNotice()->isVisible()))
            notDriven.push_back(status);
        if (!pressed && s && status.rfind("Tx Power High: row 2 ", 0) == 0 &&
            ServeUntil([&] { return m_bench->Radio().Keyed(); }) && s) {
            // The technician turns to the screen and presses its keys and its close box, one
            // after the other while the row is tuned.
            const bool active = ServeUntil([&] {
                if (s && QApplication::activeWindow() != s.data())
                    s->activateWindow();
                return !s || QApplication::activeWindow() == s.data();
            });
            if (active && s && m_bench->Radio().Keyed()) {
                pressed = true;
                for (Qt::Key key : {Qt::Key_F10, Qt::Key_Escape, Qt::Key_F8, Qt::Key_F6})
                    QTest::keyClick(s, key);
                s->close();
                EXPECT_TRUE(s->isVisible());
                EXPECT_EQ(CTunerDlg::Current(), s.data());
            }
        }
    });
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(notDriven.empty()) << ::testing::PrintToString(notDriven);
    EXPECT_EQ(shown, std::vector<std::string>{CAutoTunerDlg::kReportTitle}) << "nothing asked";
    EXPECT_FALSE(m_bench->Radio().Keyed());
    EXPECT_FALSE(CTunerDlg::AutomaticDrive());
    EXPECT_TRUE(SawStatus("Tx Deviation Limit: row 3 of 3 ")) << "the run went on to its end";
    EXPECT_EQ(dlg->StatusEdit()->text().toStdString().rfind("Alignment PASS. Report saved as ", 0),
              0u)
        << dlg->StatusEdit()->text().toStdString();
}

TEST_F(RadioAlignmentDlgTest, ClosingTheDialogOrTheDataSetMidRunLeavesTheRadioDekeyed) {
    const struct {
        const char* what;
        std::function<void()> close;
    } cases[] = {
        {"Esc on the dialog", [this] { QTest::keyClick(dlg, Qt::Key_Escape); }},
        {"the data set closes", [this] { m_frame->GetActiveDoc()->DeleteContents(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        statuses.clear();
        shown.clear();
        ASSERT_NO_FATAL_FAILURE(OpenSaved("detuned"));
        const std::vector<int> powerMid = m_bench->Radio().Programmed(1, 0x01);
        const std::size_t closedAt = RunAndActAt("Tx Power Mid: row 1 ", c.close);
        Flush();
        ASSERT_GT(closedAt, 0u);
        EXPECT_TRUE(dlg.isNull());
        EXPECT_EQ(CAutoTunerDlg::Current(), nullptr);
        EXPECT_EQ(CTunerDlg::Current(), nullptr);
        ExpectDekeyedAndNothingProgrammedFrom(closedAt);
        EXPECT_EQ(m_bench->Radio().Programmed(1, 0x01), powerMid);
        ASSERT_FALSE(m_bench->TestSetLines().empty());
        EXPECT_EQ(m_bench->TestSetLines().back(), "1");  // the resident program was ended
        EXPECT_TRUE(shown.empty()) << "no preview once the dialog is closing";
        // What was done is still on record.
        ASSERT_EQ(Reports().size(), 1);
        const std::string csv = ReadFile(m_scratch.filePath(Reports().front()).toStdString());
        EXPECT_NE(csv.find("Result,FAIL\r\n"), std::string::npos) << csv;
        EXPECT_NE(csv.find("Tx Power High,3,"), std::string::npos) << csv;
        QFile::remove(m_scratch.filePath(Reports().front()));
    }
}

TEST_F(RadioAlignmentDlgTest, ProgramFailedFeaturesProgramsAFeatureThatMissedItsLimits) {
    OpenSaved(ProfileFile("base = standard\ndevBalanceIdeal = 90\n"));  // out of 0-63
    dlg->ProgramFailedCheck()->setChecked(true);
    RunRadio();
    EXPECT_EQ(m_bench->Radio().Programmed(2), std::vector<int>(3, 63));
    EXPECT_FALSE(m_bench->Radio().Keyed());
    EXPECT_EQ(dlg->StatusEdit()->text().toStdString().rfind("Alignment FAIL. Report saved as ", 0),
              0u)
        << dlg->StatusEdit()->text().toStdString();
    const std::string csv = ReadFile(dlg->LastReportPath());
    EXPECT_NE(csv.find("Tx Deviation Balance,1,"), std::string::npos);
    EXPECT_NE(csv.find("the reading is outside the tolerance; the target is out of reach: the end "
                       "of the range (value 63) gives "),
              std::string::npos)
        << csv;
}

TEST_F(RadioAlignmentDlgTest, UnusableLimitsOrTargetsStartNothingAndSayWhy) {
    const struct {
        const char* limitsFile;  // beside the program; null for none, "/" for a folder
        const char* lowTarget;
        const char* message;
    } cases[] = {
        {"refOscTolerance = 40\npowerLowTolerance = none\n", ".5",
         "AlignmentLimits.txt: line 2: powerLowTolerance needs a number, not \"none\""},
        {nullptr, "abc", "Target Low Power: \"abc\" is not a number of watts."},
        {"/", ".5", "AlignmentLimits.txt: cannot be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TearDown();
        m_host.m_messages.clear();
        ASSERT_NO_FATAL_FAILURE(OpenSaved("standard"));
        const QString limits = m_scratch.filePath(CAutoTunerDlg::kLimitsFile);
        QFile::remove(limits);
        QDir().rmdir(limits);
        if (c.limitsFile && std::string(c.limitsFile) == "/")
            QDir().mkdir(limits);
        else if (c.limitsFile)
            std::ofstream(limits.toStdString()) << c.limitsFile;
        dlg->TargetLowEdit()->setText(c.lowTarget);
        QTest::mouseClick(dlg->RadioButton(), Qt::LeftButton);
        Flush();
        EXPECT_FALSE(dlg->Busy());
        EXPECT_EQ(dlg->RadioButton()->text(), "Radio");
        ASSERT_EQ(m_host.m_messages.size(), 1u);
        EXPECT_NE(m_host.m_messages[0].text.find(c.message), std::string::npos)
            << m_host.m_messages[0].text;
        EXPECT_TRUE(m_bench->RadioRequests().empty());
        EXPECT_TRUE(m_bench->TestSetLines().empty());
        EXPECT_TRUE(Reports().empty());
    }
}

TEST_F(RadioAlignmentDlgTest, AbortOnTheStartMessageAlignsNothingAndKeepsNoReport) {
    ASSERT_NO_FATAL_FAILURE(OpenSaved("standard"));
    BenchFaults silent;
    silent.testSetSilent = true;
    m_bench->SetFaults(silent);
    dlg->Link().SetReplyWaitMs(1000);
    m_host.Answer(MsgResult::Abort);
    RunRadio();
    ASSERT_FALSE(m_host.m_messages.empty());
    EXPECT_EQ(
        m_host.m_messages.back().text.rfind("Unable to start the HP8920B resident program", 0), 0u)
        << m_host.m_messages.back().text;
    EXPECT_EQ(dlg->StatusEdit()->text().toStdString(),
              std::string("Nothing was aligned: ") + CRadioAlignment::kNoProgram + ".");
    EXPECT_EQ(dlg->RadioButton()->text(), "Radio");
    EXPECT_FALSE(m_bench->Radio().Keyed());
    EXPECT_EQ(CTunerDlg::Current(), nullptr);
    EXPECT_TRUE(Reports().empty());
    EXPECT_TRUE(shown.empty());
}

TEST_F(RadioAlignmentDlgTest, EachFeatureSendsTheRequestsOfTheHeadlessAlignment) {
    ASSERT_NO_FATAL_FAILURE(OpenSaved("detuned"));
    RunRadio();
    const std::vector<std::string> onScreens = m_bench->RadioRequests();
    ASSERT_NE(dlg->StatusEdit()->text().indexOf("Alignment PASS"), -1);

    // The same alignment without a window, on a fresh bench radio of the same profile read
    // into a data set that was saved as well.
    BenchOptions options;
    options.profile = "detuned";
    options.paced = false;
    options.noise = false;
    options.testSet = true;
    options.testSetStart = BenchOptions::TestSetStart::Running;
    CBench bench(options);
    std::string error;
    ASSERT_TRUE(bench.Start(error)) << error;
    CRecordingHost host;
    CPortMap map;
    map.SetDeviceLister([] { return std::vector<std::string>{}; });
    map.SetMapping(2, bench.TestSetDevice());
    CTestSetLink link(host, map, [] { return std::string("2"); });
    link.SetDiagnostics([](const std::string&) {});
    host.onSleep = [&](std::uint32_t ms) { bench.SettleTestSet(ms, link.Stats().bytesSent); };
    CFrameState frame;
    frame.SetPort(bench.RadioDevice());
    CTunerDoc doc(host, frame, MakeSerialRadioCommFactory(host, CPortMap(), 9600));
    ASSERT_EQ(ReadDevice(doc), S_OK);
    ASSERT_TRUE(TunFile::Save(doc, m_scratch.filePath("headless.tun").toStdString(), error));
    bench.ClearTrace();
    CHeadlessAlignmentFace face(doc, host);
    CRadioAlignment alignment(link, face, AlignmentOptions{});
    EXPECT_TRUE(alignment.Run().Passed());
    const std::vector<std::string> headless = bench.RadioRequests();
    bench.Stop();

    // Feature by feature: each one begins by entering test mode (000c). Before it opens a
    // screen the frame checks that the radio is the data set's (serial and model number
    // reads); what the screens send is compared.
    auto split = [](const std::vector<std::string>& requests) {
        std::vector<std::vector<std::string>> features;
        for (const std::string& q : requests) {
            if (q == "000c" || features.empty())
                features.emplace_back();
            features.back().push_back(q);
        }
        return features;
    };
    std::vector<std::string> screens;
    int checks = 0;
    for (std::size_t i = 0; i < onScreens.size(); ++i) {
        const bool check = i + 2 < onScreens.size() && onScreens[i] == "001100" &&
                           onScreens[i + 1] == "001000" && onScreens[i + 2] == "000c";
        if (check) {
            ++checks;
            ++i;
        } else {
            screens.push_back(onScreens[i]);
        }
    }
    EXPECT_EQ(checks, 6);
    // Each feature tested as found, aligned, and tested as left.
    const auto gui = split(screens);
    const auto cli = split(headless);
    ASSERT_EQ(gui.size(), 18u);
    ASSERT_EQ(cli.size(), 18u);
    for (std::size_t f = 0; f < gui.size(); ++f) {
        std::size_t at = 0;
        while (at < gui[f].size() && at < cli[f].size() && gui[f][at] == cli[f][at]) ++at;
        auto near = [at](const std::vector<std::string>& r) {
            std::string text;
            for (std::size_t i = at >= 3 ? at - 3 : 0; i < r.size() && i < at + 4; ++i)
                text += (i == at ? " [" : " ") + r[i] + (i == at ? "]" : "");
            return text;
        };
        EXPECT_TRUE(at == gui[f].size() && at == cli[f].size())
            << kOrder[f % 6] << " (" << f / 6 << "): request " << at
            << " differs\n  on the screens:" << near(gui[f])
            << "\n  headless:      " << near(cli[f]);
    }
}

// The Test button runs the test of vegal-cli test: every row measured as the radio holds it,
// no tuning screen, no value and no programming; the report saved and shown as Radio's is.
// The radio receives the very requests the headless test sends it.
TEST_F(RadioAlignmentDlgTest, TestMeasuresEveryRowChangesNothingAndSendsTheHeadlessRequests) {
    ASSERT_NO_FATAL_FAILURE(OpenSaved("detuned"));
    EXPECT_EQ(dlg->TestButton()->text(), "Test");
    const std::size_t from = m_bench->RadioRequests().size();
    bool stopShown = false;
    QTest::mouseClick(dlg->TestButton(), Qt::LeftButton);
    WaitForJob([&] {
        stopShown = stopShown || (dlg->TestButton()->text() == "Stop Tuning" &&
                                  !dlg->RadioButton()->isEnabled());
    });
    EXPECT_TRUE(stopShown);
    EXPECT_EQ(dlg->TestButton()->text(), "Test");
    EXPECT_TRUE(dlg->RadioButton()->isEnabled());
    EXPECT_FALSE(m_bench->Radio().Keyed());
    EXPECT_EQ(CTunerDlg::Current(), nullptr) << "the test opens no tuning screen";
    const std::vector<std::string> all = m_bench->RadioRequests();
    const std::vector<std::string> onDialog(all.begin() + from, all.end());
    for (const std::string& q : onDialog)
        EXPECT_TRUE((q.rfind("000102", 0) != 0 || q == "000102057fff") && !IsProgramming(q)) << q;

    const QStringList reports = QDir(m_scratch.path()).entryList({"*-test-*.csv"}, QDir::Files);
    ASSERT_EQ(reports.size(), 1);
    const std::string csvPath = m_scratch.filePath(reports.front()).toStdString();
    EXPECT_EQ(dlg->StatusEdit()->text().toStdString(), "Test FAIL. Report saved as " + csvPath);
    const std::string csv = ReadFile(csvPath);
    EXPECT_EQ(csv.rfind("Test Report\r\n", 0), 0u) << csv;
    EXPECT_NE(csv.find("Result,FAIL\r\n"), std::string::npos) << csv;
    EXPECT_EQ(shown, std::vector<std::string>{CAutoTunerDlg::kTestReportTitle});
    EXPECT_TRUE(previewed);

    // The same test without a window, on the same radio.
    m_bench->ClearTrace();
    CTunerDoc& doc = *m_frame->GetActiveDoc();
    CHeadlessAlignmentFace face(doc, m_host);
    AlignmentOptions options;
    options.testOnly = true;
    CRadioAlignment test(dlg->Link(), face, options);
    const CAlignmentReport report = test.Run();
    EXPECT_FALSE(report.Passed());
    EXPECT_EQ(m_bench->RadioRequests(), onDialog);
}

TEST(AlignmentReportFile, BesideTheTunFileOrInTheDocumentsFolderWithoutOverwriting) {
    EnsureApp();
    QTemporaryDir home;
    const QByteArray previousHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    CRecordingHost host;
    CFrameState frame;
    CTunerDoc doc(host, frame, MakeSerialRadioCommFactory(host, CPortMap(), 9600));
    doc.m_serialNumber = "617/ABC 1";
    const QDateTime when(QDate(2026, 3, 12), QTime(14, 15, 3));

    // A radio that was only read: the Documents folder, made when missing, by serial number.
    const std::string documents = AlignmentReportFile::PathFor(doc, when);
    EXPECT_EQ(documents,
              home.filePath("Documents/617_ABC_1-alignment-20260312-141503.csv").toStdString());
    EXPECT_TRUE(QDir(home.filePath("Documents")).exists());

    // A data set with a file: beside it, by its name; a name taken gets a number.
    doc.m_filePath = home.filePath("shop/H18 radio.tun").toStdString();
    QDir(home.path()).mkpath("shop");
    const std::string beside = AlignmentReportFile::PathFor(doc, when);
    EXPECT_EQ(beside, home.filePath("shop/H18 radio-alignment-20260312-141503.csv").toStdString());
    std::ofstream(beside) << "taken";
    EXPECT_EQ(AlignmentReportFile::PathFor(doc, when),
              home.filePath("shop/H18 radio-alignment-20260312-141503-2.csv").toStdString());
    qputenv("HOME", previousHome);
}

}  // namespace
