#pragma once

#include <memory>

#include "logger/SetupBlock.h"
#include "logger/sim/CSimulatedLogger.h"
#include "platform/LocalTime.h"
#include "platform/ProgramDirectory.h"

// The simulated logger of a station's benchmark: set up for real-time readings at 1 s, on
// `clock`, its state in the program directory.
inline std::unique_ptr<CSimulatedLogger> RealTimeLogger(const std::shared_ptr<CRunClock>& clock) {
    SimulatorOptions options;
    options.StateFile = ProgramFile("SimulatedLogger.ini");
    options.Clock = clock;
    auto logger = std::make_unique<CSimulatedLogger>(std::move(options));
    SetupFields fields;
    fields.RealTime = true;
    fields.RateCode = 3;
    logger->Device().ApplySetup(ComposeSetupBlock(fields, SplitLocalTime(CurrentTime())),
                                clock->NowMs(), std::nullopt);
    return logger;
}
