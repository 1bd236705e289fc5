// The archive's window on a long archive: from opening to the first whole picture, a pan or
// zoom step to its finished picture at the whole archive's, a day's and a minute's zoom
// (median and worst of 50), and the resident memory afterwards, on 1 and 10 million readings at
// 1 s over weeks to four months with a gap of an hour every five days. The archives are made
// directly in one transaction, with their minute rollups, in the benchmark's own program
// directory.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/CArchiveWindow.h"
#include "app/CFileChooser.h"
#include "bench/BenchMain.h"
#include "graph/CArchiveGraph.h"
#include "platform/CPrompt.h"
#include "platform/ProgramDirectory.h"

namespace {

constexpr std::int64_t MILLION = 1000000;
// 2026-06-01 00:00:00 UTC.
constexpr std::int64_t START_MS = 1780272000000;
constexpr std::int64_t RUN_READINGS = 5 * 86400;  // five days, then an hour's gap
constexpr std::int64_t GAP_MS = 3600000;
constexpr int STEPS = 50;

std::filesystem::path ArchiveOf(std::int64_t readings) {
    return ProgramDirectory() / ("window-" + std::to_string(readings) + ".sqlite");
}

// The archive of `readings`, made once; false when it could not be.
bool MakeArchive(std::int64_t readings) {
    static std::map<std::int64_t, bool> made;
    if (const auto done = made.find(readings); done != made.end()) {
        return done->second;
    }
    std::string refusal;
    const auto db =
        CArchiveDatabase::Open(ArchiveOf(readings), CArchiveDatabase::Access::Write, refusal);
    bool ok = db && db->Execute("BEGIN");
    CStatement run(db ? db->Handle() : nullptr,
                   "INSERT INTO runs (logger, interval_s, weighting, time_weighting, start_ms, "
                   "end_ms, readings, overlapping) VALUES ('bench', 1.0, 'A', 'FAST', ?, ?, ?, 0)");
    CStatement insert(db ? db->Handle() : nullptr,
                      "INSERT INTO readings (time_ms, level_tenths) VALUES (?, ?)");
    CMinuteRollups minutes;
    std::uint32_t noise = 12345;  // a fixed series of levels, the same on every run
    std::int64_t time = START_MS;
    for (std::int64_t i = 0; ok && i < readings; ++i) {
        if (i % RUN_READINGS == 0) {
            const std::int64_t count = std::min(RUN_READINGS, readings - i);
            time += i == 0 ? 0 : GAP_MS;
            ok = run.Bind(1, time).Bind(2, time + count * 1000).Bind(3, count).Run();
        }
        noise = noise * 1664525u + 1013904223u;
        // A day's rhythm under the noise, so that days differ in the strip.
        const std::int64_t hour = (time / 3600000) % 24;
        const auto tenths = i % 1000 == 999 ? std::nullopt
                                            : std::optional<std::int64_t>(
                                                  350 + (hour >= 7 && hour < 22 ? 150 : 0) +
                                                  (noise >> 8) % 300);
        minutes[MinuteStartOf(time)].Add(tenths);
        ok = ok && insert.Bind(1, time).Bind(2, tenths).Run();
        time += 1000;
    }
    ok = ok && AddMinuteRollups(db->Handle(), minutes) && db->Execute("COMMIT");
    made[readings] = ok;
    return ok;
}

// The dialogs are never asked for: the benchmark only looks.
class CNoDialogs : public CFileChooser, public CPrompt {
public:
    std::optional<std::filesystem::path> ChooseOpenName() override { return {}; }
    std::optional<std::filesystem::path> ChooseArchiveName() override { return {}; }
    std::optional<std::filesystem::path> ChooseSaveName(const std::string&) override { return {}; }
    std::optional<std::filesystem::path> ChooseMeasurementSaveName(const std::string&) override {
        return {};
    }
    std::optional<std::filesystem::path> ChooseExportName(ExportFormat,
                                                          const std::string&) override {
        return {};
    }
    std::optional<std::filesystem::path> ChooseReportName(const std::string&) override {
        return {};
    }
    void Message(const std::string&, PromptIcon) override {}
    bool AskYesNo(const std::string&, PromptIcon) override { return false; }
};

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double ResidentMB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0.0;
}

struct CWindowFigures {
    double OpenMs = 0.0;
    std::map<std::string, std::vector<double>> Steps;  // by zoom, sorted
    double ResidentMB = 0.0;
};

