#include "export/ExportFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "export/CsvExport.h"
#include "export/WorkbookCheck.h"
#include "export/WorkbookExport.h"
#include "tests/FileLimit.h"
#include "tests/FileText.h"
#include "tests/SmallFileSystem.h"
#include "tests/TempDir.h"
#include "tests/export/RecordOfLevels.h"

namespace {

constexpr ExportFormat FORMATS[] = {ExportFormat::Csv, ExportFormat::Workbook};

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files.push_back(entry.path().filename());
    }
    return files;
}

TEST(ExportFiles, writeTheWholeFileAndReplaceAnEarlierOne) {
    CTempDir dir;
    const CMeasurementRecord record = RecordOfLevels({60.0f, 80.0f});
    for (const ExportFormat format : FORMATS) {
        const auto file = dir / "out";
        std::ofstream(file) << "an earlier file";
        ASSERT_TRUE(ExportToFile(record, format, file));
        const std::string written = ReadFileText(file);
        if (format == ExportFormat::Csv) {
            std::ostringstream csv;
            ASSERT_TRUE(WriteCsv(record, csv));
            EXPECT_EQ(written, csv.str());
        } else {
            EXPECT_EQ(written.substr(0, 4), std::string("PK\x03\x04", 4)) << "a zip archive";
        }
        EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::filesystem::path>{"out"});
    }
}

TEST(ExportFiles, aFailureLeavesWhatWasThereAndNoPartialFile) {
    CTempDir dir;
    // Big enough that neither format fits under the limit below.
    const CMeasurementRecord record = RecordOfLevels(std::vector<float>(20000, 61.5f));
    constexpr rlim_t LIMIT = 16 * 1024;
    CSmallFileSystem disk;
    for (const ExportFormat format : FORMATS) {
        const auto whole = dir / "whole";
        ASSERT_TRUE(ExportToFile(record, format, whole));
        ASSERT_GT(std::filesystem::file_size(whole), LIMIT) << "the limit cuts the export short";
        std::filesystem::remove(whole);

        const auto file = dir / "kept";
        std::ofstream(file) << "an earlier file";
        {
            const CFileSizeLimit full(LIMIT);
            EXPECT_FALSE(ExportToFile(record, format, file));
        }
        EXPECT_EQ(ReadFileText(file), "an earlier file");
        EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::filesystem::path>{"kept"});

        // A full disk under the target only: the scratch copy of a workbook has room elsewhere.
        if (disk.Available()) {
            std::ofstream(disk.Path() / "kept") << "an earlier file";
            ASSERT_TRUE(disk.Resize(disk.Used() + LIMIT));
            EXPECT_FALSE(ExportToFile(record, format, disk.Path() / "kept"));
            EXPECT_EQ(ReadFileText(disk.Path() / "kept"), "an earlier file");
            EXPECT_EQ(FilesIn(disk.Path()), std::vector<std::filesystem::path>{"kept"});
            ASSERT_TRUE(disk.Resize(64 << 20));
        }
    }

    const auto nowhere = dir / "missing folder" / "out.csv";
    for (const ExportFormat format : FORMATS) {
        EXPECT_FALSE(ExportToFile(record, format, nowhere));
        EXPECT_FALSE(std::filesystem::exists(nowhere.parent_path()));
    }
    EXPECT_NE(ExportFailedMessage(nowhere).find("\"" + nowhere.string() + "\""), std::string::npos);
}

TEST(WorkbookCheck, tellsACutWorkbookFromAWholeOne) {
    CTempDir dir;
    const CMeasurementRecord record = RecordOfLevels(std::vector<float>(20000, 61.5f));
    const auto whole = dir / "whole.xlsx";
    ASSERT_TRUE(WriteWorkbook(record, whole));
    EXPECT_TRUE(WorkbookIsWhole(whole));

    // A full temporary folder: libxlsxwriter packs the parts it could write only in part.
    const auto cut = dir / "cut.xlsx";
    {
        const CFileSizeLimit full(64 * 1024);
        static_cast<void>(WriteWorkbook(record, cut));  // its own verdict is not to be trusted
    }
    if (std::filesystem::exists(cut)) {
        ASSERT_LT(std::filesystem::file_size(cut), std::filesystem::file_size(whole))
            << "the limit cut the workbook";
        EXPECT_FALSE(WorkbookIsWhole(cut));
    }

    const std::string bytes = ReadFileText(whole);
    std::ofstream(dir / "truncated.xlsx", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    std::ofstream(dir / "text.xlsx") << "not a workbook";
    for (const char* name : {"truncated.xlsx", "text.xlsx", "missing.xlsx"}) {
        EXPECT_FALSE(WorkbookIsWhole(dir / name)) << name;
    }
}

}  // namespace
