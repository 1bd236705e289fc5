#include "document/CTextReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "tests/document/ExampleRecord.h"

namespace {

std::vector<std::string> ReportLines(const CMeasurementRecord& record) {
    std::ostringstream out;
    EXPECT_TRUE(WriteTextReport(record, out));
    const std::string text = out.str();
    EXPECT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "the file ends with a line end";
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        EXPECT_EQ(line.find('\n'), std::string::npos) << "every line ends with CR LF";
        lines.push_back(line);
    }
    return lines;
}

std::string Headers(int groups) {
    std::string text;
    for (int g = 0; g < groups; ++g) {
        text += "NO\tSOUND\tUNIT\tTIME\t";
    }
    return text;
}

TEST(TextReport, headerOfTheExampleRecord) {
    const auto lines = ReportLines(ExampleRecord(2));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "                                 Test Report");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2],
              ">>Start Time: 05/06/14 14:02:07  Samprate: 1 s  Data number: 2  Speed:  FAST"
              "  Mode:  STOR");
    EXPECT_EQ(lines[3],
              ">>Sound MAX: 55.1 @14:02:08 05/06/14  Sound MIN: 55.0 @14:02:07 05/06/14"
              "  Sound AVG: 55.05 ");
    EXPECT_EQ(lines[4], std::string(150, '-'));
    EXPECT_EQ(lines[5], Headers(1));
    EXPECT_EQ(lines[6], "1\t55.0\tdBA\t05-06-14/14:02:07\t");
    EXPECT_EQ(lines[7], "2\t55.1\tdBA\t05-06-14/14:02:08\t");
}

TEST(TextReport, rowsUseTheSampleTimeRuleAndTheUnit) {
    CMeasurementRecord r = ExampleRecord(25, 0.05f);
    r.IsDBA = 0;
    const auto lines = ReportLines(r);
    ASSERT_EQ(lines.size(), 6u + 25u);
    EXPECT_EQ(lines[6 + 19], "20\t56.9\tdBC\t05-06-14/14:02:07\t");
    EXPECT_EQ(lines[6 + 20], "21\t57.0\tdBC\t05-06-14/14:02:08\t");
}

TEST(TextReport, levelsReadAsPrintfWritesThemAndImpossibleOnesAsAPlaceholder) {
    const std::vector<float> levels = {0.25f,
                                       0.35f,
                                       0.05f,
                                       -0.04f,
                                       -0.0f,
                                       150.05f,
                                       55.1f,
                                       99.95f,
                                       12345.65f,
                                       1.0e20f,
                                       -3.0e38f,
                                       std::numeric_limits<float>::infinity(),
                                       -std::numeric_limits<float>::infinity(),
                                       std::numeric_limits<float>::quiet_NaN()};
    CMeasurementRecord r = ExampleRecord(static_cast<int>(levels.size()));
    std::copy(levels.begin(), levels.end(), r.Levels.begin());
    const auto lines = ReportLines(r);
    ASSERT_EQ(lines.size(), 6u + levels.size());
    for (std::size_t i = 0; i < levels.size(); ++i) {
        char expected[400] = "----";
        if (std::isfinite(levels[i])) {
            std::snprintf(expected, sizeof expected, "%.1f", static_cast<double>(levels[i]));
        }
        const std::string& line = lines[6 + i];
        const auto start = line.find('\t') + 1;
        EXPECT_EQ(line.substr(start, line.find('\t', start) - start), expected) << i;
    }
}

TEST(TextReport, lineBreaksInTextsFromAFileStayOutOfTheHeader) {
    CMeasurementRecord r = ExampleRecord(1);
    r.ModeText = "ST\r\nOR";
    r.Info.SoundMax = "9\n9";
    r.Info.SoundAvg = "\r";
    const auto lines = ReportLines(r);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_TRUE(lines[2].ends_with("  Mode:  ST  OR")) << lines[2];
    EXPECT_TRUE(lines[3].starts_with(">>Sound MAX: 9 9  Sound MIN: ")) << lines[3];
    EXPECT_TRUE(lines[3].ends_with("  Sound AVG:  ")) << lines[3];
}

TEST(TextReport, sixtyThousandReadingsFillOneGroup) {
    const auto lines = ReportLines(ExampleRecord(60000));
    ASSERT_EQ(lines.size(), 6u + 60000u);
    EXPECT_EQ(lines[5], Headers(1));
    EXPECT_EQ(lines.back().substr(0, 6), "60000\t");
    EXPECT_EQ(std::count(lines.back().begin(), lines.back().end(), '\t'), 4);
}

TEST(TextReport, oneMoreReadingOpensASecondGroupInTheFirstRowOnly) {
    const auto lines = ReportLines(ExampleRecord(60001));
    ASSERT_EQ(lines.size(), 6u + 60000u);
    EXPECT_EQ(lines[5], Headers(2));
    EXPECT_EQ(lines[6], "1\t55.0\tdBA\t05-06-14/14:02:07\t60001\t105.0\tdBA\t06-06-14/06:42:07\t");
    EXPECT_EQ(std::count(lines[7].begin(), lines[7].end(), '\t'), 4);
}

TEST(TextReport, fullMemoryFillsThreeGroups) {
    const auto lines = ReportLines(ExampleRecord(STORED_CAPACITY));
    ASSERT_EQ(lines.size(), 6u + 60000u);
    EXPECT_EQ(lines[5], Headers(3));
    const auto groupsIn = [](const std::string& line) {
        return std::count(line.begin(), line.end(), '\t') / 4;
    };
    EXPECT_EQ(groupsIn(lines[6]), 3);
    EXPECT_EQ(groupsIn(lines[6 + 9919]), 3);
    EXPECT_EQ(groupsIn(lines[6 + 9920]), 2);
    EXPECT_EQ(lines[6 + 9919].substr(lines[6 + 9919].find("129920\t")).substr(0, 7), "129920\t");
}

TEST(TextReport, readingsBeyondThreeGroupsAreLeftOut) {
    const auto lines = ReportLines(ExampleRecord(180001));
    ASSERT_EQ(lines.size(), 6u + 60000u);
    EXPECT_EQ(lines[5], Headers(4)) << "the header still counts every group";
    EXPECT_EQ(lines[6].find("180001"), std::string::npos);
}

}  // namespace
