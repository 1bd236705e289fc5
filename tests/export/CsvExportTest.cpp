#include "export/CsvExport.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "tests/export/ParseCsv.h"
#include "tests/export/RecordOfLevels.h"

namespace {

std::string CsvOf(const CMeasurementRecord& record) {
    std::ostringstream out;
    EXPECT_TRUE(WriteCsv(record, out));
    return out.str();
}

TEST(CsvExport, readBackAcrossTheEndOfSummerTime) {
    const std::string text = CsvOf(AcrossSummerTimeEnd());
    const CsvRows rows = ParseCsv(text);
    const CsvRows expected = {
        {"number", "time", "level_db", "weighting"},
        {"1", "2014-10-26T01:30:00+02:00", "60.0", "dBA"},
        {"2", "2014-10-26T02:00:00+02:00", "60.0", "dBA"},
        {"3", "2014-10-26T02:30:00+02:00", "80.0", "dBA"},
        {"4", "2014-10-26T02:00:00+01:00", "70.0", "dBA"},
        {"5", "2014-10-26T02:30:00+01:00", "70.0", "dBA"},
        {"6", "2014-10-26T03:00:00+01:00", "50.0", "dBA"},
    };
    EXPECT_EQ(rows, expected);
    // Every line ends with CR LF, the last one too.
    std::size_t lineEnds = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        EXPECT_EQ(text[at - 1], '\r');
        ++lineEnds;
    }
    EXPECT_EQ(lineEnds, expected.size());
    EXPECT_EQ(text.back(), '\n');

    // More than one 64 KiB piece handed to the stream (84 KB): every line once, in order.
    const CsvRows many = ParseCsv(CsvOf(RecordOfLevels(std::vector<float>(2000, 61.5f))));
    ASSERT_EQ(many.size(), 2001u);
    for (std::size_t i = 1; i < many.size(); ++i) {
        ASSERT_EQ(many[i][0], std::to_string(i));
    }
    EXPECT_EQ(many[1][1], "2014-06-05T14:02:07+02:00");  // a second apart: whole seconds
}

TEST(CsvExport, levelsWeightingAndEmptyRecords) {
    CMeasurementRecord r =
        RecordOfLevels({55.05f, 129.96f, -3.0f, std::numeric_limits<float>::quiet_NaN()},
                       {2014, 3, 30, 1, 59, 59}, 0.5f);
    r.IsDBA = 0;
    const CsvRows rows = ParseCsv(CsvOf(r));
    ASSERT_EQ(rows.size(), 5u);
    const CsvRows expected = {
        {"1", "2014-03-30T01:59:59.000+01:00", "55.0", "dBC"},  // 55.05f is 55.049999...
        {"2", "2014-03-30T01:59:59.500+01:00", "130.0", "dBC"},
        {"3", "2014-03-30T03:00:00.000+02:00", "-3.0", "dBC"},
        {"4", "2014-03-30T03:00:00.500+02:00", "", "dBC"},  // no level, the reading still there
    };
    EXPECT_EQ(CsvRows(rows.begin() + 1, rows.end()), expected);

    EXPECT_EQ(CsvOf(RecordOfLevels({})), "number,time,level_db,weighting\r\n");
}

TEST(CsvExport, aFailingStreamIsReported) {
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_FALSE(WriteCsv(RecordOfLevels({60.0f}), out));
}

}  // namespace
