// The program with a full logger memory (129920 readings) named on the command line: the
// start-up up to the first painted main window, and the memory the record adds to the
// program. Both run the main window offscreen on a 1600 × 1000 screen, in a program
// directory and a desktop data directory of their own.

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QTimer>
#include <QWindow>

#include "app/CDTApp.h"
#include "app/CMainFrame.h"
#include "app/CommandLine.h"
#include "app/OpenDocumentFile.h"
#include "bench/BenchHome.h"
#include "bench/BenchPrompt.h"
#include "bench/BenchRecords.h"
#include "bench/BenchWindow.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "platform/ProgramDirectory.h"

extern char** environ;

namespace {

constexpr int WIDTH = 1600;
constexpr int HEIGHT = 1000;

// Asks a process of this program to start as the program does and end at its first paint.
constexpr const char* START_FLAG = "--start-to-first-paint";

std::filesystem::path FullMemoryFile() {
    const std::filesystem::path file = ProgramDirectory() / "full.sound";
    if (!std::filesystem::exists(file)) {
        CDTDoc doc;
        doc.ReplaceRecord(FullMemoryRecord(), DocumentChange::Downloaded);
        static_cast<void>(doc.StoreFile(file));
    }
    return file;
}

// An offscreen screen of the benchmark's size, on which the main window is shown maximised.
std::string OffscreenPlatform() {
    const std::filesystem::path config = ProgramDirectory() / "screen.json";
    std::ofstream(config) << R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": )" << WIDTH
                          << R"(, "height": )" << HEIGHT << "}]}\n";
    return "offscreen:configfile=" + config.string();
}

// One start of this program in the start mode: the CPU time it took (user and system), in
// ms, or nothing if it failed.
std::optional<double> StartOnce(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0) {
        return std::nullopt;
    }
    int status = 0;
    struct rusage usage {};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    const auto ms = [](const timeval& t) { return t.tv_sec * 1.0e3 + t.tv_usec / 1.0e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Whole starts of the program, each a process of its own from its first instruction to the
// graph's first paint: loading the libraries, Qt's start, the desktop registration, the
// main window, the file and the paint. The figure is the CPU time of a start (the machine
// is shared, so its elapsed time says less); "elapsed_ms" is the time on the clock.
void RunStarts(benchmark::State& state, const std::optional<std::filesystem::path>& file) {
    setenv("QT_QPA_PLATFORM", OffscreenPlatform().c_str(), 1);
    std::vector<std::string> arguments{"startup_bench", START_FLAG};
    if (file) {
        arguments.push_back(file->string());
    }
    double cpu = 0.0;
    double elapsed = 0.0;
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        const std::optional<double> cpuMs = StartOnce(arguments);
        elapsed +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count();
        if (!cpuMs) {
            state.SkipWithError("the program did not start and paint");
            break;
        }
        cpu += *cpuMs;
    }
    state.counters["ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
    state.counters["elapsed_ms"] = benchmark::Counter(elapsed, benchmark::Counter::kAvgIterations);
}

void BM_StartUpWithFullFile(benchmark::State& state) {
    RunStarts(state, FullMemoryFile());
    state.SetLabel("figure=ms ref=BM_StartUpWithoutFile max=300ms");
}
BENCHMARK(BM_StartUpWithFullFile)->Unit(benchmark::kMillisecond)->Iterations(10);

// The plain form: the same start with no file.
void BM_StartUpWithoutFile(benchmark::State& state) {
    RunStarts(state, std::nullopt);
    state.SetLabel("figure=ms");
}
BENCHMARK(BM_StartUpWithoutFile)->Unit(benchmark::kMillisecond)->Iterations(10);

// Ends the process once the graph has been painted for the first time.
class CFirstPaintWatch : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && qobject_cast<CDTView*>(watched) != nullptr) {
            QTimer::singleShot(0, [] { std::_Exit(EXIT_SUCCESS); });
        }
        return false;
    }
};

// The program's own start, as `datalogger [FILE]` runs it.
int StartToFirstPaint(int argc, char** argv) {
    CDTApp app(argc, argv);
    CFirstPaintWatch watch;
    app.installEventFilter(&watch);
    // A start that stops at a message (a file that does not open) must not hold the run.
    QTimer::singleShot(30000, [] { std::_Exit(EXIT_FAILURE); });
    CStartOptions options;
    if (argc > 2) {
        options.File = argv[2];
    }
    app.Run(options);
    return EXIT_FAILURE;  // closed before the graph was painted
}

// The heap in use: glibc's arenas and the blocks it maps on their own.
double HeapMegabytes() {
    const struct mallinfo2 heap = mallinfo2();
    return static_cast<double>(heap.uordblks + heap.hblkhd) / 1.0e6;
}

// Shows the main window and runs its events until the graph has been painted.
void ShowAndPaint(CMainFrame& frame) {
    frame.resize(WIDTH, HEIGHT);
    frame.show();
    while (!frame.windowHandle()->isExposed() || frame.GraphView().Picture().isNull()) {
        QApplication::processEvents();
    }
}

// What a full record adds to the heap: shown and painted in the main window, against a
// record of two readings shown the same way.
void BM_FullRecordMemory(benchmark::State& state) {
    const std::filesystem::path file = FullMemoryFile();
    CFailingPrompt prompt;
    double added = 0.0;
    for (auto _ : state) {
        CDTDoc doc;
        CMainFrame frame(doc);
        CMeasurementRecord small = FullMemoryRecord();
        small.ReplaceSeries(2);
        small.SampleCount = 2;
        doc.ReplaceRecord(std::move(small), DocumentChange::Downloaded);
        ShowAndPaint(frame);
        const double before = HeapMegabytes();
        if (!OpenDocumentFile(doc, file, prompt)) {
            state.SkipWithError(("the file did not open: " + prompt.Shown).c_str());
            break;
        }
        frame.GraphView().repaint();
        added = HeapMegabytes() - before;
    }
    state.counters["MB"] = added;
    state.SetLabel("figure=MB max=15MB");
}
BENCHMARK(BM_FullRecordMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], START_FLAG) == 0) {
        return StartToFirstPaint(argc, argv);
    }
    const CBenchHome home;
    if (!home.Made()) {
        return 1;
    }
    // The desktop registration writes into a data directory of the run's own.
    const std::filesystem::path data = ProgramDirectory() / "xdg-data";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    return RunWidgetBenchmarks(argc, argv);
}
