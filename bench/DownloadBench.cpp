// A full download of the logger's memory, 129920 readings in 508 blocks, from a simulated
// logger that answers at once: the transfers through the link, the decoding, the statistics
// and PreMeasure.sound; then the same in the main window's setting, with the "Loading..."
// window repainted after every block and the first paint of the graph that follows. Beside
// it, each of those parts alone, as its share of the download in the window.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchHome.h"
#include "bench/BenchPrompt.h"
#include "bench/BenchWindow.h"
#include "dialogs/logger/CDownloadHost.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "logger/CLoggerLink.h"
#include "logger/LoggerProtocol.h"
#include "logger/MemoryDecoding.h"
#include "logger/MemoryImage.h"
#include "logger/sim/CSimulatedLogger.h"

namespace {

constexpr int WIDTH = 1600;
constexpr int HEIGHT = 1000;

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
CMemoryImage FullMemoryImage() {
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
    return image;
}

std::unique_ptr<CSimulatedLogger> FullLogger() {
    SimulatorOptions options;
    options.ButtonDelaySeconds.reset();
    auto logger = std::make_unique<CSimulatedLogger>(std::move(options));
    logger->Device().ForceMemory(FullMemoryImage());
    return logger;
}

// The shares are held against the download in the window.
constexpr const char* SHARE = "ref=BM_DownloadFullMemoryInTheWindow";

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
BENCHMARK(BM_DownloadFullMemoryInTheWindow)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The transfers alone: the status, the memory size and header, and every block, as the link
// asks for them, straight through the bridge.
void BM_DownloadTransfers(benchmark::State& state) {
    const auto logger = FullLogger();
    std::vector<std::uint8_t> reply(MEMORY_BLOCK_SIZE);
    const auto exchange = [&](BridgeHandle handle, std::uint8_t command, std::uint32_t number,
                              std::initializer_list<std::uint32_t> replies) {
        const std::uint8_t request[COMMAND_SIZE] = {command, static_cast<std::uint8_t>(number),
                                                    static_cast<std::uint8_t>(number >> 8)};
        std::uint32_t moved = 0;
        bool ok =
            logger->BridgeWrite(handle, request, COMMAND_SIZE, moved) == BridgeStatus::Success;
        for (const std::uint32_t length : replies) {
            ok = ok &&
                 logger->BridgeRead(handle, reply.data(), length, moved) == BridgeStatus::Success;
        }
        return ok;
    };
    const std::uint32_t memorySize = STORED_CAPACITY * 2;
    const std::uint32_t blocks = MemoryBlockCount(memorySize);
    for (auto _ : state) {
        BridgeHandle handle{};
        bool ok = logger->BridgeOpen(0, handle) == BridgeStatus::Success &&
                  exchange(handle, CMD_STATUS, 0, {STATUS_REPLY_SIZE}) &&
                  exchange(handle, CMD_READ_MEMORY, 0, {MEMORY_SIZE_BYTES, MEMORY_HEADER_SIZE});
        for (std::uint32_t block = 1; ok && block <= blocks; ++block) {
            const std::uint32_t length = std::min<std::uint32_t>(
                MEMORY_BLOCK_SIZE, memorySize - (block - 1) * MEMORY_BLOCK_SIZE);
            ok = exchange(handle, CMD_READ_MEMORY, block, {BLOCK_PREFIX_SIZE, length});
        }
        logger->BridgeClose(handle);
        if (!ok) {
            state.SkipWithError("a transfer failed");
        }
    }
    state.SetLabel(SHARE);
}
BENCHMARK(BM_DownloadTransfers)->Unit(benchmark::kMillisecond);

// The decoding of the memory into a record, with its statistics.
void BM_DownloadDecoding(benchmark::State& state) {
    const CMemoryImage image = FullMemoryImage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodeStoredRecording(image, 1.0f).SampleCount);
    }
    state.SetLabel(SHARE);
}
BENCHMARK(BM_DownloadDecoding)->Unit(benchmark::kMillisecond);

// The statistics alone (part of the decoding).
void BM_DownloadStatistics(benchmark::State& state) {
    CMeasurementRecord record = DecodeStoredRecording(FullMemoryImage(), 1.0f);
    for (auto _ : state) {
        record.RecomputeStatistics();
        benchmark::DoNotOptimize(record.MaxText.data());
    }
    state.SetLabel(SHARE);
}
BENCHMARK(BM_DownloadStatistics)->Unit(benchmark::kMillisecond);

// PreMeasure.sound written.
void BM_DownloadLastMeasurementFile(benchmark::State& state) {
    CDTDoc doc;
    doc.ReplaceRecord(DecodeStoredRecording(FullMemoryImage(), 1.0f), DocumentChange::Downloaded);
    for (auto _ : state) {
        if (!doc.SaveLastMeasurement()) {
            state.SkipWithError("PreMeasure.sound was not written");
        }
    }
    state.SetLabel(SHARE);
}
BENCHMARK(BM_DownloadLastMeasurementFile)->Unit(benchmark::kMillisecond);

// The graph's first paint of the new record, in the window.
void BM_DownloadFirstPaint(benchmark::State& state) {
    CDTDoc doc;
    CDefaultColors colors;
    CDTView view(doc, colors, CViewSettings{});
    ShowExposed(view, WIDTH, HEIGHT);
    view.State().FirstGraphSeen = true;
    const CMeasurementRecord record = DecodeStoredRecording(FullMemoryImage(), 1.0f);
    for (auto _ : state) {
        doc.StoredData = true;
        doc.ReplaceRecord(record, DocumentChange::Downloaded);
        view.repaint();
    }
    state.SetLabel(SHARE);
}
BENCHMARK(BM_DownloadFirstPaint)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
    const CBenchHome home;
    return home.Made() ? RunWidgetBenchmarks(argc, argv) : 1;
}
