#pragma once

#include <filesystem>
#include <memory>
#include <sstream>
#include <vector>

#include "logger/SetupBlock.h"
#include "logger/sim/CSimulatedLogger.h"
#include "platform/ProgramDirectory.h"
#include "station/CStation.h"
#include "tests/CRecordingPrompt.h"
#include "tests/TempDir.h"

// 2024-06-03 10:00:00 in the tests' time zone (CEST).
inline constexpr std::int64_t TEN_O_CLOCK_MS = 1717401600000;

// Everything a station tells, in order.
class CStationLog : public CStationObserver {
public:
    void RunStarted(const CStationRun& run) override { Runs.push_back(run); }
    void Reading(const CStationReading& reading) override { Readings.push_back(reading); }
    void IntervalCompleted(const CIntervalLevels& interval) override {
        Intervals.push_back(interval);
    }
    void RunEnded(std::int64_t endMs) override { Ends.push_back(endMs); }

    std::vector<CStationRun> Runs;
    std::vector<CStationReading> Readings;
    std::vector<CIntervalLevels> Intervals;
    std::vector<std::int64_t> Ends;
};

// A simulated logger set up for real time at `rateCode`, on the stepping clock, in a fresh
// program directory.
struct CStationBench {
    explicit CStationBench(std::uint8_t rateCode, const std::string& faults = "") {
        std::filesystem::remove_all(ProgramDirectory());
        SimulatorOptions options;
        options.StateFile = Directory / "SimulatedLogger.ini";
        options.Clock = Clock;
        options.Faults = CFaultPlan::Parse(faults);
        Logger = std::make_unique<CSimulatedLogger>(std::move(options));
        SetupFields fields;
        fields.RealTime = true;
        fields.RateCode = rateCode;
        Logger->Device().ApplySetup(ComposeSetupBlock(fields, {2024, 6, 3, 10, 0, 0}),
                                    Clock->NowMs(), std::nullopt);
    }

    StationEnd Run(const CStationSettings& settings) {
        CStation station(*Logger, Prompt, *Clock, settings, Messages);
        station.AddObserver(Log);
        for (CStationObserver* observer : Observers) {
            station.AddObserver(*observer);
        }
        return station.Run([] { return false; });
    }

    CTempDir Directory;
    std::shared_ptr<CSteppingClock> Clock = std::make_shared<CSteppingClock>(TEN_O_CLOCK_MS);
    std::unique_ptr<CSimulatedLogger> Logger;
    CRecordingPrompt Prompt;
    std::ostringstream Messages;
    CStationLog Log;
    std::vector<CStationObserver*> Observers;
};
