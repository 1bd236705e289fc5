// One full paint of the graph: a full logger memory (129920 readings) at 1600 × 1000.
// The layout of every displayed reading, the scene and the drawing into the off-screen
// picture; and the same through the view widget, with the copy to the screen. Against that,
// a cursor move over the same graph: the readout and the cursor line over the kept picture.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
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
        painter.Draw(picture, scene);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_ComposeAndDrawPicture)->Unit(benchmark::kMillisecond);

// The view on the screen with a full logger memory painted once.
struct CShownFullGraph {
    CShownFullGraph() {
        ShowExposed(View, WIDTH, HEIGHT);
        FillFullMemory(Doc);
        View.State().FirstGraphSeen = true;  // no zoom reset timer between the rounds
        View.repaint();
    }

    CDTDoc Doc;
    CDefaultColors Host;
    CDTView View{Doc, Host, CViewSettings{}};
};

void BM_ViewRepaint(benchmark::State& state) {
    CShownFullGraph graph;
    for (auto _ : state) {
        graph.View.Redraw();
        graph.View.repaint();
    }
}
BENCHMARK(BM_ViewRepaint)->Unit(benchmark::kMillisecond);

// The pointer sweeps across the plot; each move is handled and its paint done.
void BM_CursorMove(benchmark::State& state) {
    CShownFullGraph graph;
    CDTView& view = graph.View;
    const CPixelRect plot = view.State().PlotRect;
    int x = plot.Left;
    for (auto _ : state) {
        x = x + 7 < plot.Right ? x + 7 : plot.Left;
        const QPointF at(x, (plot.Top + plot.Bottom) / 2);
        QMouseEvent move(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &move);
        QCoreApplication::sendPostedEvents(&view, QEvent::UpdateRequest);
    }
    if (view.State().CursorHidden || view.State().ReadoutText.empty()) {
        state.SkipWithError("the cursor line or the readout did not show");
    }
}
BENCHMARK(BM_CursorMove)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWidgetBenchmarks(argc, argv);
}
