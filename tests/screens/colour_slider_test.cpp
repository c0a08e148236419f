#include <gtest/gtest.h>

#include <QtGui/QImage>
#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QVBoxLayout>
#include <QtWidgets/QWidget>

#include "app/AppTestSupport.h"
#include "screens/ColourSlider.h"

using namespace SliderColours;

namespace {

/// A window with a colour slider (0 to 127) and an edit to move the focus to.
class ColourSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        m_window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(m_window.get());
        m_slider = new CColourSlider(Qt::Horizontal, m_window.get());
        m_slider->setRange(0, 127);
        m_slider->setMinimumWidth(300);
        m_edit = new QLineEdit(m_window.get());
        layout->addWidget(m_slider);
        layout->addWidget(m_edit);
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        m_edit->setFocus();
    }

    QColor ThumbCentre() {
        const QImage image = m_slider->grab().toImage();
        return image.pixelColor(m_slider->ThumbRect().center());
    }

    std::unique_ptr<QWidget> m_window;
    CColourSlider* m_slider = nullptr;
    QLineEdit* m_edit = nullptr;
};

}  // namespace

TEST_F(ColourSliderTest, ThumbIsPaintedInItsColourUntilPaintedWithTheFocus) {
    m_slider->SetColour(kRed);
    EXPECT_EQ(m_slider->GetColour(), kRed);
    EXPECT_EQ(ThumbCentre(), QColor(255, 0, 0));
    EXPECT_EQ(m_slider->GetColour(), kRed);  // painting without the focus keeps it

    m_slider->SetColour(kGrey);
    EXPECT_EQ(ThumbCentre(), QColor(192, 192, 192));

    m_slider->setFocus();
    ASSERT_TRUE(m_slider->hasFocus());
    EXPECT_EQ(ThumbCentre(), QColor(0, 255, 0));
    EXPECT_EQ(m_slider->GetColour(), kGreen);
    EXPECT_EQ(m_slider->Palette().dark1, Rgb(0, 204, 0));  // bevels follow the focused green
}

TEST_F(ColourSliderTest, BevelColoursFollowTheBaseColour) {
    m_slider->SetColour(kRed);
    EXPECT_EQ(m_slider->Palette().light1, Rgb(255, 51, 51));
    EXPECT_EQ(m_slider->Palette().dark1, Rgb(204, 0, 0));
    EXPECT_EQ(m_slider->Palette().dark2, Rgb(153, 0, 0));
    m_slider->SetColour(kGrey);
    EXPECT_EQ(m_slider->Palette().light1, Rgb(243, 243, 243));
    EXPECT_EQ(m_slider->Palette().light2, Rgb(243, 243, 243));  // 294 would pass 255
}

TEST_F(ColourSliderTest, UpArrowRaisesAndDownArrowLowersTheValue) {
    m_slider->setValue(50);
    m_slider->setFocus();
    struct Case {
        Qt::Key key;
        int expected;
    } cases[] = {{Qt::Key_Up, 51},
                 {Qt::Key_Up, 52},
                 {Qt::Key_Down, 51},
                 {Qt::Key_Right, 52},
                 {Qt::Key_Left, 51}};
    for (const Case& c : cases) {
        QTest::keyClick(m_slider, c.key);
        EXPECT_EQ(m_slider->value(), c.expected) << c.key;
    }
    m_slider->setValue(127);
    QTest::keyClick(m_slider, Qt::Key_Up);
    EXPECT_EQ(m_slider->value(), 127);  // held inside its range
}

TEST_F(ColourSliderTest, ASelectionFillsItsStretchOfTheChannelInTheHighlightColour) {
    const QColor highlight = m_slider->palette().color(QPalette::Highlight);
    m_slider->setValue(127);  // keep the thumb away from the stretch
    EXPECT_TRUE(m_slider->SelectionRect().isEmpty());
    QImage image = m_slider->grab().toImage();
    const QRect channel = m_slider->ChannelRect();
    const QPoint inside(channel.left() + channel.width() * 15 / 127, channel.center().y());
    EXPECT_NE(image.pixelColor(inside), highlight);

    m_slider->SetSelection(10, 20);
    const QRect sel = m_slider->SelectionRect();
    ASSERT_FALSE(sel.isEmpty());
    EXPECT_NEAR(sel.left(), channel.left() + channel.width() * 10 / 127, 2);
    EXPECT_NEAR(sel.right(), channel.left() + channel.width() * 20 / 127, 2);
    image = m_slider->grab().toImage();
    EXPECT_EQ(image.pixelColor(inside), highlight);
    const QPoint outside(channel.left() + channel.width() * 40 / 127, channel.center().y());
    EXPECT_NE(image.pixelColor(outside), highlight);

    m_slider->SetSelection(20, 10);  // start not below end: nothing
    EXPECT_TRUE(m_slider->SelectionRect().isEmpty());
    m_slider->SetSelection(10, 20);
    m_slider->ClearSelection();
    EXPECT_NE(m_slider->grab().toImage().pixelColor(inside), highlight);
}

TEST_F(ColourSliderTest, ThumbFollowsTheValueInTheStylesGeometry) {
    m_slider->setValue(0);
    const QRect atMin = m_slider->ThumbRect();
    m_slider->setValue(127);
    const QRect atMax = m_slider->ThumbRect();
    EXPECT_LT(atMin.center().x(), atMax.center().x());
    // A click on the painted thumb grabs it: dragging moves the value.
    m_slider->setValue(64);
    const QPoint grab = m_slider->ThumbRect().center();
    QTest::mousePress(m_slider, Qt::LeftButton, {}, grab);
    QMouseEvent move(QEvent::MouseMove, QPointF(grab + QPoint(40, 0)),
                     m_slider->mapToGlobal(QPointF(grab + QPoint(40, 0))), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_slider, &move);
    QTest::mouseRelease(m_slider, Qt::LeftButton, {}, grab + QPoint(40, 0));
    EXPECT_GT(m_slider->value(), 64);
}
