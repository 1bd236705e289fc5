// Opening the data list and scrolling to its last row: on a full logger memory (129920
// readings) and, as the plain form, on 100 readings. The list makes only the rows it shows,
// so the two should cost about the same.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QScrollBar>
#include <QTableView>

#include "bench/BenchRecords.h"
#include "bench/BenchWindow.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"

namespace {

void BM_OpenListAndScrollToTheEnd(benchmark::State& state) {
    CDTDoc doc;
    CDefaultColors host;
    QWidget window;
    CDTView view(doc, host, CViewSettings{}, &window);
    ShowExposed(window, 1600, 1000);
    CMeasurementRecord record = FullMemoryRecord();
    record.SampleCount = static_cast<std::int32_t>(state.range(0));
    doc.ReplaceRecord(std::move(record), DocumentChange::Downloaded);
    CDataList& list = view.DataList();
    for (auto _ : state) {
        doc.ListCountStale = true;
        list.Open();
        QTableView& table = list.Window()->Table();
        table.viewport()->repaint();
        table.scrollToBottom();
        table.viewport()->repaint();
        benchmark::DoNotOptimize(table.verticalScrollBar()->value());
        if (table.model()->rowCount() != state.range(0)) {
            state.SkipWithError("the list does not hold every reading");
        }
        list.Close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    if (state.range(0) != 100) {
        state.SetLabel("ref=BM_OpenListAndScrollToTheEnd/100");
    }
}
BENCHMARK(BM_OpenListAndScrollToTheEnd)
    ->Arg(100)
    ->Arg(STORED_CAPACITY)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWidgetBenchmarks(argc, argv);
}
