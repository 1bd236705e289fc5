#include <gtest/gtest.h>

#include <limits>

#include "document/DataListRows.h"
#include "tests/document/ExampleRecord.h"

namespace {

using Row = std::array<std::string, LIST_COLUMNS>;

// Number, time by the sample-time rule, level and unit; nothing outside the readings held.
TEST(DataListRows, textsOfAReading) {
    CMeasurementRecord dbc = ExampleRecord(5, 2.0f);
    dbc.IsDBA = 0;
    CMeasurementRecord damaged = ExampleRecord(5);
    damaged.SampleCount = 9;  // more than it holds
    const CMeasurementRecord fast = ExampleRecord(129920, 0.05f);
    CMeasurementRecord gap = ExampleRecord(5);
    gap.Levels[1] = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* Name;
        const CMeasurementRecord& Record;
        std::int64_t Index;
        Row Expected;
    } cases[] = {
        {"first", dbc, 0, {"1", "05/06/14 14:02:07", "55.0", "dBC"}},
        {"last", dbc, 4, {"5", "05/06/14 14:02:15", "55.4", "dBC"}},
        {"at the end", dbc, 5, {}},
        {"before the start", dbc, -1, {}},
        {"without a level", gap, 1, {"2", "05/06/14 14:02:08", "----", "dBA"}},
        {"past what a damaged count claims", damaged, 5, {}},
        {"0.05 s, reading 19", fast, 19, {"20", "05/06/14 14:02:07", "56.9", "dBA"}},
        {"0.05 s, reading 20", fast, 20, {"21", "05/06/14 14:02:08", "57.0", "dBA"}},
        {"0.05 s, the last of a full memory",
         fast,
         129919,
         {"129920", "05/06/14 15:50:22", "96.9", "dBA"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ListRowTexts(c.Record, c.Index), c.Expected) << c.Name;
    }
}

TEST(DataListRows, twentyReadingsAt50msShareOneSecond) {
    const CMeasurementRecord record = ExampleRecord(60, 0.05f);
    for (int second = 0; second < 3; ++second) {
        const std::string time = ListRowTexts(record, second * 20)[1];
        for (int i = 1; i < 20; ++i) {
            EXPECT_EQ(ListRowTexts(record, second * 20 + i)[1], time) << second * 20 + i;
        }
        EXPECT_NE(ListRowTexts(record, second * 20 + 20)[1], time);
    }
}

}  // namespace
