// Unattended monitoring: what the archive and the interval levels cost per reading beside the
// same station without them, and whether the memory of a monitor that runs for weeks stays flat.
// The station polls the simulated logger on a clock that passes only while it sleeps, so that
// the figures are the work per reading and nothing else.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "bench/BenchMain.h"
#include "bench/BenchLogger.h"
#include "bench/BenchPrompt.h"
#include "platform/LocalTime.h"
#include "platform/ProgramDirectory.h"
#include "station/CStation.h"
#include "station/CStationArchive.h"

namespace {

constexpr std::int64_t READINGS_PER_RUN = 20000;

// The resident memory of the process, in MB.
double ResidentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Takes the resident memory after the station's 10000th and its last reading.
class CMemoryProbe : public CStationObserver {
public:
    explicit CMemoryProbe(std::int64_t last) : m_last(last) {}
    void RunStarted(const CStationRun&) override {}
    void Reading(const CStationReading& reading) override {
        if (reading.Number == 10000) {
            Early = ResidentMegabytes();
        } else if (reading.Number == m_last) {
            Late = ResidentMegabytes();
        }
    }
    void IntervalCompleted(const CIntervalLevels&) override {}
    void RunEnded(std::int64_t) override {}

    double Early = 0.0;
    double Late = 0.0;

private:
    std::int64_t m_last;
};

// How late the station took each poll, in real milliseconds.
class CDelayProbe : public CStationObserver {
public:
    explicit CDelayProbe(CRunClock& clock) : m_clock(clock) {}
    void RunStarted(const CStationRun&) override {}
    void Reading(const CStationReading& reading) override {
        LargestMs = std::max(LargestMs, static_cast<double>(m_clock.NowMs() - reading.TimeMs) /
                                            static_cast<double>(m_clock.Speed()));
    }
    void IntervalCompleted(const CIntervalLevels&) override {}
    void RunEnded(std::int64_t) override {}

