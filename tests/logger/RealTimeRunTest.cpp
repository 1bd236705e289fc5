// The real-time run: each poll's reading, the alarm state, the poll periods, the ends of a
// run, and the readings that survive a failed transfer or a killed program.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "document/CDTDoc.h"
#include "logger/CLoggerLink.h"
#include "logger/CRunJournal.h"
#include "logger/sim/CSimulatedLogger.h"
#include "tests/FileLimit.h"
#include "tests/SyncFault.h"
#include "tests/TempDir.h"
#include "tests/document/ExampleRecord.h"
#include "tests/logger/LoggerTestDoubles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Status bytes of a logger set up for real time, dBA and FAST, at a rate code.
std::uint8_t RealTimeStatus(std::uint8_t rateCode) {
    return static_cast<std::uint8_t>(rateCode | STATUS_DBA | STATUS_FAST);
}

Bytes FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<float> LastMeasurementLevels() {
    CDTDoc saved;
    CMessageLog prompt;
    if (saved.LoadLastMeasurement(prompt) != LoadResult::Loaded) {
        return {};
    }
    return saved.Record().Levels;
}

std::vector<float> Taken(const CMeasurementRecord& r) {
    return {r.Levels.begin(), r.Levels.begin() + r.SampleCount};
}

// Every test starts without a last measurement or a journal.
struct RealTimeTest : testing::Test {
    void SetUp() override {
        std::filesystem::remove(*LastMeasurementPath());
        std::filesystem::remove(*RunJournalPath());
    }
    void TearDown() override { SetUp(); }
};

// A run over scripted replies: the status byte, then one level reply per poll.
struct CScriptedRun {
    CScriptedBridge Bridge;
    CDownloadRecorder Host;
    CLoggerLink Link{Bridge, Host};
    CDTDoc Doc;

    explicit CScriptedRun(std::uint8_t rateCode = 3,
                          DownloadResult expected = DownloadResult::RealTimeStarted) {
        Bridge.Reads.push_back({BridgeStatus::Success, {RealTimeStatus(rateCode), 0, 0}, {}});
        EXPECT_EQ(Link.RunDownload(Doc, Host), expected);
    }
    PollResult Poll(std::uint16_t raw) {
        Bridge.Reads.push_back(
            {BridgeStatus::Success,
             {static_cast<std::uint8_t>(raw), static_cast<std::uint8_t>(raw >> 8)},
             {}});
        return Link.PollRealTime(Doc, Host);
    }
};

// A run against the simulated logger set up for real time, on a clock that moves one
// sampling interval before each poll. Runs with the same rate take the same levels.
struct CSimulatedRun {
    CSimulatorBench Bench;
    std::unique_ptr<CSimulatedLogger> Logger;
    CDownloadRecorder Host;
    std::unique_ptr<CLoggerLink> Link;
    CDTDoc Doc;
    double Interval;

    explicit CSimulatedRun(std::uint8_t rateCode, const std::string& faults = "")
        : Interval(RateInterval(rateCode)) {
        SimulatorOptions options = Bench.Options();
        options.Faults = CFaultPlan::Parse(faults);
        Logger = std::make_unique<CSimulatedLogger>(std::move(options));
        SetupFields fields;
        fields.RealTime = true;
        fields.RateCode = rateCode;
        Logger->Device().ApplySetup(ComposeSetupBlock(fields, {2024, 6, 3, 10, 0, 0}),
                                    Bench.Clock->Now, std::nullopt);
        Link = std::make_unique<CLoggerLink>(*Logger, Host);
    }
    DownloadResult Start() { return Link->RunDownload(Doc, Host); }
    PollResult Poll() {
        Bench.Clock->Advance(Interval);
        return Link->PollRealTime(Doc, Host);
    }
    // Polls until the run ends or `polls` readings more were asked for.
    PollResult PollUntilEnd(int polls) {
        PollResult result = PollResult::Polling;
        for (int i = 0; i < polls && result == PollResult::Polling; ++i) {
            result = Poll();
        }
        return result;
    }
};

