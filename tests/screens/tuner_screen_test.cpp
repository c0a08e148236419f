#include <QtCore/QThread>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include <fstream>
#include <sstream>
#include <thread>

#include "TunerScreenFixture.h"
#include "app/HelpWindow.h"
#include "app/PlaceholderScreen.h"

using namespace BenchFreq;

namespace {

/// What opening each tuning command on the standard (family 2) bench radio does.
struct OpenCase {
    int command;
    const char* title;
    std::vector<std::string> start;  ///< the requests of the start of the feature
    int rows;
    const char* upper;
    const char* status;
};

std::string Tx(const char* freq, bool ref = false) {
    return std::string("000b") + freq + "64" + (ref ? "01" : "00");
}

}  // namespace

TEST_F(TunerScreenTest, EveryTuningCommandOpensItsScreenAndStartsTheFeature) {
    const OpenCase cases[] = {
        {Cmd::kRefOsc,
         "Reference Oscillator",
         {"000c", "000501", "000603", Tx(k851, true), "000210",
          "00010200"
          "00fa"},
         1,
         "511",
         "TRANSMITTER OFF - 851.0125"},
        {Cmd::kTxPowerHigh,
         "Tx Power High",
         {"000c", "000501", "000600", Tx(k851), "000210", "000102015a"},
         3,
         "127",
         "TRANSMITTER OFF - 851.0125"},
        {Cmd::kTxPowerMid,
         "Tx Power Mid",
         {"000c", "000501", "000601", Tx(k851), "000210", "0001020132"},
         3,
         "127",
         "TRANSMITTER OFF - 851.0125"},
        {Cmd::kTxPowerLow,
         "Tx Power Low",
         {"000c", "000501", "000603", Tx(k851), "000210", "0001020114"},
         3,
         "127",
         "TRANSMITTER OFF - 851.0125"},
        {Cmd::kCurrentLimit,
         "Tx Current Limit",
         {"000c", "000501", "000600", Tx(k851), "000210", "000102040a"},
         1,
         "15",
         "TRANSMITTER OFF - 851.0125"},
        {Cmd::kDevBalance,
         "Tx Deviation Balance",
         {"000c", "000501", "000603", Tx(k851), "000701", "000211", "0001020218"},
         3,
         "63",
         "TRANSMITTER OFF - 851.0125"},
        {Cmd::kDevLimit,
         "Tx Deviation Limit",
         {"000c", "000501", "000603", Tx(k851), "000223",
          "00010205"
          "0ac8"},
         3,
         "32767",
         "TRANSMITTER OFF - 851.0125"},
        {Cmd::kFrontEndFilter,
         "Rx Front End Filter",
         {"000c", "000501", "000603", std::string("000a") + k851 + "6400", "000210", "0001020364"},
         4,
         "127",
         "RECEIVING AT - 851.0125"},
    };
    StartShell();
    ReadRadio();
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.title);
        m_bench->ClearTrace();
        OpenAgain(c.command);
        EXPECT_EQ(screen->windowTitle().toStdString(), c.title);
        // The frame checks the radio first (serial, model), then the screen starts its feature.
        std::vector<std::string> expected{"001100", "001000"};
        expected.insert(expected.end(), c.start.begin(), c.start.end());
        EXPECT_EQ(opening, expected);
        EXPECT_EQ(screen->RowCount(), c.rows);
        EXPECT_EQ(screen->LowerRangeText(), "0");
        EXPECT_EQ(screen->UpperRangeText().toStdString(), c.upper);
        EXPECT_EQ(Status(), c.status);
        EXPECT_EQ(screen->m_nSelectedRow, 1);
        EXPECT_EQ(screen->RowColour(0), kGreen);
        EXPECT_EQ(screen->FrequencyEdit(0)->text(), "851.0125");
        EXPECT_EQ(screen->RadioValueEdit(0)->text(), screen->NewValueEdit(0)->text());
        EXPECT_EQ(screen->RowSlider(0)->maximum(), QString(c.upper).toInt());
        EXPECT_EQ(m_dialogs.titles.size(), 1u) << "only the port dialog of the read";
        EXPECT_TRUE(m_host.m_messages.empty()) << ::testing::PrintToString(m_host.Texts());
        screen->OnCommand(Cmd::kScreenClose);  // unchanged: closes without asking
        Flush();
        EXPECT_EQ(CTunerDlg::Current(), nullptr);
        EXPECT_EQ(m_frame->OpenScreenWidget(), nullptr);
        EXPECT_EQ(Requests(), std::vector<std::string>{}) << "closing keyed nothing";
    }
    EXPECT_EQ(m_frame->findChild<CPlaceholderScreen*>(), nullptr);
}