// Opens the window on the archive of `readings` and steps through each zoom, once however
// many rows ask.
const CWindowFigures* Measured(std::int64_t readings) {
    static std::map<std::int64_t, std::optional<CWindowFigures>> measured;
    if (const auto done = measured.find(readings); done != measured.end()) {
        return done->second ? &*done->second : nullptr;
    }
    auto& figures = measured[readings];
    if (!MakeArchive(readings)) {
        return nullptr;
    }
    CNoDialogs dialogs;
    std::string refusal;
    const auto start = std::chrono::steady_clock::now();
    const auto window = CArchiveWindow::Open(ArchiveOf(readings), dialogs, dialogs, refusal);
    if (!window) {
        return nullptr;
    }
    window->resize(1600, 1000);
    window->show();
    QApplication::processEvents();  // laid out: the graph has its size
    CArchiveGraph& graph = window->Graph();
    graph.Picture();
    figures.emplace();
    figures->OpenMs = MsSince(start);

    const CArchiveRange span = graph.View();
    const std::int64_t middle = span.FromMs / 2 + span.ToMs / 2;
    const std::pair<const char*, std::int64_t> zooms[] = {
        {"year", span.ToMs - span.FromMs}, {"day", 86400000}, {"minute", 60000}};
    for (const auto& [zoom, width] : zooms) {
        graph.SetView({middle - width / 2, middle + width / 2});
        graph.Picture();
        auto& times = figures->Steps[zoom];
        // Pans there and back, zooms in and out: the zoom stays where it was.
        const int keys[] = {Qt::Key_Right, Qt::Key_Left, Qt::Key_Plus, Qt::Key_Minus};
        for (int i = 0; i < STEPS; ++i) {
            QKeyEvent key(QEvent::KeyPress, keys[i % 4], Qt::NoModifier);
            const auto step = std::chrono::steady_clock::now();
            QApplication::sendEvent(&graph, &key);
            graph.Picture();
            times.push_back(MsSince(step));
        }
        std::sort(times.begin(), times.end());
    }
    figures->ResidentMB = ResidentMB();
    return &*figures;
}

void Row(benchmark::State& state, std::int64_t readings, const std::string& what,
         const std::string& label) {
    const CWindowFigures* figures = nullptr;
    for (auto _ : state) {
        figures = Measured(readings);
    }
    if (!figures) {
        state.SkipWithError("the archive could not be made or opened");
        return;
    }
    if (what == "open") {
        state.counters["ms"] = figures->OpenMs;
    } else if (what == "memory") {
        state.counters["MB"] = figures->ResidentMB;
    } else {
        const auto& times = figures->Steps.at(what);
        state.counters["median_ms"] = times[times.size() / 2];
        state.counters["worst_ms"] = times.back();
    }
    state.SetLabel(label);
}

void BM_ArchiveWindowOpen_10M(benchmark::State& state) {
    Row(state, 10 * MILLION, "open", "figure=ms max=1000ms");
}
BENCHMARK(BM_ArchiveWindowOpen_10M)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ArchiveWindowStepMedian_Year_10M(benchmark::State& state) {
    Row(state, 10 * MILLION, "year", "figure=median_ms max=50ms");
}
BENCHMARK(BM_ArchiveWindowStepMedian_Year_10M)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ArchiveWindowStepWorst_Year_10M(benchmark::State& state) {
    Row(state, 10 * MILLION, "year", "figure=worst_ms max=50ms");
}
BENCHMARK(BM_ArchiveWindowStepWorst_Year_10M)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ArchiveWindowStepMedian_Day_10M(benchmark::State& state) {
    Row(state, 10 * MILLION, "day", "figure=median_ms max=50ms");
}
BENCHMARK(BM_ArchiveWindowStepMedian_Day_10M)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ArchiveWindowStepWorst_Day_10M(benchmark::State& state) {
    Row(state, 10 * MILLION, "day", "figure=worst_ms max=50ms");
}
BENCHMARK(BM_ArchiveWindowStepWorst_Day_10M)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ArchiveWindowStepMedian_Minute_10M(benchmark::State& state) {
    Row(state, 10 * MILLION, "minute", "figure=median_ms max=50ms");
}
BENCHMARK(BM_ArchiveWindowStepMedian_Minute_10M)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ArchiveWindowStepWorst_Minute_10M(benchmark::State& state) {
    Row(state, 10 * MILLION, "minute", "figure=worst_ms max=50ms");
}
BENCHMARK(BM_ArchiveWindowStepWorst_Minute_10M)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ArchiveWindowMemory_1M(benchmark::State& state) {
    Row(state, MILLION, "memory", "figure=MB max=150MB");
}
BENCHMARK(BM_ArchiveWindowMemory_1M)->Unit(benchmark::kMillisecond)->Iterations(1);

// Flat: ten times the readings in about the same memory.
void BM_ArchiveWindowMemory_10M(benchmark::State& state) {
    Row(state, 10 * MILLION, "memory",
        "figure=MB max=150MB ref=BM_ArchiveWindowMemory_1M ratio<=1.3");
}
BENCHMARK(BM_ArchiveWindowMemory_10M)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    return RunBenchmarksAtHome(argc, argv);
}
