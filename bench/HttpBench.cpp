// A station served over HTTP: what ten browsers that follow its event stream cost per reading
// beside none. The station polls the simulated logger in real time, a reading a second, so that
// its own idle work between polls counts as it does in a real monitor, and each stream takes
// every reading as a browser would; the figure is the monitor's CPU time (all its threads) per
// reading. The browsers are processes of their own.

#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <vector>

#include "bench/BenchMain.h"
#include "bench/BenchLogger.h"
#include "bench/BenchPrompt.h"
#include "station/CHttpServer.h"
#include "station/CStation.h"

namespace {

constexpr std::int64_t READINGS = 60;
constexpr std::int64_t SPEED = 1;

double CpuMicroseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    close(s);
    return ntohs(address.sin_port);
}

// A browser's event stream, in a process of its own: it says on `ready` once its first event
// came, then reads until the server ends the stream.
pid_t Follower(int port, int ready) {
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    const sockaddr_in address{
        AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    int s = -1;
    while (s < 0) {
        s = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            close(s);
            s = -1;
            usleep(10000);
        }
    }
    const char request[] = "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    if (send(s, request, sizeof request - 1, 0) > 0) {
        char buffer[4096];
        bool told = false;
        while (recv(s, buffer, sizeof buffer, 0) > 0) {
            if (!told) {
                told = write(ready, "x", 1) == 1;
            }
        }
    }
    _exit(0);
}

// The monitor's CPU time per reading, in microseconds, with `followers` event streams open;
// negative when the station did not take its readings.
double CpuPerReading(int followers) {
    const auto clock = std::make_shared<CScaledClock>(SPEED);
    const auto logger = RealTimeLogger(clock);
    CFailingPrompt prompt;
    std::ostringstream messages;
    CStationSettings settings;
    settings.MaxReadings = READINGS;
    settings.IntervalSeconds = 60;
    CStation station(*logger, prompt, *clock, settings, messages);
    CStationState state({"70", "30"}, {});
    station.AddObserver(state);
    int ready[2];
    if (pipe(ready) != 0) {
        return -1.0;
    }
    const int port = FreePort();
    std::vector<pid_t> children;
    for (int i = 0; i < followers; ++i) {
        children.push_back(Follower(port, ready[1]));
    }
    CHttpServer server(state, {"127.0.0.1", port, "", std::nullopt});
    bool started = server.Start();
    for (int i = 0; started && i < followers; ++i) {
        char byte;
        started = read(ready[0], &byte, 1) == 1;
    }
    const double before = CpuMicroseconds();
    const bool taken = started && station.Run([] { return false; }) == StationEnd::Limit;
    const double cpu = CpuMicroseconds() - before;
    server.Stop();
    for (const pid_t child : children) {
        waitpid(child, nullptr, 0);
    }
    close(ready[0]);
    close(ready[1]);
    return taken ? cpu / READINGS : -1.0;
}

void StationServing(benchmark::State& state, int followers) {
    double us = 0.0;
    for (auto _ : state) {
        us = CpuPerReading(followers);
        if (us < 0) {
            state.SkipWithError("the station did not take its readings");
            break;
        }
    }
    state.counters["us"] = us;
}

// CPU time per reading of a served station that ten browsers follow.
void BM_StationServingTenEventStreams(benchmark::State& state) {
    StationServing(state, 10);
    state.SetLabel("figure=us ref=BM_StationServingNoEventStream ratio<=1.1");
}
BENCHMARK(BM_StationServingTenEventStreams)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_StationServingNoEventStream(benchmark::State& state) {
    StationServing(state, 0);
    state.SetLabel("figure=us");
}
BENCHMARK(BM_StationServingNoEventStream)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarksAtHome(argc, argv);
}