// The levels a fault-free run at 1 s takes, poll by poll.
std::vector<float> ReferenceLevels(int polls) {
    CSimulatedRun run(3);
    EXPECT_EQ(run.Start(), DownloadResult::RealTimeStarted);
    run.PollUntilEnd(polls);
    return Taken(run.Doc.Record());
}

TEST_F(RealTimeTest, zeroReading_staysAtTheStartAndRepeatsThePreviousLevelLater) {
    const struct {
        std::vector<std::uint16_t> Raw;
        std::vector<float> Levels;
    } cases[] = {
        {{0}, {0.0f}},
        {{0, 0}, {0.0f, 0.0f}},
        {{700, 0}, {70.0f, 70.0f}},
        {{0, 655, 0, 0, 812}, {0.0f, 65.5f, 65.5f, 65.5f, 81.2f}},
    };
    for (const auto& c : cases) {
        CScriptedRun run;
        for (const std::uint16_t raw : c.Raw) {
            EXPECT_EQ(run.Poll(raw), PollResult::Polling);
        }
        EXPECT_EQ(Taken(run.Doc.Record()), c.Levels) << c.Raw.size() << " readings";
    }
}

TEST_F(RealTimeTest, alarmState_followsEachReadingWithTheLevelsReadAgainAtEveryPoll) {
    const struct {
        CAlarmSettings Alarms;
        std::uint16_t Raw;
        AlarmIndicatorState State;
    } steps[] = {
        {{"85", "40"}, 850, AlarmIndicatorState::High},
        {{"85", "40"}, 400, AlarmIndicatorState::Low},
        {{"85", "40"}, 600, AlarmIndicatorState::Normal},
        {{"85", "40"}, 900, AlarmIndicatorState::High},
        {{"85", "40"}, 600, AlarmIndicatorState::Normal},
        {{"40", "60"}, 500, AlarmIndicatorState::Low},  // inverted: the low test wins
        {{"59 dB", "x"}, 600, AlarmIndicatorState::High},
        {{"", ""}, 1, AlarmIndicatorState::High},  // levels without a number count as 0
    };
    CScriptedRun run;
    for (const auto& step : steps) {
        run.Host.Alarms = step.Alarms;
        run.Poll(step.Raw);
        EXPECT_EQ(run.Doc.RealTimeAlarm, step.State) << step.Raw << " at " << step.Alarms.HighText;
    }
}

TEST_F(RealTimeTest, pollPeriod_is500msForTheFirstPollThenTheSamplingInterval) {
    const std::uint32_t periods[] = {50, 500, 1000, 2000, 5000, 10000, 60000};
    for (std::uint8_t code = 1; code <= 7; ++code) {
        CScriptedRun run(code);
        EXPECT_EQ(run.Host.PollPeriodMs, CLoggerLink::FIRST_POLL_MS);
        run.Poll(600);
        EXPECT_EQ(run.Host.PollPeriodMs, periods[code - 1]) << "rate code " << int{code};
        run.Host.Events.clear();
        run.Poll(610);
        EXPECT_TRUE(run.Host.Events.empty()) << "the period is set once";
    }
}

TEST_F(RealTimeTest, firstReading_startsTheClockAndEveryReadingUpdatesTheTexts) {
    CScriptedRun run(2);          // 500 ms
    run.Host.Clock = 1401969727;  // 05/06/14 14:02:07
    run.Poll(702);
    run.Host.Clock += 3600;  // the clock no longer matters: times come from the index
    run.Poll(655);
    run.Poll(702);
    const CMeasurementRecord& r = run.Doc.Record();
    EXPECT_EQ(r.StartTime, 1401969727);
    EXPECT_EQ(r.Info.StartTime, "05/06/14 14:02:07");
    EXPECT_EQ(r.Info.DataNo, "3");
    EXPECT_EQ(r.MaxText, "70.2 @14:02:08 05/06/14");  // the later of two equal readings
    EXPECT_EQ(r.MinText, "65.5 @14:02:07 05/06/14");
    EXPECT_EQ(r.AvgText, "68.63 ");
    EXPECT_EQ(r.Info.SoundMax, r.MaxText);
    EXPECT_FALSE(run.Doc.StoredData);
    EXPECT_TRUE(run.Doc.RealTimeActive);
    // Slots missed while held up are kept without a level up to the limit, not one further.
    EXPECT_EQ(run.Link.KeepMissedSlots(run.Doc, run.Host, 100, 5), 2);
    EXPECT_EQ(r.SampleCount, 5);
}

