// One poll of a real-time run when the record already holds 9998 readings, so that the
// poll takes the 9999th: the level read from a simulated logger that answers at once, the
// statistics over the whole record, the alarm state and the journal append. Beside it, the
// plain statistics over 9999 readings, which the poll is expected to be dominated by.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/BenchFrontEnd.h"
#include "bench/BenchMain.h"
#include "document/CDTDoc.h"
#include "logger/CLoggerLink.h"
#include "logger/sim/CSimulatedLogger.h"
#include "platform/LocalTime.h"
#include "platform/ProgramDirectory.h"

namespace {

constexpr std::int32_t READINGS_BEFORE = REAL_TIME_CAPACITY - 2;

// A simulated logger set up for real time at 50 ms.
std::unique_ptr<CSimulatedLogger> RealTimeLogger() {
    SimulatorOptions options;
    options.StateFile = ProgramFile("SimulatedLogger.ini");
    options.ButtonDelaySeconds.reset();
    auto logger = std::make_unique<CSimulatedLogger>(std::move(options));
    SetupFields fields;
    fields.RealTime = true;
    fields.RateCode = 1;
    logger->Device().ApplySetup(ComposeSetupBlock(fields, SplitLocalTime(CurrentTime())), 0,
                                std::nullopt);
    return logger;
}

void BM_RealTimePollAt9999Readings(benchmark::State& state) {
    const auto logger = RealTimeLogger();
    CQuietFrontEnd frontEnd;
    CLoggerLink link(*logger, frontEnd);
    CDTDoc doc;
    if (link.RunDownload(doc, frontEnd) != DownloadResult::RealTimeStarted) {
        state.SkipWithError("the simulated logger did not start a real-time run");
        return;
    }
    while (doc.Record().SampleCount < READINGS_BEFORE) {
        (void)link.PollRealTime(doc, frontEnd);
    }
    for (auto _ : state) {
        state.PauseTiming();
        doc.Record().SampleCount = READINGS_BEFORE;
        state.ResumeTiming();
        if (link.PollRealTime(doc, frontEnd) != PollResult::Polling) {
            state.SkipWithError("the run ended");
        }
    }
    state.counters["readings"] = doc.Record().SampleCount;
    state.SetLabel("ref=BM_StatisticsOf9999Readings");
}
BENCHMARK(BM_RealTimePollAt9999Readings)->Unit(benchmark::kMicrosecond);

void BM_StatisticsOf9999Readings(benchmark::State& state) {
    CMeasurementRecord record;
    record.ReplaceSeries(REAL_TIME_CAPACITY);
    record.SampleCount = READINGS_BEFORE + 1;
    for (std::int32_t i = 0; i < record.SampleCount; ++i) {
        record.Levels[static_cast<std::size_t>(i)] = 40.0f + static_cast<float>(i % 600) / 10.0f;
    }
    for (auto _ : state) {
        record.RecomputeStatistics();
        benchmark::DoNotOptimize(record.AvgText);
    }
}
BENCHMARK(BM_StatisticsOf9999Readings)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarksAtHome(argc, argv);
}