TEST_F(TunerScreenTest, EachFeatureGetsItsBarAndTheBarsAreCurrentOnlyWhileOpen) {
    StartShell();
    ReadRadio();
    OpenAgain(Cmd::kTxPowerHigh);
    EXPECT_NE(CTunerDlgBarDlg::Current(), nullptr);
    EXPECT_EQ(CTunerDlgBarDlg::Current(), screen->Bar());
    EXPECT_EQ(CTunerRxDlgBarDlg::Current(), nullptr);
    EXPECT_EQ(CTunerTxDevBalDlgBarDlg::Current(), nullptr);
    EXPECT_EQ(screen->Bar()->Timer().interval(), 1000);
    screen->OnCommand(Cmd::kScreenClose);
    // Gone at once, before the window is deleted.
    EXPECT_EQ(CTunerDlg::Current(), nullptr);
    EXPECT_EQ(CTunerDlgBarDlg::Current(), nullptr);
    Flush();

    OpenAgain(Cmd::kDevBalance);
    EXPECT_EQ(CTunerDlgBarDlg::Current(), nullptr);
    EXPECT_EQ(CTunerTxDevBalDlgBarDlg::Current(), screen->Bar());
    screen->OnCommand(Cmd::kScreenClose);
    Flush();
    EXPECT_EQ(CTunerTxDevBalDlgBarDlg::Current(), nullptr);

    OpenAgain(Cmd::kFrontEndFilter);
    EXPECT_EQ(CTunerRxDlgBarDlg::Current(), screen->Bar());
    EXPECT_EQ(screen->Bar()->Timer().interval(), 250);
    screen->OnCommand(Cmd::kScreenClose);
    Flush();
    EXPECT_EQ(CTunerRxDlgBarDlg::Current(), nullptr);
}

TEST_F(TunerScreenTest, FourTestFrequenciesShowFourRowsAndTheWindowShrinks) {
    Open(Cmd::kFrontEndFilter);
    ASSERT_EQ(screen->RowCount(), 4);
    const char* freqs[] = {"851.0125", "860.5125", "869.9875", "856.0125"};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(screen->IsRowVisible(i), i < 4) << i;
        if (i < 4) {
            EXPECT_EQ(screen->FrequencyEdit(i)->text(), freqs[i]);
        }
    }
    Flush();
    // The range labels sit just under row 4's slider, and the bar follows right after.
    const QWidget* last = screen->RowSlider(3);
    const QRect slider(last->mapTo(screen, QPoint(0, 0)), last->size());
    const QRect low = screen->LowerRangeLabel()->geometry();
    const QRect high = screen->UpperRangeLabel()->geometry();
    EXPECT_EQ(low.left(), slider.left() + 10);
    EXPECT_EQ(high.left(), slider.right() - 20);
    EXPECT_EQ(low.top(), slider.bottom() + 5);
    EXPECT_EQ(high.top(), low.top());
    const QRect bar = screen->Bar()->geometry();
    EXPECT_GE(bar.top(), low.bottom());
    EXPECT_LT(bar.top() - low.bottom(), 24);
    EXPECT_EQ(screen->height(), screen->m_nDialogHeight);
    EXPECT_EQ(bar.bottom(), screen->height() - 1);
    // Six hidden rows take no room: the window is about four rows shorter than ten would be.
    EXPECT_LT(screen->height(), bar.height() + slider.bottom() + 40);
}

TEST_F(TunerScreenTest, ARowAtOneMegahertzIsNotUsedAndCannotBeSelected) {
    Open(Cmd::kTxPowerHigh, ProfileFile("record = 851.0125 0x3F\n"
                                        "record = 1.0 0x02\n"
                                        "record = 860.5125 0x2E\n"));
    ASSERT_EQ(screen->RowCount(), 3);
    EXPECT_EQ(screen->FrequencyEdit(1)->text(), "Not Used");
    for (QWidget* w : std::initializer_list<QWidget*>{
             screen->FrequencyEdit(1), screen->RadioValueEdit(1), screen->RowSlider(1),
             screen->NewValueEdit(1), screen->Spin(1)})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_TRUE(screen->IsRowVisible(2));
    EXPECT_EQ(screen->FrequencyEdit(2)->text(), "860.5125");
    EXPECT_TRUE(screen->RowSlider(2)->isEnabled());

    screen->SelectRowBySlider(1);
    screen->ApplySliderPosition(1, 40);
    EXPECT_EQ(Sent(), std::vector<std::string>{});
    EXPECT_EQ(screen->m_nSelectedRow, 1);
    // Selecting row 3 leaves the unused row's colour alone.
    const uint unused = screen->RowColour(1);
    screen->SelectRowBySlider(2);
    EXPECT_EQ(screen->m_nSelectedRow, 3);
    EXPECT_EQ(screen->RowColour(1), unused);
    EXPECT_EQ(screen->RowColour(2), kGreen);
    EXPECT_EQ(screen->RowColour(0), kGrey);
}

