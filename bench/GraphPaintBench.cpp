// One full paint of the graph: a full logger memory (129920 readings) at 1600 × 1000.
// The layout of every displayed reading, the scene and the drawing into the off-screen
// picture; and the same through the view widget, with the copy to the screen.

#include <benchmark/benchmark.h>

#include <cmath>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWindow>

#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "graph/CGraphHost.h"
#include "graph/GraphPainter.h"
#include "graph/GraphScene.h"
#include "platform/LocalTime.h"

namespace {

constexpr int WIDTH = 1600;
constexpr int HEIGHT = 1000;

class CDefaultColors : public CGraphHost {
public:
    CGraphColorIndexes ColorIndexes() const override { return {}; }
};

// A day and a half at one reading a second: a street's background of 45 to 60 dB with
// traffic passing and a few loud peaks.
void FillFullMemory(CDTDoc& doc) {
    CMeasurementRecord r;
    r.ReplaceSeries(STORED_CAPACITY);
    r.SampleCount = STORED_CAPACITY;
    std::uint32_t noise = 12345;
    for (std::int32_t i = 0; i < r.SampleCount; ++i) {
        noise = noise * 1103515245u + 12345u;
        const double background = 52.0 + 7.0 * std::sin(i / 6000.0);
        const double traffic = (i % 97 < 12) ? 15.0 * std::sin((i % 97) / 12.0 * 3.14159) : 0.0;
        const double peak = (i % 20011 == 0) ? 50.0 : 0.0;
        const double level = background + traffic + peak + (noise >> 24) / 64.0;
        r.Levels[static_cast<std::size_t>(i)] = static_cast<float>(std::round(level * 10) / 10);
    }
    r.StartTime = *MakeLocalTime({2014, 6, 5, 14, 2, 7});
    r.SampleInterval = 1.0f;
    r.IsDBA = 1;
    r.IsFast = 1;
    r.ModeText = "STOR";
    r.RecomputeStatistics();
    r.DeriveTextsAfterLoad();
    doc.StoredData = true;
    doc.ReplaceRecord(std::move(r), DocumentChange::Downloaded);
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
    view.resize(WIDTH, HEIGHT);
    view.show();
    while (!view.windowHandle()->isExposed()) {
        QApplication::processEvents();
    }
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
