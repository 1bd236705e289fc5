#pragma once

#include <memory>

#include "logger/CBridge.h"
#include "logger/RunClock.h"

// The bridge the program talks through: the simulated logger (SimulatorOptionsFromEnvironment
// says how it behaves) or the USB bus, where the bridge is found by the ids in
// DATALOGGER_USB_ID ("vvvv:pppp", 10c4:ea61 when unset). With DATALOGGER_USB_TRACE set,
// every bridge operation is traced: to standard error for "stderr", else appended to the
// file it names.
//
// Make one bridge for the whole program: its timeouts, and the simulated logger's fault
// counts, are the program's. Throws std::invalid_argument, with a message for the user,
// when an environment variable cannot be used. `clock`: the simulated logger's clock instead
// of the one the environment asks for.
std::unique_ptr<CBridge> MakeBridge(bool simulate, std::shared_ptr<CRunClock> clock = nullptr);

// The clock that runs against MakeBridge(simulate, clock) keep time by: polls on the steady
// clock, so that a system clock set during a run of days (a box without a clock battery set
// by the network after it booted) neither holds them up nor fills the gap with readings
// without a level, and readings stamped by the system's clock (CMonitorClock); or the
// simulated logger's, faster with DATALOGGER_SIM_SPEED. Throws as MakeBridge does.
std::shared_ptr<CRunClock> MakeRunClock(bool simulate);

// The clock and the logger a run polls, made together so that the simulated logger keeps the
// run's time. Throws as MakeBridge does.
struct CRunDevice {
    std::shared_ptr<CRunClock> Clock;
    std::unique_ptr<CBridge> Bridge;
};
CRunDevice MakeRunDevice(bool simulate);
