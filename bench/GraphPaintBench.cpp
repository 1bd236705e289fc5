// One full paint of the graph: a full logger memory (129920 readings) at 1600 × 1000, as the
// view does it (the layout of every displayed reading, the scene, the picture and its copy
// to the screen), against the same picture with every curve segment drawn. And a cursor
// move over the same graph: the readout and the cursor line over the kept picture.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPalette>
#include <QRegion>

#include "bench/BenchRecords.h"
#include "bench/BenchWindow.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "graph/GraphPainter.h"
#include "graph/GraphScene.h"

namespace {

constexpr int WIDTH = 1600;
constexpr int HEIGHT = 1000;

// The view on the screen with a full logger memory painted once.
struct CShownFullGraph {
    CShownFullGraph() {
        ShowExposed(View, WIDTH, HEIGHT);
        Doc.StoredData = true;
        Doc.ReplaceRecord(FullMemoryRecord(), DocumentChange::Downloaded);
        View.State().FirstGraphSeen = true;  // no zoom reset timer between the rounds
        View.repaint();
    }

    // Handles what the events posted, the paint an update asked for among them, as the event
    // loop would.
    void Paint() { QCoreApplication::sendPostedEvents(); }

    CDTDoc Doc;
    CDefaultColors Host;
    CDTView View{Doc, Host, CViewSettings{}};
};

void BM_FullPaint(benchmark::State& state) {
    CShownFullGraph graph;
    for (auto _ : state) {
        graph.View.Redraw();
        graph.Paint();
    }
    state.SetLabel("ref=BM_FullPaintEverySegment max=1.5ms ratio<=0.05");
}
BENCHMARK(BM_FullPaint)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The same picture drawn segment by segment, then copied to the screen as the view copies
// its own picture (the same area, so the same cost).
void BM_FullPaintEverySegment(benchmark::State& state) {
    CShownFullGraph graph;
    CDTView& view = graph.View;
    CSceneInputs inputs;
    inputs.ClientWidth = WIDTH;
    inputs.ClientHeight = HEIGHT;
    inputs.ButtonFace = RgbOf(view.palette().color(QPalette::Button));
    inputs.EverySegment = true;
    QRegion pictureArea(view.rect());
    for (const QWidget* child : view.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible()) {
            pictureArea -= child->geometry();
        }
    }
    const CGraphPainter painter;
    QImage picture(WIDTH, HEIGHT, QImage::Format_RGB32);
    for (auto _ : state) {
        const CGraphScene scene = ComposeGraphScene(view.State(), graph.Doc, inputs);
        painter.Draw(picture, scene);
        view.update(pictureArea);
        graph.Paint();
    }
}
BENCHMARK(BM_FullPaintEverySegment)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

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
        graph.Paint();
    }
    if (view.State().CursorHidden || view.State().ReadoutText.empty()) {
        state.SkipWithError("the cursor line or the readout did not show");
    }
    state.SetLabel("ref=BM_FullPaint max=0.1ms");
}
BENCHMARK(BM_CursorMove)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
    return RunWidgetBenchmarks(argc, argv);
}
