#include "platform/RecentFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/CProfile.h"
#include "platform/CSettings.h"
#include "tests/FileText.h"

namespace {

std::vector<std::string> RecentNow() {
    std::vector<std::string> names;
    for (const auto& file : ReadRecentFiles(ReadSettingsFile())) {
        names.push_back(file.string());
    }
    return names;
}

// Each row adds (+) or removes (-) a file and shows the list after it, newest first.
TEST(RecentFiles, newestFirstEachOnceAtMostEightAndKeptByTheSettingsWrite) {
    std::filesystem::remove(*SettingsFilePath());
    const struct {
        char Change;
        const char* File;
        std::vector<std::string> After;
    } steps[] = {{'+', "/a.sound", {"/a.sound"}},
                 {'+', "/b c.sound", {"/b c.sound", "/a.sound"}},
                 {'+', "/a.sound", {"/a.sound", "/b c.sound"}},
                 {'-', "/b c.sound", {"/a.sound"}},
                 {'-', "/gone.sound", {"/a.sound"}},
                 {'+', "/line\nbreak.sound", {"/a.sound"}}};
    for (const auto& step : steps) {
        // A name with a line break is refused rather than written into the settings file.
        EXPECT_EQ(step.Change == '+' ? AddRecentFile(step.File) : RemoveRecentFile(step.File),
                  std::string(step.File).find('\n') == std::string::npos);
        EXPECT_EQ(RecentNow(), step.After) << step.Change << step.File;
    }
    for (int i = 1; i <= 9; ++i) {
        ASSERT_TRUE(AddRecentFile("/" + std::to_string(i)));
    }
    const std::vector<std::string> eight = {"/9", "/8", "/7", "/6", "/5", "/4", "/3", "/2"};
    EXPECT_EQ(RecentNow(), eight);

    ASSERT_TRUE(RememberLastFolder(FileKind::Csv, "/exports"));
    ASSERT_TRUE(WriteSettingsFile(CFrameSettings{}, CViewSettings{}));  // as the close does
    EXPECT_EQ(RecentNow(), eight);
    EXPECT_EQ(ReadLastFolder(ReadSettingsFile(), FileKind::Csv), "/exports");
    EXPECT_EQ(ReadLastFolder(ReadSettingsFile(), FileKind::Workbook), "");
}

// A settings file written by hand, or by an earlier version, with the keys the program writes:
// the places are numbered from 1, one of them empty, one naming a file twice.
TEST(RecentFiles, aSettingsFileWrittenBefore_isReadPlaceByPlace) {
    std::ofstream(*SettingsFilePath())
        << "[Recent File List]\r\nFile1=/first.sound\r\nFile2=/second one.sound\r\n"
           "File3=\r\nFile4=/first.sound\r\nFile8=/eighth.sound\r\n"
           "[Folders]\r\nMeasurement=/m\r\nCSV=/c d\r\nWorkbook=/w\r\n";
    const std::vector<std::string> read = {"/first.sound", "/second one.sound", "/eighth.sound"};
    EXPECT_EQ(RecentNow(), read);
    const std::pair<FileKind, const char*> folders[] = {
        {FileKind::Measurement, "/m"}, {FileKind::Csv, "/c d"}, {FileKind::Workbook, "/w"}};
    for (const auto& [kind, folder] : folders) {
        EXPECT_EQ(ReadLastFolder(ReadSettingsFile(), kind), folder) << folder;
    }
    // A new file takes the first place, under the same key names.
    ASSERT_TRUE(AddRecentFile("/new.sound"));
    const std::string text = ReadFileText(*SettingsFilePath());
    for (const char* line : {"File1=/new.sound\r\n", "File2=/first.sound\r\n",
                             "File4=/eighth.sound\r\n", "File8=\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    }
}

}  // namespace
