#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "logger/LoggerProtocol.h"
#include "platform/LocalTime.h"

inline constexpr std::size_t MEMORY_HEADER_SIZE = 12;
// The memory size travels in three bytes.
inline constexpr std::uint32_t MEMORY_SIZE_MAX = 0xFFFFFF;

// The 12 bytes that describe a stored recording, as the logger sends them after the memory
// size. The bytes are kept as sent: a decoder decides what an unusual value means.
struct MemoryHeader {
    std::uint8_t RateCode = 3;  // 1..7
    std::uint8_t Year = 0;      // minus 2000
    std::uint8_t Month = 1;
    std::uint8_t Day = 1;
    std::uint8_t Hour = 0;
    std::uint8_t Minute = 0;
    std::uint8_t Second = 0;
    std::uint8_t Dba = 1;   // nonzero dBA, zero dBC
    std::uint8_t Fast = 1;  // nonzero FAST, zero SLOW
    std::uint8_t Unused = 0;
    std::uint8_t AlarmLow = 0;  // whole dB
    std::uint8_t AlarmHigh = 0;

    std::array<std::uint8_t, MEMORY_HEADER_SIZE> Encode() const;
    static MemoryHeader Decode(std::span<const std::uint8_t, MEMORY_HEADER_SIZE> bytes);

    LocalTimeParts Start() const;
    void SetStart(const LocalTimeParts& start);

    bool operator==(const MemoryHeader&) const = default;
};

// The logger's memory as a download reads it: the header and the memory bytes, which hold
// one reading in each pair of bytes, an unsigned number of tenths of a dB, low byte first.
// The memory is read in 512-byte blocks numbered from 1; the last may be shorter.
struct CMemoryImage {
    MemoryHeader Header;
    std::vector<std::uint8_t> Memory;

    std::uint32_t MemorySize() const { return static_cast<std::uint32_t>(Memory.size()); }
    std::size_t ReadingCount() const { return Memory.size() / 2; }
    std::uint16_t Reading(std::size_t index) const;
    void AppendReading(std::uint16_t tenths);

    // The bytes of block `number` (1-based); empty past the end.
    std::span<const std::uint8_t> Block(std::uint32_t number) const;

    bool operator==(const CMemoryImage&) const = default;
};

// Blocks needed for a memory of `memorySize` bytes.
std::uint32_t MemoryBlockCount(std::uint32_t memorySize);

// An image file holds the header followed by the memory bytes. Empty when the file cannot
// be read, is shorter than a header, or holds more memory than the size bytes can tell.
std::optional<CMemoryImage> LoadMemoryImage(const std::filesystem::path& file);
[[nodiscard]] bool SaveMemoryImage(const std::filesystem::path& file, const CMemoryImage& image);
