// The download dialog: waiting for the logger, the save question, the download with its
// progress window over the graph view, and the real-time start it hands over.

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>

#include "dialogs/logger/CDownloadDlg.h"
#include "document/CDTDoc.h"
#include "logger/sim/CSimulatedLogger.h"
#include "platform/CSettings.h"
#include "platform/LocalTime.h"
#include "platform/ProgramDirectory.h"
#include "tests/CRecordingPrompt.h"
#include "tests/QtTestEnvironment.h"
#include "tests/TempDir.h"
#include "tests/document/ExampleRecord.h"

namespace {

using Bytes = std::vector<char>;

const std::string READ_FAILED = "Failed reading data from the datalogger.";
const std::string SAVE_FIRST = "Do you want to save the existing graph data before continuing?";

// A widget that counts its paints: it stands for the main window behind the download.
class CPaintCounter : public QWidget {
public:
    int Paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++Paints; }
};

// The simulated logger on a cable that can be pulled; every write asks the paint counter for
// a repaint and notes how many paints it has seen so far.
class CCabledLogger : public CBridge {
public:
    CCabledLogger(SimulatorOptions options, CPaintCounter& window)
        : m_logger(std::move(options)), m_window(window) {}

    BridgeStatus BridgeCount(std::uint32_t& count) override {
        if (!Attached) {
            count = 0;
            return BridgeStatus::Success;
        }
        return m_logger.BridgeCount(count);
    }
    BridgeStatus BridgeQueryString(std::uint32_t index, std::span<char> buffer,
                                   std::uint32_t option) override {
        return Forbidden ? BridgeStatus::AccessDenied
                         : m_logger.BridgeQueryString(index, buffer, option);
    }
    BridgeStatus BridgeOpen(std::uint32_t index, BridgeHandle& handle) override {
        return m_logger.BridgeOpen(index, handle);
    }
    BridgeStatus BridgeClose(BridgeHandle handle) override { return m_logger.BridgeClose(handle); }
    BridgeStatus BridgeRead(BridgeHandle handle, std::uint8_t* buffer, std::uint32_t wanted,
                            std::uint32_t& returned) override {
        return m_logger.BridgeRead(handle, buffer, wanted, returned);
    }
    BridgeStatus BridgeWrite(BridgeHandle handle, const std::uint8_t* buffer, std::uint32_t length,
                             std::uint32_t& written) override {
        PaintsSeenAtWrite.push_back(m_window.Paints);
        m_window.update();
        return m_logger.BridgeWrite(handle, buffer, length, written);
    }
    BridgeStatus BridgeSetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override {
        return m_logger.BridgeSetTimeouts(readMs, writeMs);
    }
    BridgeStatus BridgeGetTimeouts(std::uint32_t& readMs, std::uint32_t& writeMs) override {
        return m_logger.BridgeGetTimeouts(readMs, writeMs);
    }

    CSimulatedLogger& Logger() { return m_logger; }

    bool Attached = true;
    bool Forbidden = false;  // this user may not open the logger
    std::vector<int> PaintsSeenAtWrite;

private:
    CSimulatedLogger m_logger;
    CPaintCounter& m_window;
};

// A prompt that also notes, at each message, whether the progress window was on the screen.
class CWatchingPrompt : public CRecordingPrompt {
public:
    void Message(const std::string& text, PromptIcon icon) override {
        CRecordingPrompt::Message(text, icon);
        const CLoadingDlg* window = Host ? Host->LoadingWindow() : nullptr;
        ProgressShownAtMessage.push_back(window != nullptr && window->isVisible());
    }

    const CDownloadHost* Host = nullptr;
    std::vector<bool> ProgressShownAtMessage;
};

