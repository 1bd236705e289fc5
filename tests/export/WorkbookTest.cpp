// The workbook as a spreadsheet program reads it: LibreOffice Calc, run headless, turns each
// sheet into CSV. Skipped where LibreOffice is not installed.

#include "export/WorkbookExport.h"

#include <gtest/gtest.h>
#include <unzip.h>
#include <xlsxwriter/utility.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>

#include "tests/FileText.h"
#include "tests/TempDir.h"
#include "tests/export/ParseCsv.h"
#include "tests/export/RecordOfLevels.h"

namespace {

bool LibreOfficeInstalled() {
    return std::system("command -v soffice >/dev/null 2>&1") == 0;
}

// Sheet `sheet` (from 1) of the workbook as LibreOffice exports it, with every cell as shown.
CsvRows SheetAsCsv(const CTempDir& dir, const std::filesystem::path& workbook, int sheet) {
    const auto out = dir / ("sheet" + std::to_string(sheet));
    // Comma, double quotes, UTF-8, from line 1, cells as shown, the one sheet.
    const std::string filter =
        "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false," +
        std::to_string(sheet);
    const std::string command = "soffice -env:UserInstallation=file://" +
                                (dir / "profile").string() + " --headless --convert-to '" + filter +
                                "' --outdir '" + out.string() + "' '" + workbook.string() +
                                "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        return ParseCsv(ReadFileText(entry.path()));
    }
    ADD_FAILURE() << "LibreOffice wrote no file";
    return {};
}

TEST(Workbook, calcReadsTheReadingsAndTheSummary) {
    if (!LibreOfficeInstalled()) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }
    CTempDir dir;
    const auto file = dir / "measurement.xlsx";
    ASSERT_TRUE(WriteWorkbook(AcrossSummerTimeEnd(), file));

    const CsvRows readings = SheetAsCsv(dir, file, 1);
    const CsvRows expected = {
        {"No.", "Time", "Level (dBA)"},       {"1", "26/10/2014 01:30:00", "60.0"},
        {"2", "26/10/2014 02:00:00", "60.0"}, {"3", "26/10/2014 02:30:00", "80.0"},
        {"4", "26/10/2014 02:00:00", "70.0"}, {"5", "26/10/2014 02:30:00", "70.0"},
        {"6", "26/10/2014 03:00:00", "50.0"},
    };
    EXPECT_EQ(readings, expected);

    const CsvRows summary = SheetAsCsv(dir, file, 2);
    const auto row = [&](const std::string& label) {
        for (const auto& cells : summary) {
            if (!cells.empty() && cells[0] == label) {
                return cells;
            }
        }
        ADD_FAILURE() << "no row " << label;
        return std::vector<std::string>{};
    };
    EXPECT_EQ(row("Start Time").at(1), "26/10/14 01:30:00");
    EXPECT_EQ(row("DataNo.").at(1), "6");
    EXPECT_EQ(row("Sound MAX").at(1), "80.0 @02:30:00 26/10/14");
    EXPECT_EQ(row("LAeq").at(1), "73.1");
    EXPECT_EQ(row("LA90").at(1), "50.0");
    EXPECT_EQ(row("Duration").at(1), "3:00:00");
    EXPECT_EQ(row("Time at or above alarm high").at(1), "1:30:00");
    const auto hourHeader = row("Hour");
    EXPECT_EQ(hourHeader,
              (std::vector<std::string>{"Hour", "UTC offset", "Readings", "LAeq (dB)"}));
}

// A part of a workbook's archive, as text; empty when it is not there.
std::string ArchiveMember(const std::filesystem::path& workbook, const char* name) {
    std::string text;
    unzFile zip = unzOpen64(workbook.c_str());
    if (zip && unzLocateFile(zip, name, 1) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK) {
        char buffer[4096];
        int read = 0;
        while ((read = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<std::size_t>(read));
        }
        unzCloseCurrentFile(zip);
    }
    unzClose(zip);
    return text;
}