TEST_F(RealTimeTest, tenThousandthReading_endsTheRunAndKeepsItAsTheLastMeasurement) {
    CSimulatedRun run(1);
    ASSERT_EQ(run.Start(), DownloadResult::RealTimeStarted);
    EXPECT_EQ(run.PollUntilEnd(REAL_TIME_CAPACITY - 1), PollResult::Polling);
    EXPECT_TRUE(std::filesystem::exists(*RunJournalPath()));
    EXPECT_EQ(run.Poll(), PollResult::Ended);
    EXPECT_EQ(run.Doc.Record().SampleCount, REAL_TIME_CAPACITY);
    EXPECT_FALSE(run.Doc.RealTimeActive);
    EXPECT_EQ(run.Host.PollPeriodMs, 0u);
    EXPECT_EQ(run.Link->Handle(), INVALID_BRIDGE_HANDLE);
    EXPECT_EQ(LastMeasurementLevels(), Taken(run.Doc.Record()));
    EXPECT_FALSE(std::filesystem::exists(*RunJournalPath()));
}

TEST_F(RealTimeTest, stopDuringA60sInterval_endsAtTheNextPollWithOneMoreReading) {
    CSimulatedRun run(7);
    ASSERT_EQ(run.Start(), DownloadResult::RealTimeStarted);
    run.PollUntilEnd(3);
    EXPECT_EQ(run.Host.PollPeriodMs, 60000u);
    // Stop Running: the flag, and the series so far kept at once.
    run.Doc.RealTimeActive = false;
    ASSERT_TRUE(run.Doc.SaveLastMeasurement());
    EXPECT_EQ(LastMeasurementLevels().size(), 3u);

    EXPECT_EQ(run.Poll(), PollResult::Ended);  // a minute later on the simulated clock
    EXPECT_EQ(run.Doc.Record().SampleCount, 4);
    EXPECT_EQ(run.Host.PollPeriodMs, 0u);
    EXPECT_EQ(LastMeasurementLevels(), Taken(run.Doc.Record()));
}

TEST_F(RealTimeTest, runEndingBeforeItsFirstReading_leavesTheLastMeasurementAsItWas) {
    CDTDoc previous;
    previous.Record().ReplaceSeries(2);
    previous.Record().SampleCount = 2;
    ASSERT_TRUE(previous.SaveLastMeasurement());
    const Bytes before = FileBytes(*LastMeasurementPath());

    CScriptedRun failed;  // no level reply: the first poll times out
    EXPECT_EQ(failed.Link.PollRealTime(failed.Doc, failed.Host), PollResult::LoggerStopped);
    CScriptedRun closing;
    EXPECT_TRUE(closing.Link.EndRealTimeRun(closing.Doc, closing.Host));

    for (const CScriptedRun* run : {&failed, &closing}) {
        EXPECT_FALSE(run->Doc.RealTimeActive);
        EXPECT_EQ(run->Host.PollPeriodMs, 0u);
        EXPECT_EQ(run->Bridge.OpenHandles, 0);
    }
    EXPECT_EQ(FileBytes(*LastMeasurementPath()), before);
    EXPECT_FALSE(std::filesystem::exists(*RunJournalPath()));
}