CMemoryImage SmallMemory(std::uint32_t readings) {
    CMemoryImage image;
    image.Header.RateCode = 4;
    image.Header.SetStart({2014, 6, 5, 14, 2, 7});
    image.Header.AlarmLow = 40;
    image.Header.AlarmHigh = 85;
    for (std::uint32_t i = 0; i < readings; ++i) {
        image.AppendReading(static_cast<std::uint16_t>(600 + i % 200));
    }
    return image;
}

// An unsaved real-time series of three readings.
CMeasurementRecord RealTimeSeries() {
    CMeasurementRecord r = ExampleRecord(3);
    r.ModeText = "RT";
    return r;
}

Bytes FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct DownloadDialog : testing::Test {
    CTempDir directory;
    CDTDoc doc;
    CFrameSettings settings;
    CWatchingPrompt prompt;
    CPaintCounter window;
    std::unique_ptr<CCabledLogger> bridge;
    std::unique_ptr<CDownloadDlg> dialog;
    int saves = 0;

    void SetUp() override {
        window.resize(800, 600);
        window.show();
        std::filesystem::remove_all(ProgramDirectory());
        MakeLogger(SimulatorOptions{});
    }

    // A fresh logger holding `memory` (else what its setup says), and the dialog the main
    // window would keep.
    void MakeLogger(SimulatorOptions options,
                    std::optional<CMemoryImage> memory = SmallMemory(1000)) {
        dialog.reset();
        options.StateFile = directory / "SimulatedLogger.ini";
        options.ButtonDelaySeconds.reset();
        bridge = std::make_unique<CCabledLogger>(std::move(options), window);
        if (memory) {
            bridge->Logger().Device().ForceMemory(std::move(*memory));
        }
        dialog = std::make_unique<CDownloadDlg>(doc, *bridge, prompt, settings, window,
                                                [this] { ++saves; });
        prompt.Host = &dialog->Host();
    }

    // Opens the dialog, lets `whileOpen` act on it, and closes it with Cancel if that left
    // it open; the dialog's result.
    bool Open(const std::function<void()>& whileOpen) {
        QTimer::singleShot(0, dialog.get(), [&] {
            whileOpen();
            if (dialog->isVisible()) {
                QTest::mouseClick(&dialog->CancelButton(), Qt::LeftButton);
            }
        });
        return dialog->DoModal();
    }

    // A logger set up for real time at 5 s, dBC, SLOW.
    void SetUpRealTimeLogger() {
        MakeLogger(SimulatorOptions{}, std::nullopt);
        SetupFields fields;
        fields.RealTime = true;
        fields.RateCode = 5;
        fields.Dba = false;
        fields.Fast = false;
        fields.ManualStart = false;
        ASSERT_TRUE(dialog->Link().SendSetup(ComposeSetupBlock(fields, {2024, 6, 3, 10, 0, 0})));
    }

    // The user waits for "Connected" and presses Download.
    bool PollAndDownload() {
        return Open([&] {
            dialog->Poll();
            QTest::mouseClick(&dialog->DownloadButton(), Qt::LeftButton);
        });
    }
};

TEST_F(DownloadDialog, opening_saysConnectingAndPollsEverySecond) {
    Open([&] {
        EXPECT_EQ(dialog->windowTitle(), "Connecting...");
        EXPECT_EQ(dialog->StatusText(), "Connecting...");
        EXPECT_TRUE(dialog->PresenceTimer().isActive());
        EXPECT_EQ(dialog->PresenceTimer().interval(), 1000);
        EXPECT_EQ(dialog->palette().color(QPalette::Window), QColor(225, 225, 225));
        EXPECT_EQ(dialog->palette().color(QPalette::WindowText), QColor(100, 100, 0));
    });
    EXPECT_FALSE(dialog->PresenceTimer().isActive());
}

