// One full paint of the graph: a full logger memory (129920 readings) at 1600 × 1000.
// The layout of every displayed reading, the scene and the drawing into the off-screen
// picture; and the same through the view widget, with the copy to the screen.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include "bench/BenchRecords.h"
#include "bench/BenchWindow.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "graph/GraphPainter.h"
#include "graph/GraphScene.h"

namespace {

constexpr int WIDTH = 1600;
constexpr int HEIGHT = 1000;

void FillFullMemory(CDTDoc& doc) {
    doc.StoredData = true;
    doc.ReplaceRecord(FullMemoryRecord(), DocumentChange::Downloaded);
}

void BM_ComposeAndDrawPicture(benchmark::State& state) {
    CDTDoc doc;
    FillFullMemory(doc);
    CGraphState graph;
    graph.DisplayState = GraphDisplay::Graph;
    graph.Settings.ShowAlarmHigh = 1;
    CSceneInputs inputs;
    inputs.ClientWidth = WIDTH;
    inputs.ClientHeight = HEIGHT;
    inputs.ButtonFace = {240, 240, 240};
    const CGraphPainter painter;
    QImage picture(WIDTH, HEIGHT, QImage::Format_RGB32);
    for (auto _ : state) {
        const CGraphScene scene = ComposeGraphScene(graph, doc, inputs);
        QPainter onPicture(&picture);
        painter.Draw(onPicture, scene);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_ComposeAndDrawPicture)->Unit(benchmark::kMillisecond);

void BM_ViewRepaint(benchmark::State& state) {
    CDTDoc doc;
    CDefaultColors host;
    CDTView view(doc, host, CViewSettings{});
    ShowExposed(view, WIDTH, HEIGHT);
    FillFullMemory(doc);
    view.State().FirstGraphSeen = true;  // no zoom reset timer between the rounds
    view.repaint();
    for (auto _ : state) {
        view.Redraw();
        view.repaint();
    }
}
BENCHMARK(BM_ViewRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWidgetBenchmarks(argc, argv);
}
