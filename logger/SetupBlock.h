#pragma once

#include <array>
#include <cstdint>

#include "logger/LoggerProtocol.h"
#include "platform/LocalTime.h"

// The 64 bytes that follow CMD_SETUP.
using SetupBlock = std::array<std::uint8_t, SETUP_BLOCK_SIZE>;

// Flags of byte 1 of a setup block.
inline constexpr std::uint8_t SETUP_MANUAL_START = 0x80;
inline constexpr std::uint8_t SETUP_REAL_TIME = 0x10;
inline constexpr std::uint8_t SETUP_DBA = 0x08;
inline constexpr std::uint8_t SETUP_FAST = 0x04;

// Largest number of sampling points the three point bytes can carry.
inline constexpr std::uint32_t SETUP_POINTS_MAX = 0xFFFFFF;

// How the logger is to run, as the setup dialog chose it.
struct SetupFields {
    std::uint8_t LedCycle = 10;  // seconds between flashes: 10, 20, 30, or 0 for no light
    bool ManualStart = true;     // logging starts when the logger's button is held
    bool RealTime = false;       // the computer polls the level instead of the logger storing it
    bool Dba = true;             // A weighting, else C
    bool Fast = true;            // FAST time weighting, else SLOW
    std::uint8_t RateCode = 3;   // 1..7
    std::uint32_t Points = 129920;
    std::uint8_t AlarmLow = 30;  // whole dB
    std::uint8_t AlarmHigh = 130;

    bool operator==(const SetupFields&) const = default;
};

// The block the logger takes: the fields and the local clock at the moment of composing
// (the logger sets its own clock from it). Points beyond SETUP_POINTS_MAX keep their low
// 24 bits; callers limit them first.
SetupBlock ComposeSetupBlock(const SetupFields& fields, const LocalTimeParts& clock);

// What a logger reads from a block: its fields and the clock it carries.
SetupFields ParseSetupBlock(const SetupBlock& block, LocalTimeParts& clock);
