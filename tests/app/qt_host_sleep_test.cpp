// The Qt host's wait on the user-interface thread: windows keep painting while it waits, and
// timers stay queued until the wait is over, so nothing else starts in the middle of an
// operation.

#include <gtest/gtest.h>

#include <QtCore/QTimer>
#include <QtGui/QPaintEvent>
#include <QtTest/QTest>
#include <QtWidgets/QWidget>

#include "AppTestSupport.h"
#include "app/QtHost.h"

namespace {

class CPaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST(QtHostSleep, PaintsButRunsNoTimerWhileWaiting) {
    EnsureApp();
    CPaintCounter window;
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();

    bool fired = false;
    QTimer::singleShot(1, Qt::PreciseTimer, &window, [&] { fired = true; });
    const int before = window.paints;
    window.update();  // as a status text changed just before a long wait

    CQtHost host;
    host.Sleep(60);
    EXPECT_GT(window.paints, before);
    EXPECT_FALSE(fired);

    EXPECT_TRUE(QTest::qWaitFor([&] { return fired; }, 5000));  // runs once the wait is over
}

}  // namespace
