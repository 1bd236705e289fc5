// The last measurement file never loses a measurement: what a save would replace goes into
// the history first, unless the new record holds all of it.

#include "document/MeasurementHistory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <limits>

#include "document/CDTDoc.h"
#include "platform/ProgramDirectory.h"
#include "tests/CRecordingPrompt.h"
#include "tests/FileLimit.h"
#include "tests/document/ExampleRecord.h"

namespace {

std::vector<std::string> HistoryNames() {
    std::vector<std::string> names;
    std::error_code missing;
    for (const auto& entry :
         std::filesystem::directory_iterator(ProgramDirectory() / HISTORY_FOLDER, missing)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool Save(const CMeasurementRecord& record) {
    CDTDoc doc;
    doc.Record() = record;
    return doc.SaveLastMeasurement();
}

std::int32_t CountIn(const std::filesystem::path& file) {
    CDTDoc doc;
    CRecordingPrompt prompt;
    return doc.LoadFile(file, prompt) == LoadResult::Loaded ? doc.Record().SampleCount : -1;
}

CMeasurementRecord StartedLater(int minutes) {
    CMeasurementRecord r = ExampleRecord(3);
    r.StartTime += 60 * minutes;
    return r;
}

// The example record with its second reading missed (no level).
CMeasurementRecord WithAGap(int count) {
    CMeasurementRecord r = ExampleRecord(count);
    r.Levels[1] = std::numeric_limits<float>::quiet_NaN();
    return r;
}

TEST(MeasurementHistory, savingTheLastMeasurement_keepsWhatItHeldUnlessTheNewRecordHoldsIt) {
    CMeasurementRecord otherLevels = ExampleRecord(3);
    otherLevels.Levels[1] = 80.0f;
    const struct {
        const char* Case;
        CMeasurementRecord Before;  // in the file before; none without readings
        CMeasurementRecord After;
        bool Kept;
    } cases[] = {
        {"no last measurement", ExampleRecord(0), ExampleRecord(2), false},
        {"the same run, grown", ExampleRecord(2), ExampleRecord(5), false},
        {"the same run again", ExampleRecord(2), ExampleRecord(2), false},
        {"the same run with a missed reading", WithAGap(2), WithAGap(3), false},
        {"another start", ExampleRecord(2), StartedLater(60), true},
        {"other readings", ExampleRecord(3), otherLevels, true},
        {"fewer readings", ExampleRecord(3), ExampleRecord(2), true},
    };
    const auto kept = ProgramDirectory() / HISTORY_FOLDER / "2014-06-05_14-02-07.sound";
    for (const auto& c : cases) {
        std::filesystem::remove_all(ProgramDirectory());
        ASSERT_TRUE(c.Before.SampleCount == 0 || Save(c.Before));
        ASSERT_TRUE(Save(c.After)) << c.Case;
        EXPECT_EQ(HistoryNames().size(), c.Kept ? 1u : 0u) << c.Case;
        EXPECT_EQ(CountIn(kept), c.Kept ? c.Before.SampleCount : -1) << c.Case;
        EXPECT_EQ(CountIn(*LastMeasurementPath()), c.After.SampleCount) << c.Case;
    }
}

TEST(MeasurementHistory, unreadableFileFailedSaveAndBound_keepTheNewestAndNeverLoseOne) {
    std::filesystem::remove_all(ProgramDirectory());
    std::ofstream(*LastMeasurementPath()) << "not a measurement";
    ASSERT_TRUE(Save(StartedLater(0)));
    ASSERT_EQ(HistoryNames().size(), 1u);
    EXPECT_TRUE(HistoryNames()[0].ends_with("-unreadable.sound")) << HistoryNames()[0];
    {
        CFileSizeLimit limit(100);  // the new file cannot be written: nothing moves
        EXPECT_FALSE(Save(ExampleRecord(1000)));
    }
    EXPECT_EQ(HistoryNames().size(), 1u);
    EXPECT_EQ(CountIn(*LastMeasurementPath()), 3);
    for (int minutes = 1; minutes <= 25; ++minutes) {
        ASSERT_TRUE(Save(StartedLater(minutes)));
    }
    // 26 kept, the unreadable file and the runs of minutes 0 to 4 went first.
    const std::vector<std::string> names = HistoryNames();
    ASSERT_EQ(names.size(), HISTORY_LIMIT);
    EXPECT_EQ(names.front(), "2014-06-05_14-07-07.sound");
    EXPECT_EQ(names.back(), "2014-06-05_14-26-07.sound");
}

}  // namespace
