// The workbook as a spreadsheet program reads it: LibreOffice Calc, run headless, turns each
// sheet into CSV. Skipped where LibreOffice is not installed.

#include "export/WorkbookExport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
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

}  // namespace
