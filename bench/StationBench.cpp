// Unattended monitoring: what the archive and the interval levels cost per reading beside the
// same station without them, and whether the memory of a monitor that runs for weeks stays flat.
// The station polls the simulated logger on a clock that passes only while it sleeps, so that
// the figures are the work per reading and nothing else.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "bench/BenchHome.h"
#include "logger/SetupBlock.h"
#include "logger/sim/CSimulatedLogger.h"
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

// A station of `readings` readings at 1 s from a simulated logger; with the archive in a file
// of the program directory and 1-minute intervals when `archived`. False when it failed.
bool RunStation(std::int64_t readings, bool archived, CStationObserver* probe = nullptr) {
    const auto clock = std::make_shared<CSteppingClock>(CurrentTime() * std::int64_t{1000});
    SimulatorOptions options;
    options.StateFile = ProgramFile("SimulatedLogger.ini");
    options.Clock = clock;
    CSimulatedLogger logger(std::move(options));
    SetupFields fields;
    fields.RealTime = true;
    fields.RateCode = 3;
    logger.Device().ApplySetup(ComposeSetupBlock(fields, SplitLocalTime(CurrentTime())),
                               clock->NowMs(), std::nullopt);
    struct CSilent : CPrompt {
        void Message(const std::string&, PromptIcon) override {}
        bool AskYesNo(const std::string&, PromptIcon) override { return false; }
    } prompt;
    std::ostringstream messages;
    CStationSettings settings;
    settings.MaxReadings = readings;
    settings.IntervalSeconds = archived ? 60 : 0;
    CStation station(logger, prompt, *clock, settings, messages);
    std::unique_ptr<CStationArchive> archive;
    if (archived) {
        const auto file = ProgramFile("archive.sqlite");
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
    const bool limit = station.Run([] { return false; }) == StationEnd::Limit;
    return limit && (!archive || archive->Close() == 0);
}

void StationPerReading(benchmark::State& state, bool archived) {
    for (auto _ : state) {
        if (!RunStation(READINGS_PER_RUN, archived)) {
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
        if (!RunStation(1000000, true, &probe)) {
            state.SkipWithError("the station did not take its readings");
            break;
        }
        added = probe.Late - probe.Early;
    }
    state.counters["MB"] = added;
    state.SetLabel("figure=MB max=2MB");
}
BENCHMARK(BM_StationMemoryAfterAMillionReadings)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    const CBenchHome home;
    if (!home.Made()) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
