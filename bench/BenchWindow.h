#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <QWindow>

#include "graph/CGraphHost.h"

// The main window's colours as a first start has them.
class CDefaultColors : public CGraphHost {
public:
    CGraphColorIndexes ColorIndexes() const override { return {}; }
    void ExpandGraph(bool) override {}
    bool InfoPanelWanted() const override { return true; }
};

// Shows a widget and waits until it can be painted.
inline void ShowExposed(QWidget& widget, int width, int height) {
    widget.resize(width, height);
    widget.show();
    while (!widget.windowHandle()->isExposed()) {
        QApplication::processEvents();
    }
}

// Runs the registered benchmarks inside an application object, offscreen unless the
// environment asks for a display.
inline int RunWidgetBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
