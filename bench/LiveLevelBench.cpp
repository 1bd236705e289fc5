// A reading of a real-time run as the main window takes it in: the graph extends its curve and
// paints, with the Live Level window open (which sums the reading and sets and paints its
// figures) and, as the plain form, without it. The target: the whole stays within 1 % of the
// fastest poll period (0.5 ms of 50 ms), so that the graph keeps pace as it does alone.

#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench/BenchRecords.h"
#include "bench/BenchWindow.h"
#include "dialogs/display/CLiveLevelDlg.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"

namespace {

void BM_RealTimeReadingOnTheGraph(benchmark::State& state) {
    const bool liveWindow = state.range(0) != 0;
    CDTDoc doc;
    CDefaultColors host;
    QWidget window;
    CDTView view(doc, host, CViewSettings{}, &window);
    ShowExposed(window, 1600, 1000);
    CLiveLevelDlg live(&window);
    if (liveWindow) {
        live.show();
        doc.AddView([&](DocumentChange change) {
            if (change == DocumentChange::ReadingAppended) {
                live.ShowNewReadings(doc.Record(), doc.RealTimeAlarm);
            }
        });
    }
    const CMeasurementRecord levels = FullMemoryRecord();
    const auto startRun = [&] {
        CMeasurementRecord run = levels;
        run.ReplaceSeries(REAL_TIME_CAPACITY);
        run.SampleCount = 0;
        doc.RealTimeActive = true;
        doc.ReplaceRecord(std::move(run), DocumentChange::RealTimeStarted);
        live.Restart();
    };
    startRun();
    for (auto _ : state) {
        CMeasurementRecord& record = doc.Record();
        if (record.SampleCount == REAL_TIME_CAPACITY) {
            state.PauseTiming();
            startRun();
            state.ResumeTiming();
        }
        CMeasurementRecord& growing = doc.Record();
        growing.Levels[static_cast<std::size_t>(growing.SampleCount)] =
            levels.Levels[static_cast<std::size_t>(growing.SampleCount)];
        ++growing.SampleCount;
        doc.UpdateAllViews(DocumentChange::ReadingAppended);
        QApplication::processEvents();
    }
    if (liveWindow) {
        state.SetLabel("ref=BM_RealTimeReadingOnTheGraph/0 max=0.5ms");
    }
}
BENCHMARK(BM_RealTimeReadingOnTheGraph)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWidgetBenchmarks(argc, argv);
}
