#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>

#include "TunerScreenFixture.h"

using namespace BenchFreq;

namespace {

/// Drags a slider's thumb with the mouse: a press on the thumb, moves to each position's
/// pixel, a release. Nothing runs in between: the moves pile up as input does while an
/// exchange blocks.
void Drag(CColourSlider* slider, const std::vector<int>& positions) {
    auto pixelOf = [slider](int value) {
        const QRect channel = slider->ChannelRect();
        const int span = channel.width() - slider->ThumbRect().width();
        const int x = channel.left() + slider->ThumbRect().width() / 2 +
                      span * (value - slider->minimum()) / (slider->maximum() - slider->minimum());
        return QPoint(x, slider->ThumbRect().center().y());
    };
    auto send = [slider](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(at), slider->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(slider, &e);
    };
    const QPoint start = slider->ThumbRect().center();
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    QPoint at = start;
    const QPoint grab = start - pixelOf(slider->value());
    for (int v : positions) {
        at = pixelOf(v) + grab;
        send(QEvent::MouseMove, at, Qt::LeftButton);
    }
    send(QEvent::MouseButtonRelease, at, Qt::NoButton);
}

}  // namespace

TEST_F(TunerScreenTest, ADragSendsOnlyTheLatestPositionWhenTheScreenIsNextFree) {
    Open(Cmd::kTxPowerHigh);
    CColourSlider* slider = screen->RowSlider(0);
    std::vector<int> path;
    for (int v = 80; v >= 40; --v) path.push_back(v);
    Drag(slider, path);
    const int final = slider->value();
    ASSERT_NE(final, 90) << "the drag moved the thumb";
    EXPECT_EQ(Requests(), std::vector<std::string>{}) << "nothing is sent inside input handling";
    Flush();
    char expected[16];
    std::snprintf(expected, sizeof expected, "00010201%02x", final);
    EXPECT_EQ(Sent(), std::vector<std::string>{expected});
    EXPECT_EQ(screen->m_nNewValue[0], final);
    EXPECT_EQ(screen->NewValueEdit(0)->text(), QString::number(final));
    EXPECT_EQ(screen->m_nLastSent, final);

    // Keys on the slider go the same way; the up arrow raises the value.
    screen->RowSlider(0)->setFocus();
    QTest::keyClick(slider, Qt::Key_Up);
    QTest::keyClick(slider, Qt::Key_Up);
    Flush();
    std::snprintf(expected, sizeof expected, "00010201%02x", final + 2);
    EXPECT_EQ(Sent(), std::vector<std::string>{expected});
}

TEST_F(TunerScreenTest, APositionWaitsWhileAModalWindowIsUp) {
    Open(Cmd::kTxPowerHigh);
    Drag(screen->RowSlider(0), {70});
    QDialog question(m_frame.get());  // say, the radio link's failure message
    question.setModal(true);
    question.show();
    Flush();
    EXPECT_EQ(Requests(), std::vector<std::string>{}) << "nothing from inside the modal";
    question.hide();
    for (int i = 0; i < 200 && Requests().empty(); ++i) QTest::qWait(10);
    char expected[16];
    std::snprintf(expected, sizeof expected, "00010201%02x", screen->RowSlider(0)->value());
    EXPECT_EQ(Sent(), std::vector<std::string>{expected});
}

TEST_F(TunerScreenTest, DraggingAnotherRowsSliderSelectsItFirst) {
    Open(Cmd::kTxPowerHigh);
    Drag(screen->RowSlider(2), {70, 60});
    Flush();
    const int p = screen->RowSlider(2)->value();
    char value[16];
    std::snprintf(value, sizeof value, "00010201%02x", p);
    EXPECT_EQ(Sent(),
              (std::vector<std::string>{"000b" + std::string(k869) + "6400", "000102015a", value}));
    EXPECT_EQ(screen->m_nSelectedRow, 3);
    EXPECT_EQ(Colours(), (std::vector<uint>{kGrey, kGrey, kGreen}));
    EXPECT_EQ(Status(), "TRANSMITTER OFF - 869.9875");
}

TEST_F(TunerScreenTest, TxCurrentLimitMovesEveryRowWithOneRequest) {
    Open(Cmd::kCurrentLimit, "full");
    ASSERT_EQ(screen->RowCount(), 10);
    screen->ApplySliderPosition(0, 7);
    EXPECT_EQ(Sent(), std::vector<std::string>{"0001020407"});
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(screen->RowSlider(i)->value(), 7) << i;
        EXPECT_EQ(screen->Spin(i)->Pos(), 7) << i;
        EXPECT_EQ(screen->NewValueEdit(i)->text(), "7") << i;
        EXPECT_EQ(screen->m_nNewValue[i], 7) << i;
    }
    // A spin of another row does the same without retuning.
    screen->Spin(5)->Step(+1);
    EXPECT_EQ(Sent(), std::vector<std::string>{"0001020408"});
    EXPECT_EQ(screen->RowSlider(9)->value(), 8);
    EXPECT_EQ(screen->m_nSelectedRow, 1);
    // Program All sends the one value for every frequency.
    screen->OnCommand(Cmd::kProgramAll);
    const std::vector<std::string> program = Sent();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.back(), "0001040408");
    EXPECT_EQ(m_bench->Radio().Programmed(4), std::vector<int>(25, 8));
}

