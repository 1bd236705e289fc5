#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

// The binary archive of the measurement file: little-endian 32-bit integers, 32-bit IEEE
// floats copied bit for bit, single bytes, and strings with a 1-, 3- or 7-byte length
// prefix. Transfers go through a 4096-byte buffer. Every read past the end of the source
// and every failed write returns false and leaves the archive failed; nothing is ever made
// up.
class CArchive {
public:
    static constexpr std::size_t BUFFER_SIZE = 4096;

    // A loading archive over everything from the stream's current position to its end.
    explicit CArchive(std::istream& source);
    // A storing archive; call Flush() before trusting the result.
    explicit CArchive(std::ostream& sink);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool Failed() const { return m_failed; }

    // Loading. Strings and arrays are refused before anything is allocated when the source
    // could not hold them.
    [[nodiscard]] bool ReadInt32(std::int32_t& value);
    [[nodiscard]] bool ReadFloat(float& value);
    [[nodiscard]] bool ReadByte(std::uint8_t& value);
    [[nodiscard]] bool ReadString(std::string& value);
    [[nodiscard]] bool ReadFloats(std::span<float> values);
    // Bytes the source still holds.
    std::uint64_t BytesLeft() const { return m_bytesLeft; }

    // Storing.
    [[nodiscard]] bool WriteInt32(std::int32_t value);
    [[nodiscard]] bool WriteFloat(float value);
    [[nodiscard]] bool WriteByte(std::uint8_t value);
    [[nodiscard]] bool WriteString(std::string_view value);
    [[nodiscard]] bool WriteFloats(std::span<const float> values);
    // Hands the buffer to the stream and flushes it; false if any write failed.
    [[nodiscard]] bool Flush();

private:
    bool ReadRaw(std::uint8_t* destination, std::size_t count);
    bool WriteRaw(const std::uint8_t* source, std::size_t count);
    bool Fill();
    bool Drain();
    bool ReadUInt16(std::uint16_t& value);
    bool ReadUInt32(std::uint32_t& value);
    bool WriteUInt16(std::uint16_t value);
    bool WriteUInt32(std::uint32_t value);

    std::istream* m_source = nullptr;
    std::ostream* m_sink = nullptr;
    std::array<std::uint8_t, BUFFER_SIZE> m_buffer{};
    std::size_t m_begin = 0;  // next unread byte (loading)
    std::size_t m_end = 0;    // end of buffered bytes (loading) or of pending bytes (storing)
    std::uint64_t m_bytesLeft = 0;
    bool m_failed = false;
};
