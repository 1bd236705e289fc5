#include "platform/CAtomicFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/FileLimit.h"
#include "tests/FileText.h"
#include "tests/SyncFault.h"
#include "tests/TempDir.h"
#include "tests/Unprivileged.h"

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

// The temporary file reaches the disk before it replaces the target (the folder's sync after
// the rename cannot fail a commit); when it cannot, the target stays.
TEST(AtomicFile, failedSyncOfTheTemporaryFileFailsTheCommitAndKeepsTheOldFile) {
    CTempDir dir;
    std::ofstream(dir / "a.txt") << "old";
    CAtomicFile file(dir / "a.txt");
    ASSERT_TRUE(file.Open());
    const CSyncFault fault(1);
    EXPECT_FALSE(file.Commit());
    ASSERT_EQ(fault.Fired(), 1);
    EXPECT_EQ(ReadFileText(dir / "a.txt"), "old");
}

bool Write(const std::filesystem::path& target, const std::string& text) {
    CAtomicFile file(target);
    if (!file.Open()) {
        return false;
    }
    file.Stream() << text;
    return file.Commit();
}

// A folder and files that an ordinary user may write into (the tests may run as root).
void OpenToEveryone(const std::filesystem::path& path, std::filesystem::perms extra = {}) {
    std::filesystem::permissions(path, std::filesystem::perms::all | extra);
}

TEST(AtomicFileTarget, aLinkIsWrittenThroughToTheFileItNames) {
    CTempDir dir;
    std::filesystem::create_directory(dir / "data");
    std::ofstream(dir / "data" / "real.ini") << "old";
    std::filesystem::create_symlink("data/real.ini", dir / "link.ini");
    std::filesystem::create_symlink(dir / "link.ini", dir / "second.ini");  // a chain
    for (const char* link : {"link.ini", "second.ini"}) {
        ASSERT_TRUE(Write(dir / link, link)) << link;
        EXPECT_TRUE(std::filesystem::is_symlink(dir / link)) << link;
        EXPECT_EQ(ReadFileText(dir / "data" / "real.ini"), link);
    }
    EXPECT_EQ(EntriesIn(dir / "data"), 1u);
}

