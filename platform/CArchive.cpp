#include "platform/CArchive.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <istream>
#include <ostream>

namespace {

// Length prefixes of the string encoding.
constexpr std::uint8_t WIDER_LENGTH = 0xFF;
constexpr std::uint16_t WIDEST_LENGTH = 0xFFFF;
constexpr std::size_t SHORT_LIMIT = 0xFF;     // lengths below use one byte
constexpr std::size_t MEDIUM_LIMIT = 0xFFFE;  // lengths below use 0xFF + 16 bits

std::uint32_t LoadLittle32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void StoreLittle32(std::uint32_t v, std::uint8_t* p) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

}  // namespace

CArchive::CArchive(std::istream& source) : m_source(&source) {
    const auto start = source.tellg();
    source.seekg(0, std::ios::end);
    const auto end = source.tellg();
    source.seekg(start);
    if (start < 0 || end < start || !source) {
        m_failed = true;
        return;
    }
    m_bytesLeft = static_cast<std::uint64_t>(end - start);
}

CArchive::CArchive(std::ostream& sink) : m_sink(&sink) {}

bool CArchive::Fill() {
    m_begin = 0;
    m_end = 0;
    m_source->read(reinterpret_cast<char*>(m_buffer.data()), BUFFER_SIZE);
    m_end = static_cast<std::size_t>(m_source->gcount());
    if (m_source->bad()) {
        m_failed = true;
    }
    return m_end > 0 && !m_failed;
}

bool CArchive::ReadRaw(std::uint8_t* destination, std::size_t count) {
    if (m_failed || m_source == nullptr || count > m_bytesLeft) {
        m_failed = true;
        return false;
    }
    while (count > 0) {
        if (m_begin == m_end && !Fill()) {
            m_failed = true;
            return false;
        }
        const std::size_t chunk = std::min(count, m_end - m_begin);
        std::memcpy(destination, m_buffer.data() + m_begin, chunk);
        m_begin += chunk;
        m_bytesLeft -= chunk;
        destination += chunk;
        count -= chunk;
    }
    return true;
}

bool CArchive::ReadByte(std::uint8_t& value) {
    return ReadRaw(&value, 1);
}

bool CArchive::ReadUInt16(std::uint16_t& value) {
    std::uint8_t bytes[2];
    if (!ReadRaw(bytes, 2)) {
        return false;
    }
    value = std::uint16_t(bytes[0] | bytes[1] << 8);
    return true;
}

bool CArchive::ReadUInt32(std::uint32_t& value) {
    std::uint8_t bytes[4];
    if (!ReadRaw(bytes, 4)) {
        return false;
    }
    value = LoadLittle32(bytes);
    return true;
}

bool CArchive::ReadInt32(std::int32_t& value) {
    std::uint32_t raw = 0;
    if (!ReadUInt32(raw)) {
        return false;
    }
    value = static_cast<std::int32_t>(raw);
    return true;
}

bool CArchive::ReadFloat(float& value) {
    std::uint32_t raw = 0;
    if (!ReadUInt32(raw)) {
        return false;
    }
    value = std::bit_cast<float>(raw);
    return true;
}

bool CArchive::ReadFloats(std::span<float> values) {
    if (values.size() > m_bytesLeft / 4) {
        m_failed = true;
        return false;
    }
    for (float& value : values) {
        if (!ReadFloat(value)) {
            return false;
        }
    }
    return true;
}

bool CArchive::ReadString(std::string& value) {
    std::uint8_t shortLength = 0;
    if (!ReadByte(shortLength)) {
        return false;
    }
    std::uint64_t length = shortLength;
    if (shortLength == WIDER_LENGTH) {
        std::uint16_t mediumLength = 0;
        if (!ReadUInt16(mediumLength)) {
            return false;
        }
        length = mediumLength;
        if (mediumLength == WIDEST_LENGTH) {
            std::uint32_t longLength = 0;
            if (!ReadUInt32(longLength)) {
                return false;
            }
            length = longLength;
        }
    }
    if (length > m_bytesLeft) {
        m_failed = true;
        return false;
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    if (!ReadRaw(reinterpret_cast<std::uint8_t*>(text.data()), text.size())) {
        return false;
    }
    value = std::move(text);
    return true;
}

bool CArchive::Drain() {
    if (m_end > 0) {
        m_sink->write(reinterpret_cast<const char*>(m_buffer.data()),
                      static_cast<std::streamsize>(m_end));
        m_end = 0;
        if (!*m_sink) {
            m_failed = true;
        }
    }
    return !m_failed;
}

bool CArchive::WriteRaw(const std::uint8_t* source, std::size_t count) {
    if (m_failed || m_sink == nullptr) {
        m_failed = true;
        return false;
    }
    while (count > 0) {
        if (m_end == BUFFER_SIZE && !Drain()) {
            return false;
        }
        const std::size_t chunk = std::min(count, BUFFER_SIZE - m_end);
        std::memcpy(m_buffer.data() + m_end, source, chunk);
        m_end += chunk;
        source += chunk;
        count -= chunk;
    }
    return true;
}

bool CArchive::WriteByte(std::uint8_t value) {
    return WriteRaw(&value, 1);
}

bool CArchive::WriteUInt16(std::uint16_t value) {
    const std::uint8_t bytes[2] = {std::uint8_t(value), std::uint8_t(value >> 8)};
    return WriteRaw(bytes, 2);
}

bool CArchive::WriteUInt32(std::uint32_t value) {
    std::uint8_t bytes[4];
    StoreLittle32(value, bytes);
    return WriteRaw(bytes, 4);
}

bool CArchive::WriteInt32(std::int32_t value) {
    return WriteUInt32(static_cast<std::uint32_t>(value));
}

bool CArchive::WriteFloat(float value) {
    return WriteUInt32(std::bit_cast<std::uint32_t>(value));
}

bool CArchive::WriteFloats(std::span<const float> values) {
    for (float value : values) {
        if (!WriteFloat(value)) {
            return false;
        }
    }
    return true;
}

bool CArchive::WriteString(std::string_view value) {
    const std::size_t length = value.size();
    bool written = true;
    if (length < SHORT_LIMIT) {
        written = WriteByte(static_cast<std::uint8_t>(length));
    } else if (length < MEDIUM_LIMIT) {
        written = WriteByte(WIDER_LENGTH) && WriteUInt16(static_cast<std::uint16_t>(length));
    } else if (length <= 0xFFFFFFFFu) {
        written = WriteByte(WIDER_LENGTH) && WriteUInt16(WIDEST_LENGTH) &&
                  WriteUInt32(static_cast<std::uint32_t>(length));
    } else {
        m_failed = true;
        return false;
    }
    return written && WriteRaw(reinterpret_cast<const std::uint8_t*>(value.data()), length);
}

bool CArchive::Flush() {
    if (m_sink == nullptr || !Drain()) {
        m_failed = true;
        return false;
    }
    m_sink->flush();
    if (!*m_sink) {
        m_failed = true;
    }
    return !m_failed;
}
