// The program with a full logger memory (129920 readings) named on the command line: the
// start-up up to the first painted main window, and the memory the record adds to the
// program. Both run the main window offscreen at 1600 × 1000, in a program directory and a
// desktop data directory of their own.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdlib>
#include <filesystem>

#include <QApplication>
#include <QWindow>

#include "app/CMainFrame.h"
#include "app/DesktopRegistration.h"
#include "app/OpenDocumentFile.h"
#include "bench/BenchHome.h"
#include "bench/BenchPrompt.h"
#include "bench/BenchRecords.h"
#include "bench/BenchWindow.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "platform/ProgramDirectory.h"

namespace {

constexpr int WIDTH = 1600;
constexpr int HEIGHT = 1000;

std::filesystem::path FullMemoryFile() {
    const std::filesystem::path file = ProgramDirectory() / "full.sound";
    if (!std::filesystem::exists(file)) {
        CDTDoc doc;
        doc.ReplaceRecord(FullMemoryRecord(), DocumentChange::Downloaded);
        static_cast<void>(doc.StoreFile(file));
    }
    return file;
}

// Shows the main window and runs its events until the graph has been painted.
void ShowAndPaint(CMainFrame& frame) {
    frame.resize(WIDTH, HEIGHT);
    frame.show();
    while (!frame.windowHandle()->isExposed() || frame.GraphView().Picture().isNull()) {
        QApplication::processEvents();
    }
}

// The heap in use: glibc's arenas and the blocks it maps on their own.
double HeapMegabytes() {
    const struct mallinfo2 heap = mallinfo2();
    return static_cast<double>(heap.uordblks + heap.hblkhd) / 1.0e6;
}

// From the desktop registration of a start to the first painted window, as a start with a
// file named on the command line runs. (The process's own start and Qt's come before it.)
void BM_StartUpWithFullFile(benchmark::State& state) {
    const std::filesystem::path file = FullMemoryFile();
    CFailingPrompt prompt;
    for (auto _ : state) {
        RegisterSoundFileType(QCoreApplication::applicationFilePath());
        CDTDoc doc;
        CMainFrame frame(doc);
        if (!OpenDocumentFile(doc, file, prompt)) {
            state.SkipWithError(("the file did not open: " + prompt.Shown).c_str());
            break;
        }
        frame.InitialUpdate();
        ShowAndPaint(frame);
    }
    state.SetLabel("max=300ms");
}
BENCHMARK(BM_StartUpWithFullFile)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

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
    const CBenchHome home;
    if (!home.Made()) {
        return 1;
    }
    // The desktop registration writes into a data directory of the run's own.
    const std::filesystem::path data = ProgramDirectory() / "xdg-data";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    return RunWidgetBenchmarks(argc, argv);
}
