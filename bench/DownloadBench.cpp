// A full download of the logger's memory, 129920 readings in 508 blocks, from a simulated
// logger that answers at once: the transfers through the link, the decoding, the statistics
// and PreMeasure.sound; then the same in the main window's setting, with the "Loading..."
// window repainted after every block and the first paint of the graph that follows.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/BenchHome.h"
#include "bench/BenchWindow.h"
#include "dialogs/logger/CDownloadHost.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "logger/CLoggerLink.h"
#include "logger/sim/CSimulatedLogger.h"

namespace {

constexpr int WIDTH = 1600;
constexpr int HEIGHT = 1000;

// Any message means the download did not run to its end.
class CFailingPrompt : public CPrompt {
public:
    void Message(const std::string& text, PromptIcon) override { Shown = text; }
    bool AskYesNo(const std::string& text, PromptIcon) override {
        Shown = text;
        return false;
    }
    std::string Shown;
};

// The link's front end with nothing to show.
class CSilentHost : public CLinkHost {
public:
    void BeginProgress(std::uint32_t) override {}
    void StepProgress(std::uint32_t) override {}
    void EndProgress() override {}
    CAlarmSettings AlarmSettings() const override { return {}; }
    void StartPollTimer(std::uint32_t) override {}
    void StopPollTimer() override {}
    std::time_t Now() const override { return 0; }
};

// A full memory: a street's background with traffic passing and now and then a loud peak.
std::unique_ptr<CSimulatedLogger> FullLogger() {
    CMemoryImage image;
    image.Header.RateCode = 3;
    image.Header.SetStart({2014, 6, 5, 14, 2, 7});
    std::uint32_t noise = 12345;
    for (std::int32_t i = 0; i < STORED_CAPACITY; ++i) {
        noise = noise * 1103515245u + 12345u;
        const int traffic = (i % 97 < 12) ? 150 : 0;
        const int peak = (i % 20011 == 0) ? 500 : 0;
        image.AppendReading(static_cast<std::uint16_t>(480 + (noise >> 25) + traffic + peak));
    }
    SimulatorOptions options;
    options.ButtonDelaySeconds.reset();
    auto logger = std::make_unique<CSimulatedLogger>(std::move(options));
    logger->Device().ForceMemory(std::move(image));
    return logger;
}

void Download(benchmark::State& state, CLoggerLink& link, CDTDoc& doc, CLinkHost& host,
              const CFailingPrompt& prompt) {
    if (link.RunDownload(doc, host) != DownloadResult::Stored) {
        state.SkipWithError(("download failed: " + prompt.Shown).c_str());
    }
}

void BM_DownloadFullMemory(benchmark::State& state) {
    const auto logger = FullLogger();
    CFailingPrompt prompt;
    CLoggerLink link(*logger, prompt);
    CSilentHost host;
    CDTDoc doc;
    for (auto _ : state) {
        Download(state, link, doc, host, prompt);
    }
    state.counters["readings"] = doc.Record().SampleCount;
}
BENCHMARK(BM_DownloadFullMemory)->Unit(benchmark::kMillisecond);

void BM_DownloadFullMemoryInTheWindow(benchmark::State& state) {
    const auto logger = FullLogger();
    CFailingPrompt prompt;
    CLoggerLink link(*logger, prompt);
    CDTDoc doc;
    CDefaultColors colors;
    CDTView view(doc, colors, CViewSettings{});
    ShowExposed(view, WIDTH, HEIGHT);
    view.State().FirstGraphSeen = true;  // no zoom reset timer between the rounds
    const CFrameSettings settings;
    CDownloadHost host(view, settings);
    for (auto _ : state) {
        Download(state, link, doc, host, prompt);
        view.repaint();
    }
    state.counters["readings"] = doc.Record().SampleCount;
}
BENCHMARK(BM_DownloadFullMemoryInTheWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const CBenchHome home;
    return home.Made() ? RunWidgetBenchmarks(argc, argv) : 1;
}