TEST_F(TunerScreenTest, OpeningWritesTheFeatureTitleToTheTuningLog) {
    const std::string log = m_scratch.filePath("TunerLog.txt").toStdString();
    std::ofstream(log).flush();
    m_host.m_exeFolder = m_scratch.path().toStdString();
    Open(Cmd::kTxPowerHigh);
    std::ifstream in(log, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string s = text.str();
    const std::size_t title = s.find("\r\n\r\nTx Power (High)\r\n");
    ASSERT_NE(title, std::string::npos) << s;
    // The title comes before the start of the feature's first request (00 0C).
    EXPECT_NE(s.find("00 0c", title), std::string::npos);
    EXPECT_LT(s.find("00 11 00"), title) << "the radio check precedes the screen";
}

TEST_F(TunerScreenTest, AcceleratorKeysWorkWhereverTheFocusIsAndF1DoesNothing) {
    Open(Cmd::kTxPowerHigh);
    Activate();
    screen->NewValueEdit(0)->setFocus();
    Sent();
    Key(Qt::Key_F6);
    EXPECT_TRUE(PttBar()->m_bTransmitting);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"000401", "000102015a"}));
    screen->RowSlider(0)->setFocus();
    Key(Qt::Key_F6);
    EXPECT_FALSE(PttBar()->m_bTransmitting);
    EXPECT_EQ(Sent(), std::vector<std::string>{"000501"});

    delete CHelpWindow::Instance();
    Key(Qt::Key_F1);
    EXPECT_EQ(CHelpWindow::Instance(), nullptr) << "F1 is ignored on the tuning screen";
    EXPECT_EQ(Sent(), std::vector<std::string>{});

    Key(Qt::Key_F8);
    const std::vector<std::string> program = Sent();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.back(),
              "00010401"
              "5a5a5a");
    Key(Qt::Key_F10);
    Flush();
    EXPECT_EQ(CTunerDlg::Current(), nullptr) << "F10 closes; nothing was left to program";
    EXPECT_TRUE(m_dialogs.titles.size() == 1);
}

TEST_F(TunerScreenTest, HelpButtonOpensTheFeaturesTopic) {
    const std::pair<int, const char*> cases[] = {
        {Cmd::kRefOsc, ":/help/131208.html"},       {Cmd::kTxPowerMid, ":/help/133658.html"},
        {Cmd::kDevBalance, ":/help/131214.html"},   {Cmd::kFrontEndFilter, ":/help/131217.html"},
        {Cmd::kCurrentLimit, ":/help/160308.html"}, {Cmd::kDevLimit, ":/help/160307.html"},
    };
    StartShell();
    ReadRadio();
    for (const auto& [command, page] : cases) {
        OpenAgain(command);
        QTest::mouseClick(screen->Bar()->HelpButton(), Qt::LeftButton);
        ASSERT_NE(CHelpWindow::Instance(), nullptr);
        EXPECT_EQ(CHelpWindow::Instance()->CurrentPage().toStdString(), page);
        screen->OnCommand(Cmd::kScreenClose);
        Flush();
    }
    delete CHelpWindow::Instance();
}

TEST_F(TunerScreenTest, EnterAppliesTheTypedValueAndKeepsTheFocus) {
    Open(Cmd::kTxPowerHigh);
    Activate();
    QLineEdit* edit = screen->NewValueEdit(0);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "100");
    Sent();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Sent(), std::vector<std::string>{"0001020164"});
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_TRUE(screen->isVisible()) << "Enter never closes the screen";
    EXPECT_EQ(screen->RowSlider(0)->value(), 100);
    EXPECT_EQ(screen->m_nNewValue[0], 100);
    EXPECT_EQ(screen->m_nLastSent, 100);
}

