// Writing the text report of a full logger memory (129920 readings), and storing and
// loading its measurement file.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <sstream>

#include "bench/BenchRecords.h"
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

void BM_TextReport(benchmark::State& state) {
    const CMeasurementRecord record = FullMemoryRecord();
    for (auto _ : state) {
        std::ostringstream out;
        benchmark::DoNotOptimize(WriteTextReport(record, out));
        benchmark::DoNotOptimize(out.str().size());
    }
}
BENCHMARK(BM_TextReport)->Unit(benchmark::kMillisecond);

void BM_StoreAndLoadSoundFile(benchmark::State& state) {
    CDTDoc doc;
    doc.ReplaceRecord(FullMemoryRecord(), DocumentChange::Downloaded);
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
