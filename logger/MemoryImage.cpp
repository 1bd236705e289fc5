#include "logger/MemoryImage.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/CAtomicFile.h"

std::array<std::uint8_t, MEMORY_HEADER_SIZE> MemoryHeader::Encode() const {
    return {RateCode, Year, Month, Day,    Hour,     Minute,
            Second,   Dba,  Fast,  Unused, AlarmLow, AlarmHigh};
}

MemoryHeader MemoryHeader::Decode(std::span<const std::uint8_t, MEMORY_HEADER_SIZE> b) {
    return {b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11]};
}

LocalTimeParts MemoryHeader::Start() const {
    return {Year + 2000, Month, Day, Hour, Minute, Second};
}

void MemoryHeader::SetStart(const LocalTimeParts& start) {
    Year = static_cast<std::uint8_t>(start.Year - 2000);
    Month = static_cast<std::uint8_t>(start.Month);
    Day = static_cast<std::uint8_t>(start.Day);
    Hour = static_cast<std::uint8_t>(start.Hour);
    Minute = static_cast<std::uint8_t>(start.Minute);
    Second = static_cast<std::uint8_t>(start.Second);
}

std::uint16_t CMemoryImage::Reading(std::size_t index) const {
    return static_cast<std::uint16_t>(Memory[2 * index] | (Memory[2 * index + 1] << 8));
}

void CMemoryImage::AppendReading(std::uint16_t tenths) {
    Memory.push_back(static_cast<std::uint8_t>(tenths));
    Memory.push_back(static_cast<std::uint8_t>(tenths >> 8));
}

std::span<const std::uint8_t> CMemoryImage::Block(std::uint32_t number) const {
    const std::size_t begin = std::size_t{number - 1} * MEMORY_BLOCK_SIZE;
    if (number == 0 || begin >= Memory.size()) {
        return {};
    }
    return std::span(Memory).subspan(begin, std::min(MEMORY_BLOCK_SIZE, Memory.size() - begin));
}

std::uint32_t MemoryBlockCount(std::uint32_t memorySize) {
    return static_cast<std::uint32_t>((memorySize + MEMORY_BLOCK_SIZE - 1) / MEMORY_BLOCK_SIZE);
}

std::optional<CMemoryImage> LoadMemoryImage(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (bytes.size() < MEMORY_HEADER_SIZE || bytes.size() - MEMORY_HEADER_SIZE > MEMORY_SIZE_MAX) {
        return std::nullopt;
    }
    CMemoryImage image;
    image.Header = MemoryHeader::Decode(std::span(bytes).first<MEMORY_HEADER_SIZE>());
    image.Memory.assign(bytes.begin() + MEMORY_HEADER_SIZE, bytes.end());
    return image;
}

bool SaveMemoryImage(const std::filesystem::path& file, const CMemoryImage& image) {
    CAtomicFile out(file);
    if (!out.Open()) {
        return false;
    }
    const auto header = image.Header.Encode();
    out.Stream().write(reinterpret_cast<const char*>(header.data()), header.size());
    out.Stream().write(reinterpret_cast<const char*>(image.Memory.data()),
                       static_cast<std::streamsize>(image.Memory.size()));
    return out.Commit();
}
