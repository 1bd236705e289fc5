// Reading a long archive: what `archive stats --json` and `archive export` to CSV cost in time
// and memory on 1 and 10 million readings, each a process of datalogger-cli of its own. The
// archives are made directly in one transaction (not by a monitor), in the benchmark's own
// temporary program directory: 1 s readings of one run, levels in tenths of a decibel, one in a
// thousand without a level.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "platform/ProgramDirectory.h"
#include "station/ArchiveDatabase.h"

extern char** environ;

namespace {

constexpr std::int64_t MILLION = 1000000;
// 2026-06-01 00:00:00 UTC: a month with no change of the clock in its first four.
constexpr std::int64_t START_MS = 1780272000000;

std::filesystem::path ArchiveOf(std::int64_t readings) {
    return ProgramDirectory() / (std::to_string(readings) + ".sqlite");
}

// The archive of `readings`, made once; false when it could not be.
bool MakeArchive(std::int64_t readings) {
    static std::map<std::int64_t, bool> made;
    if (const auto done = made.find(readings); done != made.end()) {
        return done->second;
    }
    const auto file = ArchiveOf(readings);
    std::string refusal;
    const auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Write, refusal);
    bool ok = db && db->Execute("BEGIN");
    if (ok) {
        CStatement run(db->Handle(),
                       "INSERT INTO runs (logger, interval_s, weighting, time_weighting, "
                       "start_ms, end_ms, readings, overlapping) VALUES ('bench', 1.0, 'A', "
                       "'FAST', ?, ?, ?, 0)");
        run.Bind(1, START_MS).Bind(2, START_MS + readings * 1000).Bind(3, readings);
        ok = run.Run();
    }
    CStatement insert(db ? db->Handle() : nullptr,
                      "INSERT INTO readings (time_ms, level_tenths) VALUES (?, ?)");
    CMinuteRollups minutes;
    std::uint32_t noise = 12345;  // a fixed series of levels, the same on every run
    for (std::int64_t i = 0; ok && i < readings; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const auto tenths = i % 1000 == 999
                                ? std::nullopt
                                : std::optional<std::int64_t>(400 + (noise >> 8) % 500);
        const std::int64_t time = START_MS + i * 1000;
        minutes[MinuteStartOf(time)].Add(tenths);
        insert.Bind(1, time).Bind(2, tenths);
        ok = insert.Run();
    }
    ok = ok && AddMinuteRollups(db->Handle(), minutes) && db->Execute("COMMIT");
    made[readings] = ok;
    return ok;
}

struct CChildRun {
    double CpuMs = 0.0;       // user and system time
    double ResidentMB = 0.0;  // its largest resident set
};

// datalogger-cli with `arguments`, its output thrown away; empty when it failed.
std::optional<CChildRun> RunCli(const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(DATALOGGER_CLI_PROGRAM)};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, DATALOGGER_CLI_PROGRAM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    struct rusage usage {};
    if (spawned != 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    const auto ms = [](const timeval& t) { return t.tv_sec * 1.0e3 + t.tv_usec / 1.0e3; };
    return CChildRun{ms(usage.ru_utime) + ms(usage.ru_stime),
                     static_cast<double>(usage.ru_maxrss) / 1024.0};
}

// A command on the archive of `readings` ("stats" or "csv"), run once however many rows ask.
std::optional<CChildRun> Measured(const std::string& command, std::int64_t readings) {
    static std::map<std::pair<std::string, std::int64_t>, std::optional<CChildRun>> runs;
    const auto key = std::pair(command, readings);
    if (const auto done = runs.find(key); done != runs.end()) {
        return done->second;
    }
    std::optional<CChildRun> run;
    if (MakeArchive(readings)) {
        const std::string archive = ArchiveOf(readings).string();
        if (command == "stats") {
            run = RunCli({"archive", "stats", archive, "--json"});
        } else if (command == "csv") {
            run = RunCli({"archive", "export", archive, (ProgramDirectory() / "out.csv").string()});
        } else {  // the measurement file of the same readings
            const std::string sound = (ProgramDirectory() / "out.sound").string();
            run = RunCli({"archive", "export", archive, sound});
            run = run ? RunCli({"stats", sound, "--json"}) : std::nullopt;
        }
    }
    runs[key] = run;
    return run;
}

// One row: the counter `figure` of `command` on `readings` readings.
void Row(benchmark::State& state, const std::string& command, std::int64_t readings,
         const char* figure, const std::string& label) {
    std::optional<CChildRun> run;
    for (auto _ : state) {
        run = Measured(command, readings);
    }
    if (!run) {
        state.SkipWithError("datalogger-cli failed, or the archive could not be made");
        return;
    }
    state.counters["ms"] = run->CpuMs;
    state.counters["MB"] = run->ResidentMB;
    state.counters["Mps"] = static_cast<double>(readings) / MILLION / (run->CpuMs / 1000.0);
    state.SetLabel(std::string("figure=") + figure + " " + label);
}

void BM_StatsJsonOfAMillionReadingFile(benchmark::State& state) {
    Row(state, "file", MILLION, "ms", "");
}
BENCHMARK(BM_StatsJsonOfAMillionReadingFile)->Unit(benchmark::kMillisecond)->Iterations(1);

// Per million readings, at most three times what the file's statistics take.
void BM_ArchiveStatsJson_1M(benchmark::State& state) {
    Row(state, "stats", MILLION, "ms", "ref=BM_StatsJsonOfAMillionReadingFile ratio<=3");
}
BENCHMARK(BM_ArchiveStatsJson_1M)->Unit(benchmark::kMillisecond)->Iterations(1);

// Linear: ten times the readings, at most 30 times the time.
void BM_ArchiveStatsJson_10M(benchmark::State& state) {
    Row(state, "stats", 10 * MILLION, "ms", "ref=BM_ArchiveStatsJson_1M ratio<=30");
}
BENCHMARK(BM_ArchiveStatsJson_10M)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ArchiveStatsJsonMemory_1M(benchmark::State& state) {
    Row(state, "stats", MILLION, "MB", "max=60MB");
}
BENCHMARK(BM_ArchiveStatsJsonMemory_1M)->Unit(benchmark::kMillisecond)->Iterations(1);

// Flat: ten times the readings in the same memory, but for the rows of the hours and days.
void BM_ArchiveStatsJsonMemory_10M(benchmark::State& state) {
    Row(state, "stats", 10 * MILLION, "MB", "max=60MB ref=BM_ArchiveStatsJsonMemory_1M ratio<=1.2");
}
BENCHMARK(BM_ArchiveStatsJsonMemory_10M)->Unit(benchmark::kMillisecond)->Iterations(1);

// Millions of readings written a second of CPU time.
void BM_ArchiveExportCsv_10M(benchmark::State& state) {
    Row(state, "csv", 10 * MILLION, "Mps", "min=1");
}
BENCHMARK(BM_ArchiveExportCsv_10M)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ArchiveExportCsvMemory_1M(benchmark::State& state) {
    Row(state, "csv", MILLION, "MB", "max=60MB");
}
BENCHMARK(BM_ArchiveExportCsvMemory_1M)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ArchiveExportCsvMemory_10M(benchmark::State& state) {
    Row(state, "csv", 10 * MILLION, "MB", "max=60MB ref=BM_ArchiveExportCsvMemory_1M ratio<=1.2");
}
BENCHMARK(BM_ArchiveExportCsvMemory_10M)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return RunBenchmarksAtHome(argc, argv);
}