    double LargestMs = 0.0;

private:
    CRunClock& m_clock;
};

// A station of `readings` readings at 1 s from a simulated logger, on `clock` (one that passes
// only while the station sleeps when null); with the archive in `archiveFile` of the program
// directory and 1-minute intervals when it is named. `started` runs once the archive is open,
// `ended` once the station has taken its readings, before the archive is closed. False when it
// failed.
bool RunStation(std::int64_t readings, const char* archiveFile, CStationObserver* probe = nullptr,
                std::shared_ptr<CRunClock> clock = nullptr,
                const std::function<void()>& started = {},
                const std::function<void()>& ended = {}) {
    if (!clock) {
        clock = std::make_shared<CSteppingClock>(CurrentTime() * std::int64_t{1000});
    }
    const bool archived = archiveFile != nullptr;
    const auto logger = RealTimeLogger(clock);
    CFailingPrompt prompt;
    std::ostringstream messages;
    CStationSettings settings;
    settings.MaxReadings = readings;
    settings.IntervalSeconds = archived ? 60 : 0;
    CStation station(*logger, prompt, *clock, settings, messages);
    std::unique_ptr<CStationArchive> archive;
    if (archived) {
        const auto file = ProgramFile(archiveFile);
        std::filesystem::remove(*file);
        std::string refusal;
        bool busy = false;
        archive = CStationArchive::Open(*file, messages, refusal, busy);
        if (!archive) {
            return false;
        }
        station.AddObserver(*archive);
    }
    if (probe) {
        station.AddObserver(*probe);
    }
    if (started) {
        started();
    }
    const bool limit = station.Run([] { return false; }) == StationEnd::Limit;
    if (ended) {
        ended();
    }
    return limit && (!archive || archive->Close() == 0);
}

void StationPerReading(benchmark::State& state, bool archived) {
    for (auto _ : state) {
        if (!RunStation(READINGS_PER_RUN, archived ? "archive.sqlite" : nullptr)) {
            state.SkipWithError("the station did not take its readings");
            break;
        }
    }
    state.counters["readings"] = READINGS_PER_RUN;
}

// CPU time of 20000 readings with the archive and the intervals.
void BM_StationArchived(benchmark::State& state) {
    StationPerReading(state, true);
    state.SetLabel("ref=BM_StationPlain ratio<=1.5");
}
BENCHMARK(BM_StationArchived)->Unit(benchmark::kMillisecond);

void BM_StationPlain(benchmark::State& state) {
    StationPerReading(state, false);
}
BENCHMARK(BM_StationPlain)->Unit(benchmark::kMillisecond);

// The resident memory that 990000 more readings add to an archived station of 10000.
void BM_StationMemoryAfterAMillionReadings(benchmark::State& state) {
    double added = 0.0;
    for (auto _ : state) {
        CMemoryProbe probe(1000000);
        if (!RunStation(1000000, "archive.sqlite", &probe)) {
            state.SkipWithError("the station did not take its readings");
            break;
        }
        added = probe.Late - probe.Early;
    }
    state.counters["MB"] = added;
    state.SetLabel("figure=MB max=2MB");
}
BENCHMARK(BM_StationMemoryAfterAMillionReadings)->Unit(benchmark::kMillisecond)->Iterations(1);

// The archive's size on disk per reading, its indexes and minute rollups included, after a
// month of 1 s readings with 1-minute intervals.
void BM_ArchiveBytesPerReading(benchmark::State& state) {
    constexpr std::int64_t MONTH = 30 * 86400;
    double bytes = 0.0;
    for (auto _ : state) {
        if (!RunStation(MONTH, "month.sqlite")) {
            state.SkipWithError("the station did not keep its readings");
            break;
        }
        bytes = static_cast<double>(std::filesystem::file_size(*ProgramFile("month.sqlite"))) /
                static_cast<double>(MONTH);
    }
    state.counters["B"] = bytes;
    state.SetLabel("figure=B max=16");
}
BENCHMARK(BM_ArchiveBytesPerReading)->Unit(benchmark::kMillisecond)->Iterations(1);

// A minute of 1 s readings at 1000 times real speed, archived while another connection holds
// the archive's write lock for the first 10 s of real time, as a reader in the sqlite3 shell
// may: the readings stored without a level (none, for the logger gives every one) with
// `figure` "nulls", or how late the latest poll was, in real milliseconds, with "ms".
void StationUnderAHeldLock(benchmark::State& state, const char* figure) {
    double nulls = -1.0;
    double stored = 0.0;
    const auto clock = std::make_shared<CScaledClock>(1000);
    CDelayProbe probe(*clock);
    for (auto _ : state) {
        const auto file = ProgramFile("locked.sqlite");
        sqlite3* other = nullptr;
        std::thread release;
        const auto hold = [&] {
            sqlite3_open(file->c_str(), &other);
            sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            release = std::thread([other] {
                std::this_thread::sleep_for(std::chrono::seconds(10));
                sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
            });
        };
        // The monitor goes on past the lock: what waited in memory is written then.
        const auto letGo = [&] {
            release.join();
            sqlite3_close(other);
        };
        const bool ran = RunStation(60, "locked.sqlite", &probe, clock, hold, letGo);
        std::string refusal;
        const auto db = CArchiveDatabase::Open(*file, CArchiveDatabase::Access::Read, refusal);
        if (!ran || !db) {
            state.SkipWithError("the station did not keep its readings");
            break;
        }
        CStatement count(db->Handle(),
                         "SELECT count(*), count(*) - count(level_tenths) FROM run_readings");
        count.Step();
        stored = static_cast<double>(count.Integer(0));
        nulls = static_cast<double>(count.Integer(1));
    }
    state.counters["nulls"] = nulls;
    state.counters["ms"] = probe.LargestMs;
    state.counters["stored"] = stored;
    state.SetLabel(std::string("figure=") + figure +
                   (figure == std::string("ms") ? " max=100ms" : " max=0"));
}

void BM_StationUnderAHeldLock_Nulls(benchmark::State& state) {
    StationUnderAHeldLock(state, "nulls");
}
BENCHMARK(BM_StationUnderAHeldLock_Nulls)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StationUnderAHeldLock_LatestPoll(benchmark::State& state) {
    StationUnderAHeldLock(state, "ms");
}
BENCHMARK(BM_StationUnderAHeldLock_LatestPoll)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarksAtHome(argc, argv);
}
