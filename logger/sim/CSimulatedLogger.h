#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "logger/CBridge.h"
#include "logger/sim/CFaultPlan.h"
#include "logger/sim/CSimulatedDevice.h"

// How a simulated logger is set up.
struct SimulatorOptions {
    // Where its configuration survives the program; without one nothing survives.
    std::optional<std::filesystem::path> StateFile;
    // A memory image file that stands for the memory, in stored mode, whatever the state.
    std::optional<std::filesystem::path> MemoryFile;
    CFaultPlan Faults;
    // Seconds after a manual-start setup at which the button is pressed; empty: only
    // PressButton() presses it.
    std::optional<int> ButtonDelaySeconds = 5;
    // Null: the system clock.
    std::shared_ptr<CSimClock> Clock;
};

// The options the environment asks for: the state file in the program directory,
// DATALOGGER_SIM_MEMORY, DATALOGGER_SIM_FAULTS, DATALOGGER_SIM_BUTTON (seconds, or "never")
// and DATALOGGER_SIM_SPEED (a clock that many times faster than real time). Throws
// std::invalid_argument for a value it cannot read.
SimulatorOptions SimulatorOptionsFromEnvironment();

// A model of the logger on its USB bridge: one device that takes the logger's commands
// byte for byte and answers as the logger does, so that the link runs against it exactly
// as against the real device. Replies wait in the device's output until they are read; a
// read that asks for more than is waiting fails at once with a timeout, as the real device
// would after its timeout. Closing a handle clears both directions.
class CSimulatedLogger : public CBridge {
public:
    explicit CSimulatedLogger(SimulatorOptions options);

    BridgeStatus BridgeCount(std::uint32_t& count) override;
    BridgeStatus BridgeQueryString(std::uint32_t index, std::span<char> buffer,
                                   std::uint32_t option) override;
    BridgeStatus BridgeOpen(std::uint32_t index, BridgeHandle& handle) override;
    BridgeStatus BridgeClose(BridgeHandle handle) override;
    BridgeStatus BridgeRead(BridgeHandle handle, std::uint8_t* buffer, std::uint32_t wanted,
                            std::uint32_t& returned) override;
    BridgeStatus BridgeWrite(BridgeHandle handle, const std::uint8_t* buffer, std::uint32_t length,
                             std::uint32_t& written) override;
    BridgeStatus BridgeSetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override;
    BridgeStatus BridgeGetTimeouts(std::uint32_t& readMs, std::uint32_t& writeMs) override;

    // The logger's start button, for a manual-start setup.
    void PressButton();
    CFaultPlan& Faults() { return m_options.Faults; }
    CSimulatedDevice& Device() { return m_device; }
    // Unplugged and not yet plugged in again.
    bool Unplugged() const;

private:
    // Takes every complete request waiting in the input and queues its reply.
    void ProcessInput();
    void Command(std::uint8_t code, std::uint8_t first, std::uint8_t second);
    void ReadMemory(std::uint32_t block);
    void Reply(std::initializer_list<std::uint8_t> bytes);
    void ResetPipe();
    // The status of a transfer the fault plan reaches: `failure` for a planned failure,
    // DeviceNotFound once the logger has been unplugged.
    BridgeStatus PlayFault(FaultAction fault, BridgeStatus failure);

    SimulatorOptions m_options;
    CSimulatedDevice m_device;
    std::set<BridgeHandle> m_handles;
    BridgeHandle m_nextHandle = 1;
    bool m_unplugged = false;
    std::optional<std::int64_t> m_pluggedAgainAtMs;  // empty: gone for good
    CBridgeTimeouts m_timeouts;

    std::vector<std::uint8_t> m_input;
    std::deque<std::uint8_t> m_output;
    bool m_awaitingSetupBlock = false;
    // The memory as the last read of block 0 found it: the blocks that follow come from it.
    std::optional<CMemoryImage> m_image;
};
