#pragma once

#include <functional>
#include <string>

#include "cli/CliCommands.h"
#include "cli/HttpMonitor.h"
#include "cli/MqttMonitor.h"

namespace CLI {
class Option;
}

// The options of monitor that make it a station: an archive, interval levels, a duration,
// reconnection.
struct CStationMonitorOptions {
    CLI::Option* Archive = nullptr;  // given with or without a file name
    std::string ArchiveFile;         // empty: archive.sqlite in the program directory
    std::string Interval;
    std::string Duration;
    bool Reconnect = false;
    bool QuietReadings = false;
    CMqttOptions Mqtt;
    CHttpOptions Http;
    CLI::Option* Count = nullptr;

    bool Requested() const;
};

// What the station takes from the plain monitor command.
struct CMonitorShared {
    std::function<void()> RecoverUnfinishedRun;
    bool (*StopRequested)();
    const char* NotRealTimeMessage;
};

struct CIntervalLevels;

// The line of a completed interval, tab-separated as the reading lines are and told apart from
// them by its first field: "interval", start, end, "whole" or "partial", readings, then
// "LAeq 55.1", "LAmax", "LAmin", "LA10", "LA50", "LA90" (LC... for C weighting).
std::string IntervalLine(const CIntervalLevels& interval);

// Adds --archive, --interval, --duration and --reconnect to the monitor command, after its
// --count and --csv.
void AddStationOptions(CLI::App& monitor, CStationMonitorOptions& options);

// monitor as a station; the exit status. `count`: the readings to take.
int MonitorStation(const CStationMonitorOptions& options, std::int64_t count,
                   const CMonitorShared& shared, CCliContext& context);