// The bound ("min" or "max") the chart sets on its time axis, the first of its value axes.
std::optional<double> TimeAxisBound(const std::string& chart, const std::string& bound) {
    const auto begin = chart.find("<c:valAx>");
    const std::string axis = chart.substr(begin, chart.find("</c:valAx>", begin) - begin);
    std::smatch found;
    if (begin == std::string::npos || axis.find("dd/mm hh:mm") == std::string::npos ||
        !std::regex_search(axis, found, std::regex("<c:" + bound + " val=\"([0-9.]+)\"/>"))) {
        return std::nullopt;
    }
    return std::stod(found[1]);
}

double SerialOf(LocalTimeParts t) {
    lxw_datetime dateTime{t.Year, t.Month, t.Day, t.Hour, t.Minute, static_cast<double>(t.Second)};
    return lxw_datetime_to_excel_datetime(&dateTime);
}

TEST(Workbook, theChartsTimeAxisSpansTheReadingsLocalTimes) {
    CTempDir dir;
    const struct {
        CMeasurementRecord Record;
        LocalTimeParts Earliest, Latest;
    } cases[] = {
        {RecordOfLevels({60.0f, 61.0f, 62.0f}, {2014, 6, 5, 23, 0, 0}, 1800.0f),
         {2014, 6, 5, 23, 0, 0},
         {2014, 6, 6, 0, 0, 0}},
        // Summer time ends half an hour in: the second reading is the earliest on the clock.
        {RecordOfLevels({60.0f, 61.0f, 62.0f}, {2014, 10, 26, 2, 30, 0}, 1800.0f),
         {2014, 10, 26, 2, 0, 0},
         {2014, 10, 26, 2, 30, 0}},
    };
    for (const auto& c : cases) {
        const auto file = dir / "chart.xlsx";
        ASSERT_TRUE(WriteWorkbook(c.Record, file));
        const std::string chart = ArchiveMember(file, "xl/charts/chart1.xml");
        ASSERT_FALSE(chart.empty());
        const auto earliest = TimeAxisBound(chart, "min");
        const auto latest = TimeAxisBound(chart, "max");
        ASSERT_TRUE(earliest && latest) << chart;
        EXPECT_NEAR(*earliest, SerialOf(c.Earliest), 1e-9);  // a tenth of a millisecond
        EXPECT_NEAR(*latest, SerialOf(c.Latest), 1e-9);
        // The line takes every reading: times in column B, levels in C, from row 2.
        const std::string last = std::to_string(c.Record.SampleCount + 1);
        EXPECT_NE(chart.find("Readings!$B$2:$B$" + last + "<"), std::string::npos) << chart;
        EXPECT_NE(chart.find("Readings!$C$2:$C$" + last + "<"), std::string::npos) << chart;
    }
    // One reading spans no time: the spreadsheet program picks the axis.
    const auto single = dir / "single.xlsx";
    ASSERT_TRUE(WriteWorkbook(RecordOfLevels({60.0f}), single));
    EXPECT_EQ(TimeAxisBound(ArchiveMember(single, "xl/charts/chart1.xml"), "min"), std::nullopt);
    // No readings, no chart.
    ASSERT_TRUE(WriteWorkbook(RecordOfLevels({}), single));
    EXPECT_EQ(ArchiveMember(single, "xl/charts/chart1.xml"), "");
}

TEST(Workbook, windowsTextsOfTheFileBecomeUtf8WithoutControlCharacters) {
    CTempDir dir;
    const auto file = dir / "measurement.xlsx";
    CMeasurementRecord record = RecordOfLevels({60.0f});
    record.ModeText = "caf\xE9 \x80\x93x\x94 \x81\x07.";
    ASSERT_TRUE(WriteWorkbook(record, file));
    EXPECT_NE(ArchiveMember(file, "xl/worksheets/sheet2.xml")
                  .find("caf\u00E9 \u20AC\u201Cx\u201D \uFFFD ."),
              std::string::npos);
}

}  // namespace
