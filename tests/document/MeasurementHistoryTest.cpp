// The last measurement file never loses a measurement: what a save would replace goes into
// the history first, unless the new record holds all of it.

#include "document/MeasurementHistory.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fstream>

#include "document/CDTDoc.h"
#include "platform/ProgramDirectory.h"
#include "tests/CRecordingPrompt.h"
#include "tests/FileLimit.h"
#include "tests/document/ExampleRecord.h"

namespace {

// link() fails as on a file system without hard links while set; the calls it failed.
int g_failedLinks = -1;

}  // namespace

extern "C" int link(const char* from, const char* to) {
    if (g_failedLinks >= 0) {
        ++g_failedLinks;
        errno = EPERM;
        return -1;
    }
    return reinterpret_cast<int (*)(const char*, const char*)>(dlsym(RTLD_NEXT, "link"))(from, to);
}

namespace {

bool Save(const CMeasurementRecord& record, int minutesLater = 0) {
    CDTDoc doc;
    doc.Record() = record;
    doc.Record().StartTime += 60 * minutesLater;
    return doc.SaveLastMeasurement();
}

// Readings of the file; -1 when it cannot be read.
std::int32_t CountIn(const std::filesystem::path& file) {
    CDTDoc doc;
    CRecordingPrompt prompt;
    return doc.LoadFile(file, prompt) == LoadResult::Loaded ? doc.Record().SampleCount : -1;
}

TEST(MeasurementHistory, replacingTheLastMeasurement_keepsWhatTheNewRecordDoesNotHold) {
    CMeasurementRecord other = ExampleRecord(3), gap = ExampleRecord(2),
                       grownGap = ExampleRecord(3);
    other.Levels[1] = 80.0f;
    gap.Levels[1] = grownGap.Levels[1] = NAN;  // a reading the run missed
    const struct {
        CMeasurementRecord Before, After;  // Before: none without readings
        int MinutesLater;
        bool Kept;
    } cases[] = {{ExampleRecord(0), ExampleRecord(2), 0, false},
                 {ExampleRecord(2), ExampleRecord(2), 0, false},  // the same run again
                 {ExampleRecord(2), ExampleRecord(5), 0, false},  // the same run, grown
                 {gap, grownGap, 0, false},
                 {ExampleRecord(2), ExampleRecord(2), 60, true},  // another start
                 {ExampleRecord(3), other, 0, true},
                 {ExampleRecord(3), ExampleRecord(2), 0, true}};
    const auto history = ProgramDirectory() / HISTORY_FOLDER;
    for (const auto& c : cases) {
        std::filesystem::remove_all(ProgramDirectory());
        ASSERT_TRUE(c.Before.SampleCount == 0 || Save(c.Before));
        ASSERT_TRUE(Save(c.After, c.MinutesLater));
        EXPECT_EQ(CountIn(history / "2014-06-05_14-02-07.sound"),
                  c.Kept ? c.Before.SampleCount : -1);
        EXPECT_EQ(CountIn(*LastMeasurementPath()), c.After.SampleCount);
    }
    // An unreadable file is kept too; a save that fails moves nothing; the 20 newest stay.
    const auto entries = [&] { return std::filesystem::directory_iterator(history); };
    std::filesystem::remove_all(history);
    std::ofstream(*LastMeasurementPath()) << "not a measurement";
    ASSERT_TRUE(Save(ExampleRecord(3)));
    EXPECT_EQ(std::distance(entries(), {}), 1);
    {
        CFileSizeLimit limit(100);
        EXPECT_FALSE(Save(ExampleRecord(1000), 1));
    }
    EXPECT_EQ(CountIn(*LastMeasurementPath()), 3);
    for (int minutes = 1; minutes <= static_cast<int>(HISTORY_LIMIT); ++minutes) {
        ASSERT_TRUE(Save(ExampleRecord(3), minutes));
    }
    EXPECT_EQ(std::count_if(entries(), {}, [](const auto& e) { return CountIn(e.path()) == 3; }),
              static_cast<long>(HISTORY_LIMIT));
    // Without hard links the history gets a copy.
    std::filesystem::remove_all(history);
    g_failedLinks = 0;
    ASSERT_TRUE(Save(ExampleRecord(2), 30));
    EXPECT_GT(g_failedLinks, 0);
    g_failedLinks = -1;
    EXPECT_EQ(CountIn(history / "2014-06-05_14-22-07.sound"), 3);
}

}  // namespace