TEST_F(DownloadDialog, noLogger_downloadButtonDoesNothing) {
    bridge->Attached = false;
    const bool downloaded = Open([&] {
        dialog->Poll();
        EXPECT_EQ(dialog->windowTitle(), "Not Connected");
        EXPECT_EQ(dialog->StatusText(),
                  "Connecting failed. Ensure the logger is inserted and try again.");
        QTest::mouseClick(&dialog->DownloadButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog->isVisible());
    });
    EXPECT_FALSE(downloaded);
    EXPECT_EQ(doc.Record().SampleCount, 0);
    EXPECT_TRUE(bridge->PaintsSeenAtWrite.empty());  // not one transfer
}

TEST_F(DownloadDialog, loggerThatMayNotBeOpened_statusSaysHowToFixIt) {
    bridge->Forbidden = true;
    Open([&] {
        dialog->Poll();
        EXPECT_EQ(dialog->StatusText().toStdString(),
                  "Connecting failed. Ensure the logger is inserted and try again. " +
                      std::string(MSG_NOT_PERMITTED));
    });
}

TEST_F(DownloadDialog, connected_downloadReplacesTheRecordAndMarksIt) {
    const bool downloaded = Open([&] {
        dialog->Poll();
        EXPECT_EQ(dialog->windowTitle(), "Connected");
        EXPECT_EQ(dialog->StatusText(),
                  "Press Download to stop logging and load data from logger, or Cancel to exit.");
        QTest::mouseClick(&dialog->DownloadButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(downloaded);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(doc.Record().SampleCount, 1000);
    EXPECT_EQ(doc.Record().Info.SampleRate, "2 s");
    EXPECT_TRUE(doc.StoredData);
    EXPECT_TRUE(doc.DownloadSinceSave);
    EXPECT_EQ(dialog->Host().LoadingWindow(), nullptr);
    EXPECT_TRUE(prompt.Log.empty());
}

TEST_F(DownloadDialog, cancel_leavesEverythingAsItWas) {
    EXPECT_FALSE(Open([&] {
        dialog->Poll();
        QTest::mouseClick(&dialog->CancelButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(doc.Record().SampleCount, 0);
    EXPECT_FALSE(doc.DownloadSinceSave);
}

TEST_F(DownloadDialog, connectedFromThePreviousOpening_holdsUntilTheFirstPoll) {
    ASSERT_TRUE(PollAndDownload());
    EXPECT_TRUE(Open([&] { QTest::mouseClick(&dialog->DownloadButton(), Qt::LeftButton); }));

    bridge->Attached = false;
    ASSERT_FALSE(Open([&] { dialog->Poll(); }));
    EXPECT_FALSE(Open([&] {
        QTest::mouseClick(&dialog->DownloadButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog->isVisible());
    }));
}

TEST_F(DownloadDialog, unsavedRealTimeSeries_askedOnceAndNoClearsTheFlags) {
    doc.StoredData = false;
    doc.ReplaceRecord(RealTimeSeries(), DocumentChange::RunEnded);
    doc.SetupSinceSave = true;
    doc.DownloadSinceSave = true;

    ASSERT_TRUE(PollAndDownload());
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{SAVE_FIRST});
    EXPECT_TRUE(prompt.Log[0].Question);
    EXPECT_EQ(prompt.Log[0].Icon, PromptIcon::None);
    EXPECT_EQ(saves, 0);
    EXPECT_FALSE(doc.SetupSinceSave);
    EXPECT_TRUE(doc.DownloadSinceSave);  // the new download is unsaved again

    // A stored recording is never asked about.
    ASSERT_TRUE(PollAndDownload());
    EXPECT_EQ(prompt.Log.size(), 1u);
}

TEST_F(DownloadDialog, saveQuestionYes_savesBeforeTheDownload) {
    doc.StoredData = false;
    doc.ReplaceRecord(RealTimeSeries(), DocumentChange::RunEnded);
    doc.SetupSinceSave = true;
    doc.DownloadSinceSave = true;
    prompt.Answers = {true};
    int readingsWhenSaved = -1;
    dialog = std::make_unique<CDownloadDlg>(doc, *bridge, prompt, settings, window,
                                            [&] { readingsWhenSaved = doc.Record().SampleCount; });

    ASSERT_TRUE(PollAndDownload());
    EXPECT_EQ(readingsWhenSaved, 3);
    EXPECT_EQ(doc.Record().SampleCount, 1000);

    // Without both flags there is nothing unsaved to ask about.
    doc.StoredData = false;
    doc.ReplaceRecord(RealTimeSeries(), DocumentChange::RunEnded);
    doc.SetupSinceSave = false;
    ASSERT_TRUE(PollAndDownload());
    EXPECT_EQ(prompt.Log.size(), 1u);
}

TEST_F(DownloadDialog, loggerPulledOutAfterThePoll_failsWithoutAWord) {
    const bool downloaded = Open([&] {
        dialog->Poll();
        bridge->Attached = false;
        QTest::mouseClick(&dialog->DownloadButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(downloaded);
    EXPECT_TRUE(prompt.Log.empty());
    EXPECT_EQ(doc.Record().SampleCount, 0);
    EXPECT_FALSE(doc.DownloadSinceSave);
}

TEST_F(DownloadDialog, progressWindow_standsOverTheGraphAndEveryBlockRepaints) {
    std::optional<QPoint> placed;
    std::optional<QPoint> expected;
    int maximum = 0;
    const QWidget* owner = nullptr;
    bridge->Logger().Device().ForceMemory(SmallMemory(2000));  // 8 blocks
    // Timers run while the windows repaint: this one looks at the progress window once.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (const CLoadingDlg* loading = dialog->Host().LoadingWindow(); loading && !placed) {
            placed = loading->frameGeometry().topLeft();
            expected = LoadingWindowPosition(QRect(window.mapToGlobal(QPoint(0, 0)), window.size()),
                                             loading->frameGeometry().size());
            maximum = loading->ProgressBar().maximum();
            owner = loading->parentWidget();
        }
    });
    probe.start(0);
    ASSERT_TRUE(PollAndDownload());
    probe.stop();

    ASSERT_TRUE(placed.has_value());
    EXPECT_EQ(*placed, *expected);
    EXPECT_EQ(maximum, 8);
    EXPECT_EQ(owner, window.window());  // kept above the main window
    // Writes 1 and 2 ask for the status and the size; from then on every block's request
    // finds the window repainted since the one before.
    const std::vector<int>& paints = bridge->PaintsSeenAtWrite;
    ASSERT_EQ(paints.size(), 2u + 8u);
    for (std::size_t write = 3; write < paints.size(); ++write) {
        EXPECT_GT(paints[write], paints[write - 1]) << "write " << write + 1;
    }
}

TEST_F(DownloadDialog, failedBlock_messageOverTheProgressWindowThenItGoes) {
    SimulatorOptions options;
    options.Faults.FailRead(5);  // the second block's prefix
    MakeLogger(std::move(options));
    doc.StoredData = false;
    doc.ReplaceRecord(RealTimeSeries(), DocumentChange::RunEnded);
    ASSERT_TRUE(doc.SaveLastMeasurement());
    const Bytes previousFile = FileBytes(*LastMeasurementPath());

    EXPECT_FALSE(PollAndDownload());
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{READ_FAILED});
    EXPECT_EQ(prompt.ProgressShownAtMessage, std::vector<bool>{true});
    EXPECT_EQ(dialog->Host().LoadingWindow(), nullptr);
    EXPECT_EQ(doc.Record().SampleCount, 3);
    EXPECT_EQ(doc.Record().ModeText, "RT");
    EXPECT_FALSE(doc.DownloadSinceSave);
    EXPECT_EQ(FileBytes(*LastMeasurementPath()), previousFile);
}

TEST_F(DownloadDialog, realTimeLogger_startsTheRunThatOutlivesTheDialog) {
    SetUpRealTimeLogger();
    settings.AlarmHigh = "85";
    settings.AlarmLow = "40";

    ASSERT_TRUE(PollAndDownload());
    EXPECT_TRUE(doc.RealTimeActive);
    EXPECT_FALSE(doc.StoredData);
    EXPECT_TRUE(doc.DownloadSinceSave);
    EXPECT_EQ(doc.Record().ModeText, "RT");
    EXPECT_EQ(doc.Record().Info.Speed, "SLOW");
    EXPECT_EQ(doc.Record().AlarmHighText, "85");
    EXPECT_EQ(doc.Record().Capacity(), REAL_TIME_CAPACITY);
    EXPECT_TRUE(dialog->Host().PollTimer().isActive());
    EXPECT_EQ(dialog->Host().PollTimer().interval(), 500);
    EXPECT_FALSE(dialog->isVisible());

    // Each tick of the poll timer takes a reading until the logger goes; then the run ends, keeps
    // what it took and says how many.
    QSignalSpy stopped(dialog.get(), &CDownloadDlg::LoggerStoppedAnswering);
    dialog->PollRealTime();
    dialog->PollRealTime();
    EXPECT_EQ(dialog->Host().PollTimer().interval(), 5000);
    EXPECT_EQ(doc.Record().SampleCount, 2);
    CFaultPlan& faults = bridge->Logger().Faults();
    faults.UnplugBefore(faults.Transfers() + 1);
    dialog->PollRealTime();
    ASSERT_TRUE(bridge->Logger().Unplugged());
    ASSERT_EQ(stopped.size(), 1);
    EXPECT_EQ(stopped[0][0].toInt(), 2);
    EXPECT_FALSE(dialog->RunPolling());
    EXPECT_FALSE(doc.RealTimeActive);
    CDTDoc last;
    ASSERT_EQ(last.LoadLastMeasurement(prompt), LoadResult::Loaded);
    EXPECT_EQ(last.Record().SampleCount, 2);
}

// A run held up (the program stopped, its event loop blocked) keeps the slots whose polls it
// missed as readings without a level, says so, and brings its next poll back onto the grid.
TEST_F(DownloadDialog, runHeldUp_keepsTheMissedSlotsWithoutALevelAndPollsOnTheGrid) {
    SetUpRealTimeLogger();
    ASSERT_TRUE(PollAndDownload());
    const auto start = CPollGrid::Clock::now();
    auto now = start;
    dialog->SetSteadyClock([&now] { return now; });
    QSignalSpy heldUp(dialog.get(), &CDownloadDlg::RunHeldUp);
    struct Step {
        int SinceFirstMs;  // when the poll comes, from the run's first poll
        int Readings;      // the record's readings after it
        int TimerMs;       // the poll timer's next tick
    };
    const std::vector<Step> steps = {
        {0, 1, 5000},      // the first reading starts the grid
        {5001, 2, 5000},   // on time
        {27500, 6, 2500},  // 17.5 s late: 3 slots missed, the fourth taken, back on the grid
        {30000, 7, 5000},  // on the grid: the period again
    };
    for (const Step& step : steps) {
        now = start + std::chrono::milliseconds(step.SinceFirstMs);
        dialog->PollRealTime();
        EXPECT_EQ(doc.Record().SampleCount, step.Readings) << step.SinceFirstMs;
        EXPECT_EQ(dialog->Host().PollTimer().interval(), step.TimerMs) << step.SinceFirstMs;
    }
    ASSERT_EQ(heldUp.size(), 1);
    EXPECT_EQ(heldUp[0][0].toInt(), 3);
    const auto& levels = doc.Record().Levels;  // the missed slots 2 to 4 alone have no level
    EXPECT_TRUE(!std::isnan(levels[1]) && std::isnan(levels[2]) && std::isnan(levels[4]) &&
                !std::isnan(levels[5]));
}

}  // namespace
