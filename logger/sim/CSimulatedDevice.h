#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "logger/MemoryImage.h"
#include "logger/RunClock.h"
#include "logger/SetupBlock.h"
#include "logger/sim/UrbanSoundscape.h"

// The simulated logger's clock. Tests give their own so that nothing waits for real time to
// pass.
using CSimClock = CRunClock;

// What the simulated logger holds and how it records, apart from the protocol that reaches
// it: its configuration, its recording, its calibration. A fresh logger holds a day of
// street noise recorded once a second; a stored-mode setup starts a new recording at the
// setup (automatic start) or when the button is pressed (manual start), one reading per
// sampling interval until the number of points is reached.
//
// The state lives in a file, so that a setup made by one run of the program is still there
// for the next.
class CSimulatedDevice {
public:
    // Readings of the recording a fresh logger holds.
    static constexpr std::uint32_t FACTORY_READINGS = 86400;

    // Without a state file nothing survives the object.
    explicit CSimulatedDevice(std::optional<std::filesystem::path> stateFile);

    // Takes the state from the file again (another part of the program may have changed
    // it); a missing or unreadable file is a fresh logger.
    void Reload();

    // A setup block arrived at `nowMs`. With manual start and a button delay, the button is
    // pressed that many seconds later.
    void ApplySetup(const SetupBlock& block, std::int64_t nowMs,
                    std::optional<int> buttonDelaySeconds);
    // The logger's button: starts a manual-start recording that waits for it.
    void PressButton(std::int64_t nowMs);
    // Adds an adjustment in tenths of a dB; returns the total, which stays within a signed
    // byte.
    std::int8_t Calibrate(std::int8_t adjustment);

    // From now on the memory is this image and the logger is in stored mode, whatever its
    // configuration says.
    void ForceMemory(CMemoryImage image) { m_forcedMemory = std::move(image); }

    std::uint8_t StatusByte() const;
    CMemoryImage Memory(std::int64_t nowMs) const;
    // The level the logger measures now, in tenths of a dB.
    std::uint16_t LiveLevel(std::int64_t nowMs) const;

private:
    void Save() const;
    SetupFields Setup(LocalTimeParts& clock) const;

    std::optional<std::filesystem::path> m_stateFile;
    std::optional<CMemoryImage> m_forcedMemory;
    bool m_configured = false;  // false: the factory recording
    SetupBlock m_setup{};
    std::int64_t m_setupAtMs = 0;
    std::optional<std::int64_t> m_startAtMs;  // empty while waiting for the button
    std::int8_t m_calibration = 0;            // tenths of a dB
    // The sound the live level comes from, kept between polls: making a day's sound anew at
    // every poll would cost more than the poll.
    mutable std::unique_ptr<CUrbanSoundscape> m_liveSound;
    mutable std::uint64_t m_liveSeed = 0;
};
