// Writing the text report of a full logger memory (129920 readings), against the same rows
// formatted one by one with the C library; storing and loading its measurement file; and beside
// the report, the exports for other programs: the CSV, the workbook written and checked, and the
// statistics the Statistics window computes each time the graph moves, and the assessment
// figures of the same record.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>

#include "bench/BenchRecords.h"
#include "document/CDTDoc.h"
#include "document/CTextReport.h"
#include "export/AcousticStatistics.h"
#include "export/Assessment.h"
#include "export/CsvExport.h"
#include "export/ExportFiles.h"
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
    state.SetLabel("ref=BM_TextReportWithCFormatting");
}
BENCHMARK(BM_TextReport)->Unit(benchmark::kMillisecond);

// The plain form: every row as the report lays it out (three column groups of 60000
// readings), each field with snprintf and each time with localtime and strftime.
void BM_TextReportWithCFormatting(benchmark::State& state) {
    const CMeasurementRecord record = FullMemoryRecord();
    const char* unit = record.IsDBA ? "dBA" : "dBC";
    for (auto _ : state) {
        std::string text;
        char field[96];
        for (std::int64_t row = 0; row < REPORT_GROUP_ROWS; ++row) {
            for (std::int64_t index = row; index < record.SampleCount; index += REPORT_GROUP_ROWS) {
                const std::time_t time = record.SampleTime(index);
                std::tm local{};
                localtime_r(&time, &local);
                char clock[32];
                std::strftime(clock, sizeof clock, "%d-%m-%y/%H:%M:%S", &local);
                std::snprintf(field, sizeof field, "%lld\t%.1f\t%s\t%s\t",
                              static_cast<long long>(index + 1),
                              static_cast<double>(record.Levels[static_cast<std::size_t>(index)]),
                              unit, clock);
                text += field;
            }
            text += "\r\n";
        }
        benchmark::DoNotOptimize(text.size());
    }
}
BENCHMARK(BM_TextReportWithCFormatting)->Unit(benchmark::kMillisecond);

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

// The CSV formats as much per reading as the report: no slower than it by much.
void BM_Csv(benchmark::State& state) {
    const CMeasurementRecord record = FullMemoryRecord();
    for (auto _ : state) {
        std::ostringstream out;
        benchmark::DoNotOptimize(WriteCsv(record, out));
    }
    state.SetLabel("ref=BM_TextReport ratio<=1.5");
}
BENCHMARK(BM_Csv)->Unit(benchmark::kMillisecond);

// A workbook of a full memory, as File > Export writes it under a wait cursor.
void BM_WorkbookFile(benchmark::State& state) {
    const CMeasurementRecord record = FullMemoryRecord();
    const auto file = std::filesystem::temp_directory_path() / "datalogger-bench.xlsx";
    for (auto _ : state) {
        benchmark::DoNotOptimize(ExportToFile(record, ExportFormat::Workbook, file));
    }
    std::filesystem::remove(file);
    state.SetLabel("ref=BM_Csv max=2000ms");
}
BENCHMARK(BM_WorkbookFile)->Unit(benchmark::kMillisecond);

// The Statistics window recomputes on every zoom, scroll and live reading: within a frame.
void BM_Statistics(benchmark::State& state) {
    const CMeasurementRecord record = FullMemoryRecord();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ComputeAcousticStatistics(record).LeqDb);
    }
    state.SetLabel("ref=BM_TextReport max=16ms");
}
BENCHMARK(BM_Statistics)->Unit(benchmark::kMillisecond);

// The assessment figures (day, evening and night levels, exposure and dose, the sliding half
// hour and hour, the loud stretches) of the same record, against its statistics: both pass over
// every reading once, the assessment with the local hour of each reading and two sliding sums.
void BM_Assessment(benchmark::State& state) {
    const CMeasurementRecord record = FullMemoryRecord();
    for (auto _ : state) {
        benchmark::DoNotOptimize(AssessRecord(record, {}).Lex8hDb);
    }
    state.SetLabel("ref=BM_Statistics ratio<=3 max=48ms");
}
BENCHMARK(BM_Assessment)->Unit(benchmark::kMillisecond);

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