TEST_F(TunerScreenTest, ClosingTheDataSetUnderAKeyedScreenDekeysWithoutAsking) {
    Open(Cmd::kTxPowerHigh);
    screen->ApplySliderPosition(0, 70);  // an uncommitted change
    PttBar()->PttToggle();
    ASSERT_TRUE(m_bench->Radio().Keyed());
    Sent();
    m_frame->CloseDocument(m_frame->GetActiveDoc());
    Flush();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"000501", "000d"}));
    EXPECT_EQ(m_dialogs.titles.size(), 1u) << "no warning, no question";
    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(CTunerDlg::Current(), nullptr);
    EXPECT_EQ(CTunerDlgBarDlg::Current(), nullptr);
    EXPECT_FALSE(m_bench->Radio().Keyed());
}

TEST_F(TunerScreenTest, ClosingTheDataSetUnderTheReceiverScreenStopsThePoll) {
    Open(Cmd::kFrontEndFilter);
    QPointer<CTunerBar> bar = screen->Bar();
    bar->Timer().start();
    CTunerDoc* doc = m_frame->GetActiveDoc();
    EXPECT_TRUE(doc->m_commErrorOnce);
    m_frame->CloseDocument(doc);
    Flush();
    EXPECT_EQ(bar, nullptr);
    EXPECT_EQ(CTunerRxDlgBarDlg::Current(), nullptr);
    EXPECT_EQ(Sent(), std::vector<std::string>{"000d"});
}

TEST_F(TunerScreenTest, AutomaticTuningHooksWorkThroughBlockingQueuedCalls) {
    Open(Cmd::kTxPowerHigh);
    // From another thread, as the tuning task does it: each call returns when done.
    int before = -1, after = -1;
    uint colour = 0;
    QString upper;
    bool done = false;
    std::thread worker([&] {
        QMetaObject::invokeMethod(screen, "SliderPosition", Qt::BlockingQueuedConnection,
                                  Q_RETURN_ARG(int, before), Q_ARG(int, 1));
        QMetaObject::invokeMethod(screen, "SelectRowBySlider", Qt::BlockingQueuedConnection,
                                  Q_ARG(int, 1));
        QMetaObject::invokeMethod(screen, "ApplySliderPosition", Qt::BlockingQueuedConnection,
                                  Q_ARG(int, 1), Q_ARG(int, 64));
        QMetaObject::invokeMethod(screen, "SliderPosition", Qt::BlockingQueuedConnection,
                                  Q_RETURN_ARG(int, after), Q_ARG(int, 1));
        QMetaObject::invokeMethod(screen, "RowColour", Qt::BlockingQueuedConnection,
                                  Q_RETURN_ARG(uint, colour), Q_ARG(int, 1));
        QMetaObject::invokeMethod(screen, "UpperRangeText", Qt::BlockingQueuedConnection,
                                  Q_RETURN_ARG(QString, upper));
        QMetaObject::invokeMethod(CTunerDlgBarDlg::Current(), "PttToggle",
                                  Qt::BlockingQueuedConnection);
        done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    EXPECT_EQ(before, 90);
    EXPECT_EQ(after, 64);
    EXPECT_EQ(colour, kGreen);
    EXPECT_EQ(upper, "127");
    EXPECT_EQ(screen->m_nSelectedRow, 2);
    EXPECT_EQ(Sent(), (std::vector<std::string>{Tx(k860), "000102015a", "0001020140", "000401",
                                                "0001020140"}));
    EXPECT_TRUE(PttBar()->m_bTransmitting);
    EXPECT_EQ(Status(), "TRANSMITTING AT - 860.5125");
    EXPECT_EQ(screen->RowColour(0), kGrey);
    EXPECT_EQ(screen->SliderPosition(10), -1);
    EXPECT_EQ(screen->RowSlider(-1), nullptr);
}

TEST_F(TunerScreenTest, AFeatureWithoutTestFrequenciesOpensEmptyAndStillWorks) {
    Open(Cmd::kTxPowerHigh, ProfileFile("record = 851.0125 0x01\n"));  // no Tx Power entry
    EXPECT_EQ(screen->RowCount(), 0);
    for (int i = 0; i < 10; ++i) EXPECT_FALSE(screen->IsRowVisible(i));
    EXPECT_EQ(Status(), "TRANSMITTER OFF - ");
    screen->SelectRowBySlider(0);
    screen->OnCommand(Cmd::kPttToggle);
    screen->OnCommand(Cmd::kPttToggle);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"000401", "0001020100", "000501"}));
    screen->OnCommand(Cmd::kScreenClose);
    Flush();
    EXPECT_EQ(CTunerDlg::Current(), nullptr);
}
