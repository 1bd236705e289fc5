// Soak of real-time runs: ten runs of up to 10000 readings against the simulated logger,
// polled as fast as it answers (the poll timer's waits left out), most of them unplugged at
// a random transfer. After each run the readings kept as the last measurement must be every
// reading the run took, and the process's memory must not grow from run to run.
//
//   datalogger_soak [SEED]     prints one line per run; exits 1 when a check fails

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "bench/BenchFrontEnd.h"
#include "bench/BenchHome.h"
#include "document/CDTDoc.h"
#include "logger/CLoggerLink.h"
#include "logger/sim/CSimulatedLogger.h"
#include "platform/LocalTime.h"
#include "platform/ProgramDirectory.h"

namespace {

constexpr int RUNS = 10;
constexpr int TRANSFERS_PER_POLL = 2;  // the level command and its reply
// Memory the process may gain after the first run has warmed everything up.
constexpr long GROWTH_ALLOWED_KB = 1024;

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// A logger set up for a 50 ms real-time run that vanishes before transfer `unplugAt`
// (never when 0).
std::unique_ptr<CSimulatedLogger> RealTimeLogger(int unplugAt) {
    SimulatorOptions options;
    options.StateFile = ProgramFile("SimulatedLogger.ini");
    options.ButtonDelaySeconds.reset();
    if (unplugAt > 0) {
        options.Faults.UnplugBefore(unplugAt);
    }
    auto logger = std::make_unique<CSimulatedLogger>(std::move(options));
    SetupFields fields;
    fields.RealTime = true;
    fields.RateCode = 1;
    fields.Points = REAL_TIME_CAPACITY;
    logger->Device().ApplySetup(ComposeSetupBlock(fields, SplitLocalTime(CurrentTime())), 0,
                                std::nullopt);
    return logger;
}

// One run; false when the last measurement does not hold every reading taken.
bool SoakRun(int unplugAt, int& readings) {
    const auto logger = RealTimeLogger(unplugAt);
    CQuietFrontEnd frontEnd;
    CLoggerLink link(*logger, frontEnd);
    CDTDoc doc;
    if (link.RunDownload(doc, frontEnd) != DownloadResult::RealTimeStarted) {
        std::fprintf(stderr, "the simulated logger did not start a real-time run\n");
        return false;
    }
    while (link.PollRealTime(doc, frontEnd) == PollResult::Polling) {
    }
    readings = doc.Record().SampleCount;
    CDTDoc kept;
    return kept.LoadLastMeasurement(frontEnd) == LoadResult::Loaded &&
           kept.Record().SampleCount == readings &&
           std::equal(kept.Record().Levels.begin(), kept.Record().Levels.begin() + readings,
                      doc.Record().Levels.begin());
}

}  // namespace

int main(int argc, char** argv) {
    const CBenchHome home;
    if (!home.Made()) {
        return 1;
    }
    std::mt19937 random(argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 15u);
    // Most runs lose their logger part-way; the last three run to the full 10000 readings.
    std::uniform_int_distribution<int> transfer(3, REAL_TIME_CAPACITY * TRANSFERS_PER_POLL);
    bool passed = true;
    long settledKb = 0;
    for (int run = 1; run <= RUNS; ++run) {
        const int unplugAt = run <= RUNS - 3 ? transfer(random) : 0;
        int readings = 0;
        const bool kept = SoakRun(unplugAt, readings);
        const long residentKb = ResidentKb();
        settledKb = run == 1 ? residentKb : settledKb;
        const bool steady = residentKb - settledKb <= GROWTH_ALLOWED_KB;
        std::printf(
            "run %2d  unplugged before transfer %5d  readings %5d  kept %s  resident %ld KB\n", run,
            unplugAt, readings, kept ? "all" : "NOT ALL", residentKb);
        passed = passed && kept && steady;
    }
    std::printf("memory after run 1: %ld KB; growth allowed %ld KB; %s\n", settledKb,
                GROWTH_ALLOWED_KB, passed ? "passed" : "FAILED");
    return passed ? 0 : 1;
}
