#include "autotune/ui/AutoTunerDlg.h"

#include <filesystem>

#include <QtCore/QDateTime>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QPointer>
#include <QtCore/QSettings>
#include <QtCore/QTimer>
#include <QtGui/QScreen>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "autotune/AutoTuneFeatures.h"
#include "autotune/AutoTuneTasks.h"
#include "autotune/RadioAlignment.h"
#include "autotune/RunStation.h"
#include "autotune/TestSetLink.h"
#include "autotune/ui/AlignmentReportFile.h"
#include "autotune/ui/DialogAlignmentFace.h"
#include "autotune/ui/DialogTuningView.h"
#include "autotune/ui/TaskHost.h"
#include "autotune/ui/UiInvoker.h"
#include "document/Logs.h"
#include "radio/Host.h"
#include "resources/CommandIds.h"
#include "screens/TunerDlg.h"

namespace {

CAutoTunerDlg* g_pAutoTunerDlg = nullptr;

/// Colours of a selected row's slider: green while the transmitter is off, red while keyed.
constexpr unsigned kSelectedGreen = 65280;
constexpr unsigned kSelectedRed = 255;

constexpr const char* kNoScreen =
    "Open the tuning screen of the feature to tune (Reference Oscillator, Tx Power, Tx "
    "Deviation Balance or Tx Deviation Limit) first.";
constexpr const char* kNoRow = "Select the row to tune on the tuning screen first.";

void Repaint(QWidget* w) {
    w->repaint();  // at once, as the tuner always has
}

}  // namespace

CAutoTunerDlg::CAutoTunerDlg(IScreenHost& host, CTunerDoc& doc) : CFeatureScreen(host, doc) {
    setWindowTitle(kTitle);
    BuildWidgets();
    m_ui = std::make_unique<CUiInvoker>(this);
    m_taskHost = std::make_unique<CTaskHost>(host.Host(), *m_ui);
    // The link reads the "Com Port" field, and the frame resolves COMn, at every open: on
    // this thread, whichever thread opens.
    CUiInvoker* ui = m_ui.get();
    m_link = std::make_unique<CTestSetLink>(
        *m_taskHost,
        [ui, &host](const std::string& name) {
            return ui->Call<std::string>([&host, name] { return host.ResolvePort(name); })
                .value_or(std::string());
        },
        [ui, this] {
            return ui->Call<std::string>([this] { return m_comPort->text().toStdString(); })
                .value_or(std::string());
        });
    m_view = std::make_unique<CDialogTuningView>(*this, *m_ui);
    m_tasks = std::make_unique<CAutoTuneTasks>(*m_link, *m_view);
    m_tasks->SetJobEndHandler([this] {
        QMetaObject::invokeMethod(
            this, [this] { OnJobEnded(); }, Qt::QueuedConnection);
    });
    g_pAutoTunerDlg = this;
}

CAutoTunerDlg::~CAutoTunerDlg() {
    if (g_pAutoTunerDlg == this)
        g_pAutoTunerDlg = nullptr;
    // However the window goes, nothing the job uses is freed before the job has ended. The
    // frame winds every screen down before it deletes one; here the data set may be gone.
    ShutDown(false, false);
}

CAutoTunerDlg* CAutoTunerDlg::Current() {
    return g_pAutoTunerDlg;
}

