#include "platform/RecentFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CProfile.h"
#include "platform/CSettings.h"

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

}  // namespace
