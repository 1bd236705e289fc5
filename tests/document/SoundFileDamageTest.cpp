// Damaged measurement files: every one is refused with the record exactly as it was, and
// nothing larger than the file is ever allocated while reading it.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <new>
#include <sstream>
#include <string>

#include "document/CDTDoc.h"
#include "platform/CArchive.h"
#include "tests/CRecordingPrompt.h"
#include "tests/TempDir.h"
#include "tests/document/ExampleRecord.h"

namespace {

// The largest single allocation while a watch is active, and allocations refused as a
// machine short of memory refuses them.
bool g_watching = false;
std::size_t g_largest = 0;
std::size_t g_refuseAbove = SIZE_MAX;
int g_refused = 0;

class CAllocationWatch {
public:
    CAllocationWatch() {
        g_largest = 0;
        g_watching = true;
    }
    ~CAllocationWatch() { g_watching = false; }
    std::size_t Largest() const { return g_largest; }
};

}  // namespace

void* operator new(std::size_t size) {
    if (g_watching && size > g_largest) {
        g_largest = size;
    }
    void* p = size > g_refuseAbove ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        g_refused += size > g_refuseAbove ? 1 : 0;
        throw std::bad_alloc();
    }
    return p;
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

std::string ExampleFile(int count) {
    CDTDoc doc;
    doc.ReplaceRecord(ExampleRecord(count), DocumentChange::Downloaded);
    std::ostringstream out;
    CArchive archive(out);
    EXPECT_TRUE(doc.Store(archive) && archive.Flush());
    return out.str();
}

struct CLoadOutcome {
    LoadResult Result;
    std::size_t LargestAllocation;
};

// `memoryLimit`: the largest single allocation the load may make.
CLoadOutcome LoadInto(CDTDoc& doc, const std::string& bytes, std::size_t memoryLimit = SIZE_MAX) {
    std::istringstream in(bytes);
    CRecordingPrompt prompt;
    CArchive archive(in);
    CAllocationWatch watch;
    g_refuseAbove = memoryLimit;
    const LoadResult result = doc.Load(archive, prompt);
    g_refuseAbove = SIZE_MAX;
    return {result, watch.Largest()};
}

void ExpectUntouched(const CDTDoc& doc) {
    EXPECT_EQ(doc.Record().SampleCount, 3);
    EXPECT_EQ(doc.Record().Levels[2], 55.2f);
    EXPECT_EQ(doc.Record().ModeText, "STOR");
    EXPECT_FALSE(doc.FileJustLoaded);
    EXPECT_FALSE(doc.LoadedFromFile);
}

CDTDoc CurrentDoc() {
    CDTDoc doc;
    doc.ReplaceRecord(ExampleRecord(3), DocumentChange::Downloaded);
    return doc;
}

TEST(SoundFileDamage, fileCutAtAnyByteIsRefused) {
    const std::string whole = ExampleFile(4);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        CDTDoc doc = CurrentDoc();
        const CLoadOutcome outcome = LoadInto(doc, whole.substr(0, length));
        EXPECT_EQ(outcome.Result, LoadResult::Damaged) << "cut at " << length;
        EXPECT_LE(outcome.LargestAllocation, std::max<std::size_t>(length, 64)) << length;
        ExpectUntouched(doc);
    }
}

TEST(SoundFileDamage, impossibleSampleCountsAreRefusedBeforeAllocating) {
    for (const std::int32_t count : {-1, -2147483647 - 1, 5, 1 << 20, 2147483647}) {
        std::string bytes = ExampleFile(4);
        for (int i = 0; i < 4; ++i) {
            bytes[8 + i] = static_cast<char>(static_cast<std::uint32_t>(count) >> (8 * i));
        }
        CDTDoc doc = CurrentDoc();
        const CLoadOutcome outcome = LoadInto(doc, bytes);
        EXPECT_EQ(outcome.Result, LoadResult::Damaged) << count;
        EXPECT_LE(outcome.LargestAllocation, bytes.size()) << count;
        ExpectUntouched(doc);
    }
}