// Every transfer of a 200-reading run, failed in turn and then unplugged in turn: the
// readings taken before it stay in the record and reach the last measurement. Transfers 1
// and 2 are the download's status; poll k writes transfer 2k+1 and reads 2k+2.
TEST_F(RealTimeTest, faultAtAnyTransfer_keepsEveryReadingTakenInTheRecordAndOnDisk) {
    constexpr int POLLS = 200;
    const std::vector<float> reference = ReferenceLevels(POLLS);
    ASSERT_EQ(reference.size(), static_cast<std::size_t>(POLLS));
    for (const bool unplug : {false, true}) {
        for (int transfer = 1; transfer <= 2 * POLLS + 2; ++transfer) {
            SetUp();
            const bool write = transfer % 2 == 1;
            const int number = (transfer + 1) / 2;  // of the writes or of the reads
            const std::string fault = unplug  ? "unplug:" + std::to_string(transfer)
                                      : write ? "write:" + std::to_string(number) + "=fail"
                                              : "read:" + std::to_string(number) + "=fail";
            CSimulatedRun run(3, fault);
            const bool started = run.Start() == DownloadResult::RealTimeStarted;
            const PollResult result = started ? run.PollUntilEnd(POLLS) : PollResult::LoggerStopped;
            ASSERT_EQ(run.Logger->Faults().Played(), 1) << fault;

            const int taken = std::max(0, (transfer - 3) / 2);
            const std::vector<float> expected(reference.begin(), reference.begin() + taken);
            EXPECT_EQ(started, transfer > 2) << fault;
            EXPECT_EQ(result, PollResult::LoggerStopped) << fault;
            EXPECT_EQ(Taken(run.Doc.Record()), expected) << fault;
            EXPECT_EQ(LastMeasurementLevels(), expected) << fault;
            EXPECT_FALSE(run.Doc.RealTimeActive) << fault;
            EXPECT_EQ(run.Link->Handle(), INVALID_BRIDGE_HANDLE) << fault;
            EXPECT_FALSE(std::filesystem::exists(*RunJournalPath())) << fault;
        }
    }
}