TEST_F(TunerScreenTest, TxDeviationLimitSendsTwoBytesAndItsSpinStepsBy64) {
    Open(Cmd::kDevLimit);
    EXPECT_EQ(screen->RowSlider(0)->maximum(), 32767);
    screen->ApplySliderPosition(0, 2800);
    EXPECT_EQ(Sent(), std::vector<std::string>{"000102050af0"});
    screen->Spin(0)->Step(+1);
    EXPECT_EQ(Sent(), std::vector<std::string>{"000102050b30"});  // 2864
    screen->Spin(0)->Step(-1);
    screen->Spin(0)->Step(-1);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"000102050af0", "000102050ab0"}));
    screen->ApplySliderPosition(0, 32767);
    EXPECT_EQ(Sent(), std::vector<std::string>{"000102057fff"});
    screen->Spin(0)->Step(+1);  // held at the top: nothing new to send
    EXPECT_EQ(Sent(), std::vector<std::string>{});
    EXPECT_EQ(screen->NewValueEdit(0)->text(), "32767");
}

TEST_F(TunerScreenTest, OtherSpinsStepByOne) {
    Open(Cmd::kTxPowerHigh);
    screen->Spin(0)->Step(+1);
    EXPECT_EQ(Sent(), std::vector<std::string>{"000102015b"});
    EXPECT_EQ(screen->RowSlider(0)->value(), 91);
    EXPECT_EQ(screen->NewValueEdit(0)->text(), "91");
}

TEST_F(TunerScreenTest, ATypedValueAboveTheMaximumBecomesTheMaximum) {
    const struct {
        const char* typed;
        const char* shown;
        std::vector<std::string> sent;
    } cases[] = {
        {"300", "127", {"000102017f"}},
        {"99999999999", "127", {"000102017f"}},
        {"", "90", {}},  // an empty field keeps its value
        {"0", "0", {"0001020100"}},
        {"90", "90", {}},  // the value already sent
    };
    Open(Cmd::kTxPowerHigh);
    Activate();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        screen->ApplySliderPosition(0, 90);
        Sent();
        QLineEdit* edit = screen->NewValueEdit(0);
        edit->setFocus();
        edit->clear();
        QTest::keyClicks(edit, c.typed);
        screen->NewValueEdit(1)->setFocus();  // leaving the field commits it
        screen->NewValueEdit(0)->setFocus();
        std::vector<std::string> sent = Sent();
        // Row 2's edit took the focus in between: the radio went to row 2 and came back.
        ASSERT_GE(sent.size(), 4u);
        sent.erase(sent.end() - 4, sent.end());
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(edit->text().toStdString(), c.shown);
        EXPECT_EQ(screen->RowSlider(0)->value(), QString(c.shown).toInt());
    }
}

TEST_F(TunerScreenTest, TabbingToAnotherRowWhileKeyedRetunesAndKeysAgain) {
    Open(Cmd::kTxPowerHigh);
    Activate();
    screen->ApplySliderPosition(1, 75);  // row 2 holds 75
    screen->NewValueEdit(0)->setFocus();
    Sent();
    QTest::keyClick(PttBar()->PttButton(), Qt::Key_Space);
    ASSERT_TRUE(PttBar()->m_bTransmitting);
    Sent();
    screen->NewValueEdit(0)->setFocus();
    // Tab passes row 2's slider (touching nothing), then enters row 2's new value.
    QTest::keyClick(screen->NewValueEdit(0), Qt::Key_Tab);
    ASSERT_TRUE(screen->RowSlider(1)->hasFocus());
    EXPECT_EQ(Requests(), std::vector<std::string>{});
    QTest::keyClick(screen->RowSlider(1), Qt::Key_Tab);
    ASSERT_TRUE(screen->NewValueEdit(1)->hasFocus());
    EXPECT_EQ(Sent(), (std::vector<std::string>{"000501", "000b" + std::string(k860) + "6400",
                                                "000401", "000102014b"}));
    EXPECT_EQ(screen->m_nSelectedRow, 2);
    EXPECT_TRUE(screen->m_bTransmitting);
    EXPECT_TRUE(PttBar()->m_bTransmitting);
    EXPECT_TRUE(m_bench->Radio().Keyed());
    EXPECT_EQ(m_bench->Radio().TxFrequency(), 172102500u);
    EXPECT_EQ(Colours(), (std::vector<uint>{kGrey, kRed, kGrey}));
    EXPECT_EQ(Status(), "TRANSMITTING AT - 860.5125");
}

TEST_F(TunerScreenTest, ASpinClickOnAnotherRowSendsWithoutRetuning) {
    Open(Cmd::kTxPowerHigh);
    screen->Spin(2)->Step(+1);
    EXPECT_EQ(Sent(), std::vector<std::string>{"000102015b"});
    EXPECT_EQ(screen->m_nSelectedRow, 1);
    EXPECT_EQ(Colours(), (std::vector<uint>{kGreen, kGrey, kGrey}));
    EXPECT_EQ(screen->m_nNewValue[2], 91);
    EXPECT_EQ(screen->RowSlider(2)->value(), 91);
    EXPECT_EQ(m_bench->Radio().TxFrequency(), 170202500u) << "still tuned to row 1";
}

TEST_F(TunerScreenTest, SliderOfAReferenceOscillatorOnFamilyOneIsNarrow) {
    Open(Cmd::kRefOsc, "family1-k");
    EXPECT_EQ(screen->UpperRangeText(), "127");
    screen->ApplySliderPosition(0, 72);
    EXPECT_EQ(Sent(), std::vector<std::string>{"0001020048"});
    EXPECT_EQ(screen->m_nLastSent, 72);
}
