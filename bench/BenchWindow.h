#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <QWindow>

#include "graph/CGraphHost.h"
#include "platform/CPrompt.h"

// The main window's colours as a first start has them. A benchmark opens no dialog, so there
// is nothing to keep or to say.
class CDefaultColors : public CGraphHost, public CPrompt {
public:
    CGraphColorIndexes ColorIndexes() const override { return {}; }
    void SetColorIndexes(const CGraphColorIndexes&) override {}
    CPrompt& Prompt() override { return *this; }
    void ExpandGraph(bool) override {}
    bool InfoPanelWanted() const override { return true; }
    void Message(const std::string&, PromptIcon) override {}
    bool AskYesNo(const std::string&, PromptIcon) override { return false; }
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
