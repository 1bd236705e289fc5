#include "platform/CArchive.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int v : values) {
        bytes.push_back(static_cast<char>(v));
    }
    return bytes;
}

template <typename Write>
std::string Stored(Write write) {
    std::ostringstream out;
    CArchive archive(out);
    EXPECT_TRUE(write(archive));
    EXPECT_TRUE(archive.Flush());
    return out.str();
}

// A sink that takes `capacity` bytes and then fails, as a full disk does.
class CFullDiskBuffer : public std::streambuf {
public:
    explicit CFullDiskBuffer(std::size_t capacity) : m_capacity(capacity) {}

protected:
    std::streamsize xsputn(const char*, std::streamsize count) override {
        const auto taken =
            std::min<std::streamsize>(count, static_cast<std::streamsize>(m_capacity));
        m_capacity -= static_cast<std::size_t>(taken);
        return taken;
    }
    int overflow(int c) override { return xsputn(nullptr, 1) == 1 ? c : traits_type::eof(); }

private:
    std::size_t m_capacity;
};

TEST(ArchiveNumbers, storeLittleEndianAndReadBack) {
    const std::string bytes = Stored([](CArchive& a) {
        return a.WriteInt32(0x01020304) && a.WriteInt32(-2) && a.WriteByte(0xAB) &&
               a.WriteFloat(1.0f);
    });
    EXPECT_EQ(bytes, Bytes({4, 3, 2, 1, 0xFE, 0xFF, 0xFF, 0xFF, 0xAB, 0, 0, 0x80, 0x3F}));

    std::istringstream in(bytes);
    CArchive archive(in);
    std::int32_t a = 0, b = 0;
    std::uint8_t c = 0;
    float d = 0;
    ASSERT_TRUE(archive.ReadInt32(a) && archive.ReadInt32(b) && archive.ReadByte(c) &&
                archive.ReadFloat(d));
    EXPECT_EQ(a, 0x01020304);
    EXPECT_EQ(b, -2);
    EXPECT_EQ(c, 0xAB);
    EXPECT_EQ(d, 1.0f);
    EXPECT_EQ(archive.BytesLeft(), 0u);
}

TEST(ArchiveNumbers, floatsSurviveBitForBit) {
    const std::vector<float> values = {55.1f, -0.0f, std::numeric_limits<float>::denorm_min(),
                                       std::bit_cast<float>(0x7FC12345u),
                                       std::numeric_limits<float>::infinity()};
    const std::string bytes = Stored([&](CArchive& a) { return a.WriteFloats(values); });
    std::istringstream in(bytes);
    CArchive archive(in);
    std::vector<float> back(values.size());
    ASSERT_TRUE(archive.ReadFloats(back));
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(back[i]), std::bit_cast<std::uint32_t>(values[i]));
    }
}

TEST(ArchiveNumbers, manyValuesCrossTheBufferBoundary) {
    std::vector<float> values(5000);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<float>(i) * 0.1f;
    }
    const std::string bytes = Stored(
        [&](CArchive& a) { return a.WriteByte(7) && a.WriteFloats(values) && a.WriteInt32(-7); });
    ASSERT_EQ(bytes.size(), 1 + 4 * values.size() + 4);
    std::istringstream in(bytes);
    CArchive archive(in);
    std::uint8_t first = 0;
    std::vector<float> back(values.size());
    std::int32_t last = 0;
    ASSERT_TRUE(archive.ReadByte(first) && archive.ReadFloats(back) && archive.ReadInt32(last));
    EXPECT_EQ(back, values);
    EXPECT_EQ(last, -7);
}

TEST(ArchiveStrings, lengthPrefixGrowsAt255And65534) {
    struct Case {
        std::size_t Length;
        std::string Prefix;
    };
    const Case cases[] = {
        {0, Bytes({0})},
        {7, Bytes({7})},
        {254, Bytes({254})},
        {255, Bytes({0xFF, 0xFF, 0x00})},
        {300, Bytes({0xFF, 0x2C, 0x01})},
        {0xFFFD, Bytes({0xFF, 0xFD, 0xFF})},
        {0xFFFE, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {70000, Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const Case& c : cases) {
        const std::string text(c.Length, 'x');
        const std::string bytes = Stored([&](CArchive& a) { return a.WriteString(text); });
        EXPECT_EQ(bytes.substr(0, c.Prefix.size()), c.Prefix) << c.Length;
        EXPECT_EQ(bytes.size(), c.Prefix.size() + c.Length);

        std::istringstream in(bytes);
        CArchive archive(in);
        std::string back;
        ASSERT_TRUE(archive.ReadString(back)) << c.Length;
        EXPECT_EQ(back, text);
    }
}

TEST(ArchiveStrings, singleByteTextKeptAsStored) {
    const std::string text = "caf\xE9 \x80\x01";
    const std::string bytes = Stored([&](CArchive& a) { return a.WriteString(text); });
    std::istringstream in(bytes);
    CArchive archive(in);
    std::string back;
    ASSERT_TRUE(archive.ReadString(back));
    EXPECT_EQ(back, text);
}

TEST(ArchiveDamage, readingPastTheEndFailsAndKeepsTheValue) {
    std::istringstream in(Bytes({1, 2, 3}));
    CArchive archive(in);
    std::int32_t value = 42;
    EXPECT_FALSE(archive.ReadInt32(value));
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(archive.Failed());
    std::uint8_t byte = 9;
    EXPECT_FALSE(archive.ReadByte(byte)) << "a failed archive stays failed";
    EXPECT_EQ(byte, 9);
}

TEST(ArchiveDamage, stringLongerThanTheSourceIsRefusedBeforeAllocating) {
    // A 7-byte prefix announcing 4 GiB followed by three bytes.
    std::istringstream in(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'}));
    CArchive archive(in);
    std::string text = "kept";
    EXPECT_FALSE(archive.ReadString(text));
    EXPECT_EQ(text, "kept");
}

TEST(ArchiveDamage, floatArrayLongerThanTheSourceIsRefused) {
    std::istringstream in(std::string(11, '\0'));
    CArchive archive(in);
    std::vector<float> values(3, 1.0f);
    EXPECT_FALSE(archive.ReadFloats(values));
    EXPECT_EQ(archive.BytesLeft(), 11u) << "nothing was consumed";
}

TEST(ArchiveDamage, failedWriteIsReported) {
    CFullDiskBuffer full(100);
    std::ostream out(&full);
    CArchive archive(out);
    const std::vector<float> values(2000, 3.0f);
    const bool written = archive.WriteFloats(values) && archive.Flush();
    EXPECT_FALSE(written);
    EXPECT_TRUE(archive.Failed());
}

TEST(ArchiveDamage, readingFromAStoringArchiveFails) {
    std::ostringstream out;
    CArchive archive(out);
    std::int32_t value = 0;
    EXPECT_FALSE(archive.ReadInt32(value));
}

}  // namespace