TEST(AtomicFileTarget, anExistingFileKeepsItsPermissions) {
    CTempDir dir;
    for (const mode_t mode : {0600, 0640, 0604, 0751}) {
        std::ofstream(dir / "a.sound") << "old";
        ASSERT_EQ(chmod((dir / "a.sound").c_str(), mode), 0);
        ASSERT_TRUE(Write(dir / "a.sound", "new")) << std::oct << mode;
        struct stat after {};
        ASSERT_EQ(stat((dir / "a.sound").c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(ReadFileText(dir / "a.sound"), "new");
    }
}

// Each case prepares the target in a folder open to everyone and tells whether it must be
// tried as an ordinary user.
TEST(AtomicFileTarget, aTargetTheUserCouldNotOpenForWritingIsRefused) {
    struct Case {
        const char* Name;
        std::function<void(const std::filesystem::path&)> Prepare;
        bool NeedsAnotherOwner;  // only root can give a file to someone else
    };
    const std::vector<Case> cases = {
        {"folder", [](const auto& t) { std::filesystem::create_directory(t); }, false},
        {"named pipe", [](const auto& t) { ASSERT_EQ(mkfifo(t.c_str(), 0666), 0); }, false},
        {"write-protected",
         [](const auto& t) {
             std::ofstream(t) << "old";
             std::filesystem::permissions(t, std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::group_read |
                                                 std::filesystem::perms::others_read);
         },
         false},
        {"someone else's in a sticky folder",
         [](const auto& t) {
             std::ofstream(t) << "old";
             OpenToEveryone(t);
             OpenToEveryone(t.parent_path(), std::filesystem::perms::sticky_bit);
         },
         true},
    };
    for (const Case& c : cases) {
        if (c.NeedsAnotherOwner && geteuid() != 0) {
            continue;
        }
        CTempDir dir;
        OpenToEveryone(dir.Path());
        const auto target = dir / "BRANTEL.ini";
        c.Prepare(target);
        const auto before = std::filesystem::symlink_status(target).type();
        const std::string contents =
            std::filesystem::is_regular_file(target) ? ReadFileText(target) : "";
        EXPECT_EQ(RunUnprivileged([&] {
                      CAtomicFile file(target);
                      return file.Open() ? 1 : 0;
                  }),
                  0)
            << c.Name;
        EXPECT_EQ(std::filesystem::symlink_status(target).type(), before) << c.Name;
        if (before == std::filesystem::file_type::regular) {
            EXPECT_EQ(ReadFileText(target), contents) << c.Name;
        }
        EXPECT_EQ(EntriesIn(dir.Path()), 1u) << c.Name << ": no temporary file is left";
    }
}

TEST(AtomicFileTarget, theLongestNameAFolderAllowsCanBeWritten) {
    CTempDir dir;
    const std::string name = std::string(249, 'n') + ".sound";
    ASSERT_EQ(name.size(), 255u);
    ASSERT_TRUE(Write(dir / name, "whole"));
    EXPECT_EQ(ReadFileText(dir / name), "whole");
}

// A writer in a child process that stops in the middle of its write: either it dies there,
// as a killed program would, or it waits until told to end.
class CInterruptedWriter {
public:
    CInterruptedWriter(const std::filesystem::path& target, bool dies) {
        int ready[2];
        int finish[2];
        if (pipe(ready) != 0 || pipe(finish) != 0) {
            return;
        }
        m_child = fork();
        if (m_child == 0) {
            close(ready[0]);
            close(finish[1]);
            auto* file = new CAtomicFile(target);  // never destroyed: nothing is cleaned up
            if (file->Open()) {
                file->Stream() << "half" << std::flush;
                static_cast<void>(write(ready[1], "r", 1));
                char byte = 0;
                static_cast<void>(dies || read(finish[0], &byte, 1));
            }
            _exit(0);
        }
        close(ready[1]);
        close(finish[0]);
        char byte = 0;
        m_started = read(ready[0], &byte, 1) == 1;
        close(ready[0]);
        m_finish = finish[1];
    }
    ~CInterruptedWriter() {
        close(m_finish);
        waitpid(m_child, nullptr, 0);
    }
    bool Started() const { return m_started; }
    void WaitUntilGone() { waitpid(m_child, nullptr, 0); }

private:
    pid_t m_child = -1;
    int m_finish = -1;
    bool m_started = false;
};

TEST(AtomicFileLeftovers, aKilledWritersTemporaryGoesAtTheNextWriteIntoItsFolder) {
    CTempDir dir;
    CInterruptedWriter busy(dir / "busy.sound", false);
    CInterruptedWriter killed(dir / "killed.sound", true);
    killed.WaitUntilGone();
    ASSERT_TRUE(killed.Started() && busy.Started());
    ASSERT_EQ(EntriesIn(dir.Path()), 2u) << "two temporary files";

    ASSERT_TRUE(Write(dir / "next.sound", "new"));
    EXPECT_EQ(EntriesIn(dir.Path()), 2u) << "the dead writer's file went, the live one's stayed";
    EXPECT_TRUE(std::filesystem::exists(dir / "next.sound"));
}

TEST(AtomicFileUndo, thePreviousFileComesBackOrTheNewOneGoes) {
    for (const bool existed : {true, false}) {
        CTempDir dir;
        if (existed) {
            std::ofstream(dir / "a.sound") << "old";
        }
        CAtomicFile file(dir / "a.sound");
        ASSERT_TRUE(file.Open());
        file.Stream() << "new";
        ASSERT_TRUE(file.Finish());
        ASSERT_TRUE(file.ReplaceKeepingPrevious());
        EXPECT_EQ(ReadFileText(dir / "a.sound"), "new");
        ASSERT_TRUE(file.Undo());
        EXPECT_EQ(std::filesystem::exists(dir / "a.sound"), existed);
        if (existed) {
            EXPECT_EQ(ReadFileText(dir / "a.sound"), "old");
        }
        EXPECT_EQ(EntriesIn(dir.Path()), existed ? 1u : 0u);
    }
}

}  // namespace