void CAutoTunerDlg::BuildWidgets() {
    auto* settings = m_settings = new QGroupBox("Settings", this);
    auto* grid = new QGridLayout(settings);
    const QString range = QString("Watts, %1").arg(AutoTuneFeatures::kTargetWattsRange);
    auto target = [&](int row, const char* label, const char* text) {
        auto* edit = new QLineEdit(text, settings);
        edit->setToolTip(range + " (a decimal comma is read as a point)");
        grid->addWidget(new QLabel(label, settings), row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel("Watts", settings), row, 2);
        return edit;
    };
    m_targetHigh = target(0, "Target High Power:", "2.5");
    m_targetMid = target(1, "Target Mid Power:", "1.5");
    m_targetLow = target(2, "Target Low Power:", ".5");
    auto* rangeLabel = new QLabel(range, settings);
    rangeLabel->setObjectName("targetRange");
    grid->addWidget(rangeLabel, 3, 0, 1, 3);

    auto* controls = new QGroupBox("Controls", this);
    auto* buttons = new QHBoxLayout(controls);
    auto button = [&](const char* text) {
        auto* b = new QPushButton(text, controls);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    m_slider = button("Slider");
    m_radio = button("Radio");
    m_test = button("Test");
    m_test->setToolTip(
        "Measure every transmit row as the radio holds it and compare it with "
        "the limits, changing nothing");
    m_window = button("Window");
    buttons->addSpacing(12);
    buttons->addWidget(new QLabel("Com Port", controls));
    m_comPort = new QLineEdit("2", controls);
    m_comPort->setMaximumWidth(140);
    buttons->addWidget(m_comPort);
    m_programFailed = new QCheckBox("Program failed features", this);
    m_programFailed->setToolTip(
        "Radio: program a feature also when one of its rows did not meet its limits");
    auto* radioOptions = new QHBoxLayout;
    radioOptions->addWidget(m_programFailed);
    m_allRows = new QCheckBox("Align all rows", this);
    m_allRows->setToolTip(
        "Radio: align every row, not only the rows the first test found out of tolerance");
    radioOptions->addWidget(m_allRows);
    radioOptions->addStretch(1);
    radioOptions->addWidget(new QLabel("Radio search:", this));
    m_radioSearch = new QComboBox(this);
    m_radioSearch->addItem("Fitted (fewest readings)");
    m_radioSearch->addItem("Secant (as Slider and Window)");
    m_radioSearch->setToolTip(
        "Radio: fit a line through each row's readings and aim for its best value, or step "
        "with the secant search of the Slider and Window buttons");
    radioOptions->addWidget(m_radioSearch);

    auto* monitor = new QGroupBox("Status Monitor", this);
    auto* monitorLayout = new QVBoxLayout(monitor);
    m_status = new QLineEdit(monitor);
    m_status->setReadOnly(true);
    m_status->setMinimumWidth(420);
    m_progress = new QProgressBar(monitor);
    m_progress->setVisible(false);
    monitorLayout->addWidget(m_status);
    monitorLayout->addWidget(m_progress);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(settings);
    layout->addWidget(controls);
    layout->addLayout(radioOptions);
    layout->addWidget(monitor);

    connect(m_slider, &QPushButton::clicked, this, [this] { OnSlider(); });
    connect(m_window, &QPushButton::clicked, this, [this] { OnWindow(); });
    connect(m_radio, &QPushButton::clicked, this, [this] { OnRadio(); });
    connect(m_test, &QPushButton::clicked, this, [this] { OnTest(); });
}

bool CAutoTunerDlg::Busy() const {
    return m_tasks->Running() || Aligning();
}

bool CAutoTunerDlg::JobRunning() const {
    return m_tasks->Running() || m_bAligning;
}

std::string CAutoTunerDlg::TargetText(int powerLevel) const {
    switch (powerLevel) {
        case 3:
            return m_targetHigh->text().toStdString();
        case 2:
            return m_targetMid->text().toStdString();
        case 1:
            return m_targetLow->text().toStdString();
        default:
            return {};
    }
}

bool CAutoTunerDlg::ReadyToStart() {
    std::string message;
    if (!CTestSetLink::CheckPortText(m_comPort->text().toStdString(), message)) {
        ScreenHost().Host().ShowMessage(message, MsgIcon::Stop, MsgButtons::Ok);
        return false;
    }
    CTunerDlg* screen = CTunerDlg::Current();
    if (!screen) {
        ShowStatus(kNoScreen);
        return false;
    }
    CAlignmentLimits limits;
    if (!LoadLimits(limits))
        return false;
    // Only the field of the screen's own feature plays a part in this job.
    const AutoTuneFeature* feature = AutoTuneFeatures::ByTitle(screen->windowTitle().toStdString());
    if (feature && feature->powerLevel > 0) {
        double watts = 0.0;
        if (!ReadTargetWatts(feature->powerLevel, watts))
            return false;
        if (!limits.For(feature->index).targetFromFile)
            limits.SetDefaultTarget(feature->index, watts);
    }
    m_tasks->SetLimits(limits);
    return true;
}

bool CAutoTunerDlg::LoadLimits(CAlignmentLimits& limits) {
    IHost& host = ScreenHost().Host();
    const std::string path = host.ExecutableFolder() + "/" + kLimitsFile;
    std::string message;
    // Anything by that name is read, so that a folder or a pipe is refused with its reason
    // rather than passed over as no file.
    std::error_code error;
    const bool present = std::filesystem::exists(std::filesystem::symlink_status(path, error));
    if (present && !limits.Load(path, message)) {
        host.ShowMessage("The alignment limits cannot be used: " + message, MsgIcon::Stop,
                         MsgButtons::Ok);
        return false;
    }
    return true;
}

bool CAutoTunerDlg::ReadTargetWatts(int powerLevel, double& watts) {
    static const char* const kFields[] = {"", "Target Low Power", "Target Mid Power",
                                          "Target High Power"};
    std::string why;
    if (powerLevel < 1 || powerLevel > 3)
        return false;
    if (AutoTuneFeatures::ParseTargetWatts(TargetText(powerLevel), watts, why))
        return true;
    ScreenHost().Host().ShowMessage(std::string(kFields[powerLevel]) + ": " + why + ".",
                                    MsgIcon::Stop, MsgButtons::Ok);
    return false;
}

void CAutoTunerDlg::OnSlider() {
    if (m_bShutDown || Aligning())
        return;
    if (Busy()) {
        m_tasks->Slider(0);  // Stop Tuning: the row ends at its next pass
        return;
    }
    if (!ReadyToStart())
        return;
    // The row whose slider shows a selection colour; the last one when there are two.
    CTunerDlg* screen = CTunerDlg::Current();
    int row = -1;
    for (int i = 0; i < kTunerRows; ++i) {
        const unsigned colour = screen->RowColour(i);
        if (colour == kSelectedGreen || colour == kSelectedRed)
            row = i;
    }
    if (row < 0) {
        ShowStatus(kNoRow);
        return;
    }
    ShowStatus("");
    m_bWindowJob = false;
    m_tasks->Slider(row);
    UpdateDrive();
}

void CAutoTunerDlg::OnWindow() {
    if (m_bShutDown || Aligning())
        return;
    if (Busy()) {
        m_tasks->Window();  // Stop Tuning: the row ends at its next pass, no further rows
        return;
    }
    if (!ReadyToStart())
        return;
    ShowStatus("");
    m_bWindowJob = true;
    m_tasks->Window();
    UpdateDrive();
}

bool CAutoTunerDlg::ReadAlignmentOptions(AlignmentOptions& options) {
    std::string message;
    if (!CTestSetLink::CheckPortText(m_comPort->text().toStdString(), message)) {
        ScreenHost().Host().ShowMessage(message, MsgIcon::Stop, MsgButtons::Ok);
        return false;
    }
    if (!LoadLimits(options.limits))
        return false;
    // The power targets the file leaves out are the dialog's fields.
    for (int level : {3, 2, 1}) {
        const int index = 4 - level;  // Tx Power High is feature 1, Mid 2, Low 3
        if (options.limits.For(index).targetFromFile)
            continue;
        double watts = 0.0;
        if (!ReadTargetWatts(level, watts))
            return false;
        options.limits.SetDefaultTarget(index, watts);
    }
    options.programFailed = m_programFailed->isChecked();
    options.allRows = m_allRows->isChecked();
    QSettings settings(QStringLiteral("QuillmoreTuner"), QStringLiteral("VEGAL 25 Tuner"));
    options.station = RunStation::Make(
        settings.value(QStringLiteral("MySetting/ShopName")).toString().toStdString(),
        settings.value(QStringLiteral("MySetting/Technician")).toString().toStdString(),
        CTestSetLink::DeviceName(m_comPort->text().trimmed().toStdString()));
    options.search = m_radioSearch->currentIndex() == 1 ? SearchKind::Secant : SearchKind::Fit;
    return true;
}

void CAutoTunerDlg::OnRadio() {
    StartRun(false);
}

void CAutoTunerDlg::OnTest() {
    StartRun(true);
}

void CAutoTunerDlg::StartRun(bool test) {
    if (m_bShutDown)
        return;
    if (Aligning()) {
        // Stop Tuning: the row ends at its next pass and no further feature starts.
        if (m_bAligning && test == m_bTestRun) {
            m_alignment->Stop();
            ShowStatus(kStopping);
        }
        return;
    }
    if (m_tasks->Running())
        return;  // a Slider or Window job works
    AlignmentOptions options;
    if (!ReadAlignmentOptions(options))
        return;
    if (test) {
        // The test works on the radio without a tuning screen: one left open closes first,
        // with its usual warning (the test does not start when it stays open).
        if (CTunerDlg* screen = CTunerDlg::Current()) {
            QPointer<CAutoTunerDlg> self(this);
            screen->DriveCommand(Cmd::kScreenClose);
            if (!self || CTunerDlg::Current() != nullptr)
                return;
        }
    }
    options.testOnly = test;
    m_bTestRun = test;
    m_reportPath = AlignmentReportFile::PathFor(Doc(), QDateTime::currentDateTime(),
                                                test ? "test" : "alignment");
    m_face = std::make_unique<CDialogAlignmentFace>(*this, *m_ui, *m_view);
    m_alignment = std::make_unique<CRadioAlignment>(*m_link, *m_face, std::move(options));
    {
        std::lock_guard<std::mutex> lock(m_reportMutex);
        m_report.reset();
    }
    ShowRadioState(true);
    ShowStatus(test ? kTesting : kAligning);
    m_bAligning = true;
    UpdateDrive();
    m_alignThread = std::thread([this] {
        CAlignmentReport report = m_alignment->Run();
        {
            std::lock_guard<std::mutex> lock(m_reportMutex);
            m_report = std::move(report);
        }
        m_bAligning = false;
        QMetaObject::invokeMethod(
            this, [this] { FinishAlignment(true); }, Qt::QueuedConnection);
    });
}

void CAutoTunerDlg::ShowRadioState(bool running) {
    QPushButton* const runButton = m_bTestRun ? m_test : m_radio;
    QPushButton* const other = m_bTestRun ? m_radio : m_test;
    m_radio->setText("Radio");
    m_test->setText("Test");
    runButton->setText(running ? "Stop Tuning" : runButton == m_test ? "Test" : "Radio");
    for (QWidget* w : {static_cast<QWidget*>(m_slider), static_cast<QWidget*>(m_window),
                       static_cast<QWidget*>(other), static_cast<QWidget*>(m_comPort),
                       static_cast<QWidget*>(m_programFailed), static_cast<QWidget*>(m_allRows),
                       static_cast<QWidget*>(m_radioSearch), static_cast<QWidget*>(m_settings)})
        w->setEnabled(!running);
    if (running) {
        m_progress->setRange(0, 1);
        m_progress->setValue(0);
        m_progress->setFormat(QString("%v of %m rows"));
        m_progress->setVisible(true);
    }
    Repaint(m_radio);
}

void CAutoTunerDlg::ShowRunProgress(const std::string& text, int done, int total) {
    m_progress->setRange(0, total > 0 ? total : 1);
    m_progress->setValue(done);
    m_progress->setFormat(QString("%v of %m rows"));
    m_progress->setVisible(true);
    ShowStatus(text);
}

void CAutoTunerDlg::KeepClearOf(const QWidget& window) {
    constexpr int kGap = 8;
    const QRect other = window.frameGeometry();
    const QRect mine = frameGeometry();
    if (!mine.intersects(other))
        return;
    const QRect desktop = screen() ? screen()->availableGeometry() : QRect();
    const int below = other.bottom() + 1 + kGap;
    const int above = other.top() - kGap - mine.height();
    if (desktop.isNull() || below + mine.height() <= desktop.bottom() + 1)
        move(mine.left(), below);
    else if (above >= desktop.top())
        move(mine.left(), above);
}

void CAutoTunerDlg::FinishAlignment(bool preview) {
    std::optional<CAlignmentReport> report;
    {
        std::lock_guard<std::mutex> lock(m_reportMutex);
        report.swap(m_report);
    }
    if (!report)
        return;  // saved already (the dialog closed meanwhile)
    if (m_alignThread.joinable())
        m_alignThread.join();  // its run has ended; the thread is only returning
    UpdateDrive();
    ShowRadioState(false);
    if (!m_face->LogWritten())
        AppendTuningLog(Doc(), report->LogText());

    const bool test = report->kind == CAlignmentReport::Kind::Test;
    if (!report->AnyReading()) {
        // Nothing was read, so nothing changed: no sheet to keep (the reason has been shown).
        const std::string nothing = test ? "Nothing was tested: " : "Nothing was aligned: ";
        ShowStatus(report->stopped ? nothing + report->stopReason + "."
                                   : nothing + "the radio has no feature to align.");
        return;
    }
    std::string status = (test ? "Test " : "Alignment ") + report->Overall();
    if (report->stopped)
        status += " (" + report->stopReason + ")";
    std::string error;
    const bool saved = report->SaveCsv(m_reportPath, error);
    if (saved) {
        m_lastReportPath = m_reportPath;
        status += ". Report saved as " + m_reportPath;
    } else {
        status += ". The report could not be saved: " + error;
    }
    ShowStatus(status);
    if (!preview || m_bShutDown)
        return;
    if (!saved)
        ScreenHost().Host().ShowMessage(
            "The " + std::string(test ? "test" : "alignment") +
                " report could not be saved as CSV.\n\n" + error +
                "\n\nPrint it from the preview, or save it as a PDF through the print dialog.",
            MsgIcon::Stop, MsgButtons::Ok);
    ScreenHost().PreviewSheet(*report, test ? kTestReportTitle : kReportTitle);
    // Nothing after the preview: the dialog may have been closed while it was up.
}

void CAutoTunerDlg::ShowSliderState(bool inProgress) {
    m_progress->setVisible(false);
    m_slider->setEnabled(true);
    m_window->setEnabled(true);
    m_slider->setText(inProgress ? "Stop Tuning" : "Slider");
    if (!m_bWindowJob)
        m_status->setText(inProgress ? CAutoTuneTasks::kTuningSlider : "");
    else if (inProgress)
        m_status->setText(CAutoTuneTasks::kTuningScreen);  // the Window state goes on
    // (the end of a row in a Window run leaves the line to the row's outcome)
    Repaint(m_slider);
    Repaint(m_status);
}

void CAutoTunerDlg::ShowWindowState(bool windowRun) {
    m_progress->setVisible(false);
    m_slider->setEnabled(true);
    m_window->setEnabled(true);
    m_window->setText(windowRun ? "Stop Tuning" : "Window");
    m_status->setText(windowRun ? CAutoTuneTasks::kTuningScreen : "");
    Repaint(m_window);
    Repaint(m_status);
}

void CAutoTunerDlg::ShowStatus(const std::string& text) {
    const QString t = QString::fromStdString(text);
    m_status->setText(t);
    m_status->setToolTip(t);
    m_status->setCursorPosition(0);
    Repaint(m_status);
}

void CAutoTunerDlg::ShowProgress(const std::string& status, int done, int total) {
    // The resident program is being checked, started or loaded: the buttons wait for it.
    m_slider->setEnabled(false);
    m_window->setEnabled(false);
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    m_progress->setVisible(true);
    m_progress->setFormat(QString("%v of %m"));
    ShowStatus(status);
    m_progressText = m_status->text();
}

void CAutoTunerDlg::OnJobEnded() {
    UpdateDrive();
    if (Busy())
        return;  // a new job has begun meanwhile
    // The job's last line stays; only a progress line that nothing followed goes (the
    // resident program did not come up: nothing was tuned).
    if (m_progress->isVisible() && m_status->text() == m_progressText)
        ShowStatus("");
    m_bWindowJob = false;
    m_progress->setVisible(false);
    m_slider->setEnabled(true);
    m_window->setEnabled(true);
    m_slider->setText("Slider");
    m_window->setText("Window");
}

void CAutoTunerDlg::ShutDown(bool pump, bool finish) {
    if (m_bShutDown)
        return;
    m_bShutDown = true;
    if (m_alignment)
        m_alignment->Stop();
    m_tasks->StopAll();
    const bool wasRunning = JobRunning();
    if (pump && wasRunning) {
        // The job ends at its next step; its last calls (the dekey among them) are served
        // here. Input waits, so nothing new can start meanwhile.
        setEnabled(false);
        QEventLoop loop;
        QTimer poll;
        QElapsedTimer waited;
        waited.start();
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!JobRunning() || waited.elapsed() > kCloseWaitMs)
                loop.quit();
        });
        poll.start(10);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    // A job that still waits for this thread is let go, then joined.
    m_ui->Cancel();
    m_tasks->Join();
    if (m_alignThread.joinable())
        m_alignThread.join();
    UpdateDrive();  // m_bShutDown: the screens are the technician's again
    if (finish)
        FinishAlignment(false);
    // A job that was let go before its last calls may have left the screen keyed.
    CTunerDlg* screen = CTunerDlg::Current();
    if (wasRunning && screen && screen->m_bTransmitting)
        screen->DriveCommand(Cmd::kPttToggle);
    m_link->StopResidentProgram();
}

void CAutoTunerDlg::UpdateDrive() {
    const bool drive = !m_bShutDown && (m_tasks->Running() || m_bAligning);
    if (drive != CTunerDlg::AutomaticDrive())
        CTunerDlg::SetAutomaticDrive(drive);
}

void CAutoTunerDlg::OnCommand(int id) {
    if (id != Cmd::kScreenClose)
        return;  // F6, F8 and F1 do nothing here
    ShutDown(true);
    CloseScreen();
}

void CAutoTunerDlg::CloseForDataSet() {
    ShutDown(false);
}

void CAutoTunerDlg::StopWork() {
    ShutDown(true);
}
