// datalogger-cli stats, csv and xlsx.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "document/CDTDoc.h"
#include "export/CsvExport.h"
#include "tests/FileText.h"
#include "tests/TempDir.h"
#include "tests/cli/RunTool.h"
#include "tests/export/RecordOfLevels.h"

namespace {

// A measurement file of the levels from 26 October 2014 02:59:59 summer time, one every
// `interval` seconds, alarm levels 70 and 50 dB.
std::filesystem::path WriteMeasurement(const CTempDir& dir, const std::vector<float>& levels,
                                       float interval = 3600.0f) {
    CDTDoc doc;
    doc.ReplaceRecord(RecordOfLevels(levels, {2014, 10, 26, 2, 59, 59}, interval),
                      DocumentChange::Downloaded);
    const auto file = dir / "measurement.sound";
    EXPECT_TRUE(doc.StoreFile(file));
    return file;
}

TEST(CliStats, printsLabelledLevelsAndTimes) {
    CTempDir dir;
    const CToolRun run = RunTool({"stats", WriteMeasurement(dir, {60.0f, 80.0f}).string()});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out,
              "Readings: 2\n"
              "Interval: 3600 s\n"
              "Duration: 2:00:00\n"
              "Weighting: A\n"
              "LAeq: 77.0 dB\n"
              "SEL: 115.6 dB\n"
              "LA10: 80.0 dB\n"
              "LA50: 80.0 dB\n"
              "LA90: 60.0 dB\n"
              "Highest: 80.0 dB\n"
              "Lowest: 60.0 dB\n"
              "Arithmetic mean: 70.0 dB\n"
              "Alarm high: 70.0 dB\n"
              "Alarm low: 50.0 dB\n"
              "Time at or above alarm high: 1:00:00\n"
              "Time at or below alarm low: 0:00:00\n"
              "LAeq from 2014-10-26T02:00:00+02:00: 60.0 dB (1 reading)\n"
              "LAeq from 2014-10-26T02:00:00+01:00: 80.0 dB (1 reading)\n");
}

TEST(CliStats, jsonOfAFullAndAnEmptyRecord) {
    CTempDir dir;
    const CToolRun run =
        RunTool({"stats", "--json", WriteMeasurement(dir, {60.0f, 80.0f}).string()});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const nlohmann::json stats = nlohmann::json::parse(run.Out);
    EXPECT_EQ(stats["count"], 2);
    EXPECT_NEAR(stats["leq_db"].get<double>(), 77.03291, 1e-5);
    EXPECT_EQ(stats["hourly"][1]["start"], "2014-10-26T02:00:00+01:00");

    std::filesystem::remove(dir / "measurement.sound");
    const CToolRun empty = RunTool({"stats", "--json", WriteMeasurement(dir, {}).string()});
    ASSERT_EQ(empty.Status, 0) << empty.Err;
    const nlohmann::json none = nlohmann::json::parse(empty.Out);
    EXPECT_EQ(none["count"], 0);
    EXPECT_TRUE(none["leq_db"].is_null());
    EXPECT_TRUE(none["max_db"].is_null());
}

TEST(CliExport, csvToAFileOrStandardOutputAndAWorkbook) {
    CTempDir dir;
    const auto in = WriteMeasurement(dir, {60.0f, 80.0f, 70.0f}, 0.5f).string();
    const CToolRun printed = RunTool({"csv", in, "-"});
    ASSERT_EQ(printed.Status, 0) << printed.Err;
    EXPECT_EQ(printed.Out,
              "number,time,level_db,weighting\r\n"
              "1,2014-10-26T02:59:59.000+02:00,60.0,dBA\r\n"
              "2,2014-10-26T02:59:59.500+02:00,80.0,dBA\r\n"
              "3,2014-10-26T02:00:00.000+01:00,70.0,dBA\r\n");

    const CToolRun toFile = RunTool({"csv", in, (dir / "out.csv").string()});
    ASSERT_EQ(toFile.Status, 0) << toFile.Err;
    EXPECT_EQ(toFile.Out, "");
    EXPECT_EQ(ReadFileText(dir / "out.csv"), printed.Out);

    const CToolRun workbook = RunTool({"xlsx", in, (dir / "out.xlsx").string()});
    ASSERT_EQ(workbook.Status, 0) << workbook.Err;
    EXPECT_EQ(ReadFileText(dir / "out.xlsx").substr(0, 2), "PK");
}

TEST(CliExport, exitStatusesOfBadInputAndUnwritableOutput) {
    CTempDir dir;
    const auto in = WriteMeasurement(dir, {60.0f}).string();
    const auto missing = (dir / "missing.sound").string();
    const auto nowhere = (dir / "no folder" / "out").string();
    const auto link = (dir / "link.sound").string();
    std::filesystem::create_hard_link(in, link);
    const struct {
        std::vector<std::string> Arguments;
        int Status;
        std::string Named;  // the file the message names
    } cases[] = {
        {{"stats", missing}, 2, missing},
        {{"csv", missing, (dir / "x.csv").string()}, 2, missing},
        {{"xlsx", missing, (dir / "x.xlsx").string()}, 2, missing},
        {{"csv", in, nowhere}, 1, nowhere},
        {{"xlsx", in, nowhere}, 1, nowhere},
        {{"csv", in}, 64, ""},
        // The output is the input, by its name or another.
        {{"csv", in, in}, 64, in},
        {{"xlsx", in, link}, 64, link},
    };
    for (const auto& c : cases) {
        const CToolRun run = RunTool(c.Arguments);
        EXPECT_EQ(run.Status, c.Status) << c.Arguments[0] << " " << c.Arguments.back();
        EXPECT_NE(run.Err.find(c.Named), std::string::npos) << run.Err;
        EXPECT_EQ(run.Out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x.csv"));
    EXPECT_FALSE(std::filesystem::exists(dir / "x.xlsx"));
}

}  // namespace
