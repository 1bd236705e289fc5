// Writing the text report of a full logger memory (129920 readings), and storing and
// loading its measurement file.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <sstream>

#include "document/CDTDoc.h"
#include "document/CTextReport.h"
#include "platform/CArchive.h"
#include "platform/CPrompt.h"

namespace {

class CSilentPrompt : public CPrompt {
public:
    void Message(const std::string&, PromptIcon) override {}
    bool AskYesNo(const std::string&, PromptIcon) override { return false; }
};

CMeasurementRecord FullMemory() {
    CMeasurementRecord r;
    r.ReplaceSeries(STORED_CAPACITY);
    r.SampleCount = STORED_CAPACITY;
    for (std::int32_t i = 0; i < r.SampleCount; ++i) {
        r.Levels[static_cast<std::size_t>(i)] = static_cast<float>((450 + (i * 7919) % 600) * 0.1);
    }
    r.StartTime = *MakeLocalTime({2014, 6, 5, 14, 2, 7});
    r.SampleInterval = 1.0f;
    r.IsDBA = 1;
    r.IsFast = 1;
    r.ModeText = "STOR";
    r.RecomputeStatistics();
    r.DeriveTextsAfterLoad();
    return r;
}

void BM_TextReport(benchmark::State& state) {
    const CMeasurementRecord record = FullMemory();
    for (auto _ : state) {
        std::ostringstream out;
        benchmark::DoNotOptimize(WriteTextReport(record, out));
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(BM_TextReport)->Unit(benchmark::kMillisecond);

void BM_StoreAndLoadSoundFile(benchmark::State& state) {
    CDTDoc doc;
    doc.ReplaceRecord(FullMemory(), DocumentChange::Downloaded);
    CSilentPrompt prompt;
    for (auto _ : state) {
        std::ostringstream stored;
        CArchive store(stored);
        benchmark::DoNotOptimize(doc.Store(store) && store.Flush());
        std::istringstream file(stored.str());
        CArchive load(file);
        benchmark::DoNotOptimize(doc.Load(load, prompt));
    }
}
BENCHMARK(BM_StoreAndLoadSoundFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // The same fixed zone as the tests, so that figures compare across machines.
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
