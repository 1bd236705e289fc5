// The simulated logger's faster clock and its unplug for a while.

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "logger/sim/CSimulatedLogger.h"
#include "tests/logger/LoggerTestDoubles.h"

namespace {

TEST(SimulatedClock, speedFromTheEnvironment_isAWholeNumberFromOneToAMillion) {
    struct Case {
        const char* Text;
        std::int64_t Speed;  // 0: refused
    };
    for (const Case c : {Case{"1", 1}, Case{"3600", 3600}, Case{"1000000", 1000000}, Case{"0", 0},
                         Case{"1000001", 0}, Case{"-2", 0}, Case{"2x", 0}, Case{"fast", 0}}) {
        SCOPED_TRACE(c.Text);
        setenv("DATALOGGER_SIM_SPEED", c.Text, 1);
        if (c.Speed == 0) {
            EXPECT_THROW(SimulatorOptionsFromEnvironment(), std::invalid_argument);
            continue;
        }
        const SimulatorOptions options = SimulatorOptionsFromEnvironment();
        ASSERT_TRUE(options.Clock);
        EXPECT_EQ(options.Clock->Speed(), c.Speed);
    }
    unsetenv("DATALOGGER_SIM_SPEED");
    EXPECT_FALSE(SimulatorOptionsFromEnvironment().Clock);
}

TEST(SimulatedClock, scaledClock_runsThatManyTimesFaster) {
    CSystemClock system;
    CScaledClock fast(100000);
    const std::int64_t systemStart = system.NowMs();
    const std::int64_t fastStart = fast.NowMs();
    while (system.NowMs() < systemStart + 20) {
    }
    // 20 ms of real time are at least half an hour of the fast clock.
    EXPECT_GE(fast.NowMs() - fastStart, 1800000);
}

TEST(SimulatedClock, unpluggedForAWhile_comesBackThatManySecondsLater) {
    CSimulatorBench bench;
    SimulatorOptions options = bench.Options();
    options.Faults = CFaultPlan::Parse("unplug:1=30s");
    CSimulatedLogger logger(std::move(options));
    BridgeHandle handle = 0;
    ASSERT_EQ(logger.BridgeOpen(0, handle), BridgeStatus::Success);
    const std::uint8_t status[] = {CMD_STATUS, 0, 0};
    std::uint32_t written = 0;
    EXPECT_EQ(logger.BridgeWrite(handle, status, 3, written), BridgeStatus::DeviceNotFound);
    EXPECT_EQ(logger.Faults().Played(), 1);
    for (const auto& [seconds, away] : {std::pair{29.9, true}, std::pair{0.1, false}}) {
        bench.Clock->Advance(seconds);
        std::uint32_t count = 0;
        EXPECT_EQ(logger.BridgeCount(count), BridgeStatus::Success);
        EXPECT_EQ(count, away ? 0u : 1u);
        EXPECT_EQ(logger.Unplugged(), away);
    }
    EXPECT_EQ(logger.BridgeWrite(handle, status, 3, written), BridgeStatus::Success);
}

}  // namespace
