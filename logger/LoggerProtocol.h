#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The logger's command protocol: every request is 3 bytes, the first being the command.
inline constexpr std::uint8_t CMD_CALIBRATE = 0x0C;    // value as signed byte, 0 -> total
inline constexpr std::uint8_t CMD_STATUS = 0x0D;       // 0, 0 -> 3 bytes, the first the status
inline constexpr std::uint8_t CMD_SETUP = 0x0E;        // 0x40, 0, then the setup block -> 0xFF
inline constexpr std::uint8_t CMD_READ_MEMORY = 0x0F;  // block number, low byte first
inline constexpr std::uint8_t CMD_READ_LEVEL = 0xFF;   // 0, 0 -> current level

inline constexpr std::size_t COMMAND_SIZE = 3;
inline constexpr std::size_t SETUP_BLOCK_SIZE = 64;
inline constexpr std::uint8_t SETUP_ACKNOWLEDGE = 0xFF;
inline constexpr std::size_t STATUS_REPLY_SIZE = 3;
inline constexpr std::size_t MEMORY_SIZE_BYTES = 3;  // reply to block 0, before the header
inline constexpr std::size_t BLOCK_PREFIX_SIZE = 3;  // read and ignored before each block
inline constexpr std::size_t MEMORY_BLOCK_SIZE = 512;
inline constexpr std::size_t LEVEL_REPLY_SIZE = 2;
inline constexpr std::size_t CALIBRATION_REPLY_SIZE = 1;

// The status byte of a logger holding a stored recording; any other value describes a
// real-time setup.
inline constexpr std::uint8_t STATUS_STORED = 0xFF;
inline constexpr std::uint8_t STATUS_RATE_MASK = 0x07;
inline constexpr std::uint8_t STATUS_FAST = 0x08;
inline constexpr std::uint8_t STATUS_DBA = 0x10;

// Every write gets 1000 ms, every read 3000 ms.
inline constexpr std::uint32_t WRITE_TIMEOUT_MS = 1000;
inline constexpr std::uint32_t READ_TIMEOUT_MS = 3000;

// Sampling rate codes 1 to 7 and what they mean.
inline constexpr int RATE_CODE_COUNT = 7;
inline constexpr std::array<double, RATE_CODE_COUNT> RATE_INTERVALS = {0.05, 0.5, 1, 2, 5, 10, 60};
inline constexpr std::array<const char*, RATE_CODE_COUNT> RATE_TEXTS = {"50ms", "500ms", "1s", "2s",
                                                                        "5s",   "10s",   "60s"};

inline constexpr bool IsRateCode(int code) {
    return code >= 1 && code <= RATE_CODE_COUNT;
}
// Seconds between two readings of a valid rate code.
inline constexpr double RateInterval(int code) {
    return RATE_INTERVALS[code - 1];
}
