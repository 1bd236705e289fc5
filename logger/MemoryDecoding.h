#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "document/CMeasurementRecord.h"
#include "logger/MemoryImage.h"

// The loudest level a stored reading can bring: anything above it is a glitch of the
// logger's memory and repeats the reading before it.
inline constexpr float HIGHEST_STORED_LEVEL = 150.0f;

// The levels of a memory: one per whole pair of bytes, tenths of a dB, low byte first; a
// trailing single byte is no reading. A level above 150.0 dB repeats the level before it,
// while the very first reading stays as read.
std::vector<float> DecodeLevels(std::span<const std::uint8_t> memory);

// The record a stored recording makes: its levels, its header's fields and texts and its
// statistics, ready to replace the current record. A rate code the logger does not know
// keeps `previousInterval`, the interval of the record being replaced.
CMeasurementRecord DecodeStoredRecording(const CMemoryImage& image, float previousInterval);

// The Speed text of a downloaded or polled record: "NONE" at 50 ms, where the logger does
// not weight in time, else "FAST" or "SLOW".
std::string LoggerSpeedText(std::uint8_t isFast, float sampleInterval);