// Counts the file really holds, but more than a file may hold or than memory takes.
TEST(SoundFileDamage, countsBeyondTheFileLimitOrTheMemoryAreRefused) {
    struct Case {
        int Readings;
        std::size_t MemoryLimit;
    };
    for (const Case& c : {Case{FILE_CAPACITY + 1, SIZE_MAX}, Case{100000, 100000}}) {
        const std::string bytes = ExampleFile(c.Readings);
        CDTDoc doc = CurrentDoc();
        g_refused = 0;
        const LoadResult result = LoadInto(doc, bytes, c.MemoryLimit).Result;
        EXPECT_EQ(g_refused, c.MemoryLimit == SIZE_MAX ? 0 : 1) << c.Readings;
        EXPECT_EQ(result, LoadResult::Damaged) << c.Readings;
        ExpectUntouched(doc);
    }
    CDTDoc doc = CurrentDoc();
    EXPECT_EQ(LoadInto(doc, ExampleFile(FILE_CAPACITY)).Result, LoadResult::Loaded);
}

TEST(SoundFileDamage, intervalsThatDoNotSpaceTheReadingsAreRefused) {
    const float inf = std::numeric_limits<float>::infinity();
    for (const float interval :
         {0.0f, -0.0f, -1.0f, inf, -inf, std::numeric_limits<float>::quiet_NaN()}) {
        std::string bytes = ExampleFile(1);
        const std::size_t at = 8 + 4 + 4 + 6 * 4;
        const auto raw = std::bit_cast<std::uint32_t>(interval);
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<char>(raw >> (8 * i));
        }
        CDTDoc doc = CurrentDoc();
        EXPECT_EQ(LoadInto(doc, bytes).Result, LoadResult::Damaged) << interval;
        ExpectUntouched(doc);
    }
}

TEST(SoundFileDamage, hugeTextLengthIsRefused) {
    std::string bytes = ExampleFile(1);
    // Replace the mean text's 1-byte prefix ("55.00 " is 6 bytes) by a 4 GiB length.
    const std::size_t average = 8 + 4 + 4 + 6 * 4 + 4;
    ASSERT_EQ(bytes[average], 6);
    bytes.replace(average, 1, "\xFF\xFF\xFF\xFF\xFF\xFF\xFF");
    CDTDoc doc = CurrentDoc();
    const CLoadOutcome outcome = LoadInto(doc, bytes);
    EXPECT_EQ(outcome.Result, LoadResult::Damaged);
    EXPECT_LE(outcome.LargestAllocation, bytes.size());
    ExpectUntouched(doc);
}

TEST(SoundFileDamage, impossibleStartTimeIsRefused) {
    std::string bytes = ExampleFile(1);
    bytes[8 + 4 + 4 + 4] = 13;  // month 13
    CDTDoc doc = CurrentDoc();
    EXPECT_EQ(LoadInto(doc, bytes).Result, LoadResult::Damaged);
    ExpectUntouched(doc);
}

TEST(SoundFileDamage, damagedFileOnDiskNamesTheFile) {
    CTempDir dir;
    const auto file = dir / "cut.sound";
    const std::string whole = ExampleFile(4);
    std::ofstream(file, std::ios::binary) << whole.substr(0, whole.size() - 1);
    CDTDoc doc = CurrentDoc();
    CRecordingPrompt prompt;
    EXPECT_EQ(doc.LoadFile(file, prompt), LoadResult::Damaged);
    ASSERT_EQ(prompt.Log.size(), 1u);
    EXPECT_NE(prompt.Log[0].Text.find(file.string()), std::string::npos);
    EXPECT_NE(prompt.Log[0].Text, "Invalid Format!");
    ExpectUntouched(doc);
}

}  // namespace