// A run in a child process, killed with SIGKILL: the journal it leaves gives back every
// reading that had reached the disk, bit for bit. The child reports each reading through a
// pipe once it is in the journal; with `pauseAt` it stops polling after that many.
int RunChildUntilKilled(int reportAfter, bool pauseAfterReport) {
    int pipeEnds[2];
    EXPECT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        CSimulatedRun run(3);
        if (run.Start() != DownloadResult::RealTimeStarted) {
            _exit(1);
        }
        for (int taken = 1;; ++taken) {
            run.Poll();
            const int reported = taken;
            if (write(pipeEnds[1], &reported, sizeof reported) != sizeof reported) {
                _exit(1);
            }
            while (pauseAfterReport && taken >= reportAfter) {
                pause();
            }
        }
    }
    close(pipeEnds[1]);
    int reported = 0;
    while (reported < reportAfter &&
           read(pipeEnds[0], &reported, sizeof reported) == sizeof reported) {
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(pipeEnds[0]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    return reported;
}

TEST_F(RealTimeTest, runKilledAfterKReadings_leavesAJournalThatRecoversThemBitForBit) {
    // The child may run far ahead of the reports the parent has read: up to a full record.
    const std::vector<float> reference = ReferenceLevels(REAL_TIME_CAPACITY);
    for (const bool pauseAfterReport : {true, false}) {
        for (const int k : {1, 2, 57, 300}) {
            SetUp();
            const int reported = RunChildUntilKilled(k, pauseAfterReport);
            ASSERT_EQ(reported, k);
            const auto recovered = FindUnfinishedRun();
            ASSERT_TRUE(recovered) << k;
            const int count = recovered->SampleCount;
            // Paused, the child took exactly K; running on, it may have taken more.
            if (pauseAfterReport) {
                EXPECT_EQ(count, k);
            } else {
                EXPECT_GE(count, k);
                ASSERT_LE(count, static_cast<int>(reference.size()));
            }
            const std::vector<float> expected(reference.begin(), reference.begin() + count);
            EXPECT_EQ(0, std::memcmp(recovered->Levels.data(), expected.data(),
                                     expected.size() * sizeof(float)));
            EXPECT_EQ(recovered->ModeText, "RT");
            EXPECT_EQ(recovered->Info.DataNo, std::to_string(count));
        }
    }
}

TEST_F(RealTimeTest, unfinishedRun_recoveryMakesItTheLastMeasurementAndDeclineRemovesIt) {
    {
        CSimulatedRun run(2);
        ASSERT_EQ(run.Start(), DownloadResult::RealTimeStarted);
        run.PollUntilEnd(5);
        // The program ends here without ending the run.
    }
    auto recovered = FindUnfinishedRun();
    ASSERT_TRUE(recovered);
    EXPECT_EQ(recovered->SampleCount, 5);
    EXPECT_EQ(recovered->SampleInterval, 0.5f);
    CDTDoc doc;
    ASSERT_TRUE(AdoptUnfinishedRun(doc, *recovered));
    EXPECT_EQ(Taken(doc.Record()), Taken(*recovered));
    EXPECT_EQ(LastMeasurementLevels(), Taken(*recovered));
    EXPECT_FALSE(std::filesystem::exists(*RunJournalPath()));
    EXPECT_FALSE(FindUnfinishedRun());

    {
        CSimulatedRun run(2);
        ASSERT_EQ(run.Start(), DownloadResult::RealTimeStarted);
        run.PollUntilEnd(2);
    }
    ASSERT_TRUE(FindUnfinishedRun());
    DiscardUnfinishedRun();
    EXPECT_FALSE(FindUnfinishedRun());
    EXPECT_EQ(LastMeasurementLevels(), Taken(*recovered));
}

TEST_F(RealTimeTest, journalCutInsideItsHeaderOrAReading_givesTheWholeReadingsOnly) {
    {
        CSimulatedRun run(3);
        ASSERT_EQ(run.Start(), DownloadResult::RealTimeStarted);
        run.PollUntilEnd(3);
    }
    const std::filesystem::path journal = *RunJournalPath();
    const auto full = std::filesystem::file_size(journal);
    const auto headerAndFirst = full - 2 * sizeof(float);
    const struct {
        std::uintmax_t Size;
        int Readings;  // 0: nothing to recover, the journal is removed
    } cases[] = {{full, 3},
                 {full - 1, 2},
                 {headerAndFirst + 3, 1},
                 {headerAndFirst, 1},
                 {headerAndFirst - 1, 0},
                 {5, 0},
                 {0, 0}};
    const Bytes bytes = FileBytes(journal);
    for (const auto& c : cases) {
        std::ofstream(journal, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(c.Size));
        const auto recovered = FindUnfinishedRun();
        EXPECT_EQ(recovered ? recovered->SampleCount : 0, c.Readings) << c.Size;
        EXPECT_EQ(std::filesystem::exists(journal), c.Readings > 0) << c.Size;
    }
}

// The bytes of a journal of three readings, as a run leaves it.
Bytes WholeJournal() {
    EXPECT_TRUE(CRunJournal(*RunJournalPath()).Begin(ExampleRecord(3)));
    Bytes bytes = FileBytes(*RunJournalPath());
    std::filesystem::remove(*RunJournalPath());
    return bytes;
}

void WriteBytes(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}

// What is found where a journal should be: only a whole journal no run holds is offered; what
// cannot be recovered goes into the history; what is not a plain file is left alone; a new run
// writes over or through none of it, and is refused while another run holds the lock.
TEST_F(RealTimeTest, foundJournal_isOfferedOnlyWholeAndFreeAndNothingOfItIsLost) {
    enum Outcome { Offered, LeftAlone, Damaged, Removed };
    const Bytes whole = WholeJournal();
    const auto changed = [&](std::size_t at, Bytes bytes) {
        Bytes result = whole;
        result.resize(std::max(result.size(), at + bytes.size()));
        std::copy(bytes.begin(), bytes.end(), result.begin() + static_cast<long>(at));
        return result;
    };
    const std::filesystem::path journal = *RunJournalPath();
    const CTempDir outside;
    const struct {
        std::string Name;
        Bytes Content;
        Outcome Expected;
    } cases[] = {{"whole", whole, Offered},
                 {"held by a run", whole, LeftAlone},
                 {"another signature", changed(1, {'X'}), Damaged},
                 {"no interval", changed(39, {0, 0, 0, 0}), Damaged},
                 {"a start in no calendar", changed(35, {0xFF, 0xFF, 0xFF, 0x7F}), Damaged},
                 {"a level of -1 dB", changed(whole.size(), {0, 0, 0x80, 0xBF}), Damaged},
                 {"empty", {}, Removed},
                 {"named pipe", {}, LeftAlone},
                 {"dangling link", {}, LeftAlone}};
    for (const auto& c : cases) {
        SetUp();
        if (c.Name == "named pipe") {
            ASSERT_EQ(mkfifo(journal.c_str(), 0666), 0);
        } else if (c.Name == "dangling link") {
            std::filesystem::create_symlink(outside / "journal", journal);
        } else {
            WriteBytes(journal, c.Content);
        }
        const auto type = std::filesystem::symlink_status(journal).type();
        const auto held = c.Name == "held by a run" ? LockRunJournal() : nullptr;
        ASSERT_EQ(held == nullptr, LockRunJournal() != nullptr) << c.Name << ": the lock seen held";
        std::filesystem::path keptAside;
        EXPECT_EQ(FindUnfinishedRun(&keptAside).has_value(), c.Expected == Offered) << c.Name;
        EXPECT_EQ(keptAside.string().find("-damaged") != std::string::npos, c.Expected == Damaged);
        const bool stays = c.Expected == Offered || c.Expected == LeftAlone;
        EXPECT_EQ(std::filesystem::symlink_status(journal).type(),
                  stays ? type : std::filesystem::file_type::not_found)
            << c.Name;
        EXPECT_EQ(CRunJournal(journal).Begin(ExampleRecord(1)), !stays) << c.Name;
        if (stays && type == std::filesystem::file_type::regular) {
            EXPECT_EQ(FileBytes(journal), whole) << c.Name;
        }
        EXPECT_FALSE(std::filesystem::exists(outside / "journal")) << c.Name;
        CScriptedRun second(3, held ? DownloadResult::Failed : DownloadResult::RealTimeStarted);
        EXPECT_EQ(second.Host.Icons.size(), held ? 1u : 0u) << c.Name << ": refused, and told";
    }
}

// No keeps the run in the history. A recovery or a No that cannot write keeps the journal, and
// a journal whose first sync fails says so.
TEST_F(RealTimeTest, unfinishedRunDeclinedOrNotWritten_keepsEveryReading) {
    const Bytes whole = WholeJournal();
    WriteBytes(*RunJournalPath(), whole);
    CDTDoc doc;
    {
        const CFileSizeLimit limit(100);
        EXPECT_FALSE(AdoptUnfinishedRun(doc, *FindUnfinishedRun()));
        EXPECT_FALSE(DiscardUnfinishedRun());
    }
    EXPECT_EQ(FileBytes(*RunJournalPath()), whole);
    const auto kept = DiscardUnfinishedRun();
    CMessageLog prompt;
    ASSERT_TRUE(kept && doc.LoadFile(*kept, prompt) == LoadResult::Loaded);
    EXPECT_EQ(Taken(doc.Record()), Taken(ExampleRecord(3)));
    EXPECT_FALSE(std::filesystem::exists(*RunJournalPath()));
    const CSyncFault fault(1);
    EXPECT_FALSE(CRunJournal(*RunJournalPath()).Begin(ExampleRecord(1)));
    EXPECT_EQ(fault.Fired(), 1);
}

}  // namespace
