#include "platform/CAtomicFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/FileLimit.h"
#include "tests/FileText.h"
#include "tests/TempDir.h"

namespace {

std::size_t EntriesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

TEST(AtomicFile, commitReplacesTheTarget) {
    CTempDir dir;
    std::ofstream(dir / "a.txt") << "old";
    CAtomicFile file(dir / "a.txt");
    ASSERT_TRUE(file.Open());
    file.Stream() << "new content";
    EXPECT_EQ(ReadFileText(dir / "a.txt"), "old") << "nothing changes before the commit";
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadFileText(dir / "a.txt"), "new content");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "no temporary file is left";
}

TEST(AtomicFile, abandonedWriteLeavesTheOldFileAndNoTemporary) {
    CTempDir dir;
    std::ofstream(dir / "a.txt") << "old";
    {
        CAtomicFile file(dir / "a.txt");
        ASSERT_TRUE(file.Open());
        file.Stream() << "half";
    }
    EXPECT_EQ(ReadFileText(dir / "a.txt"), "old");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(AtomicFile, missingFolderCannotBeOpened) {
    CTempDir dir;
    CAtomicFile file(dir / "no such folder" / "a.txt");
    EXPECT_FALSE(file.Open());
    EXPECT_FALSE(file.Commit());
}

TEST(AtomicFile, fullDiskFailsTheCommitAndKeepsTheOldFile) {
    CTempDir dir;
    std::ofstream(dir / "a.txt") << "old";
    CAtomicFile file(dir / "a.txt");
    ASSERT_TRUE(file.Open());
    {
        CFileSizeLimit limit(1000);
        file.Stream() << std::string(100000, 'x');
        EXPECT_FALSE(file.Finish());
    }
    EXPECT_FALSE(file.Replace());
    EXPECT_EQ(ReadFileText(dir / "a.txt"), "old");
}

}  // namespace
