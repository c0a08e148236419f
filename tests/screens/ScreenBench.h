#pragma once

// A screen test on the bench: the radio of a bench profile read over its pseudo-terminal into
// a document whose host is the stand-in frame's, with the bench's clock on that host's fake
// clock, so a screen's waits cost no real time. The data files live in a scratch folder.

#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QPointer>
#include <QtTest/QTest>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "StubScreenHost.h"
#include "app/AppTestSupport.h"
#include "bench/Bench.h"
#include "document/TunTestSupport.h"
#include "document/TunerDoc.h"
#include "radio/PortMap.h"
#include "radio/RadioRead.h"
#include "radio/SerialRadioComm.h"

class ScreenBenchTest : public ::testing::Test {
protected:
    /// Starts the bench, reads its radio and forgets the read's requests.
    bool ReadBenchRadio(const std::string& profile = "standard") {
        EnsureApp();
        host().m_exeFolder = dir.Path();
        BenchOptions options;
        options.profile = profile;
        options.paced = false;
        options.noise = false;
        m_bench = std::make_unique<CBench>(options);
        std::string error;
        if (!m_bench->Start(error)) {
            ADD_FAILURE() << "bench did not start: " << error;
            return false;
        }
        m_bench->Radio().SetClock(
            [this] { return static_cast<std::int64_t>(host().TimeGetTime()); });
        frame.SetPort(m_bench->RadioDevice());
        doc = std::make_unique<CTunerDoc>(host(), frame,
                                          MakeSerialRadioCommFactory(host(), CPortMap(), 9600));
        if (!OnNewDocument(*doc)) {
            ADD_FAILURE() << ::testing::PrintToString(host().Texts());
            return false;
        }
        m_seen = m_bench->RadioRequests().size();
        return true;
    }

    void TearDown() override {
        for (QPointer<QWidget>& screen : screens) delete screen.data();
        screens.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        doc.reset();
        if (m_bench)
            m_bench->Stop();
    }

    /// Keeps a screen for the test, shown and active; it is deleted at the end unless it
    /// closed itself. The control helpers below work on the screen kept last.
    template <typename Screen>
    Screen* Keep(Screen* screen) {
        screens.emplace_back(screen);
        screen->show();
        screen->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(screen));
        return screen;
    }

    /// A control of the screen by its object name.
    template <typename T = QLineEdit>
    T* Child(const char* name) {
        T* child = screens.empty() ? nullptr : screens.back()->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QString Text(const char* name) { return Child(name)->text(); }
    /// Types into a field and presses Enter, as a technician does.
    void Type(const char* name, const QString& text) {
        QLineEdit* field = Child(name);
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    void Click(const char* name) { QTest::mouseClick(Child<QPushButton>(name), Qt::LeftButton); }
    /// Chooses a list entry as the mouse does.
    void Choose(const char* name, int index) {
        auto* list = Child<QComboBox>(name);
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    /// The radio's requests since the last call (or the read).
    std::vector<std::string> NewRequests() {
        const std::vector<std::string> all = m_bench->RadioRequests();
        std::vector<std::string> fresh(all.begin() + static_cast<long>(m_seen), all.end());
        m_seen = all.size();
        return fresh;
    }

    CBench& Bench() { return *m_bench; }
    CSimRadio& Radio() { return m_bench->Radio(); }
    CRecordingHost& host() { return screenHost.host; }

    tuntest::TempDir dir;
    CStubScreenHost screenHost;
    CFrameState frame;
    std::unique_ptr<CTunerDoc> doc;

    std::vector<QPointer<QWidget>> screens;

private:
    std::unique_ptr<CBench> m_bench;
    std::size_t m_seen = 0;
};
