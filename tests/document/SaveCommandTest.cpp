#include "document/CSaveCommand.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "document/CDTDoc.h"
#include "tests/CRecordingPrompt.h"
#include "tests/FileLimit.h"
#include "tests/FileText.h"
#include "tests/RenameFault.h"
#include "tests/TempDir.h"
#include "tests/Unprivileged.h"
#include "tests/document/ExampleRecord.h"

namespace {

std::ptrdiff_t EntriesIn(const std::filesystem::path& folder) {
    return std::distance(std::filesystem::directory_iterator(folder),
                         std::filesystem::directory_iterator());
}

CDTDoc UnsavedDoc(int count) {
    CDTDoc doc;
    doc.ReplaceRecord(ExampleRecord(count), DocumentChange::Downloaded);
    doc.SetupSinceSave = true;
    doc.DownloadSinceSave = true;
    return doc;
}

TEST(SaveTargets, theNameIsCutAtItsLastDot) {
    EXPECT_EQ(SaveTargetsFor("/data/report.xls").SoundFile, "/data/report.sound");
    EXPECT_EQ(SaveTargetsFor("/data/report.xls").ReportFile, "/data/report.xls");
    EXPECT_EQ(SaveTargetsFor("/data/a.b.c.sound").SoundFile, "/data/a.b.c.sound");
    EXPECT_EQ(SaveTargetsFor("/data/a.b.c.sound").ReportFile, "/data/a.b.c.xls");
    EXPECT_EQ(SaveTargetsFor("relative/x.y").ReportFile, "relative/x.xls");
}

TEST(SaveTargets, aDotInAFolderIsNotAnExtension) {
    EXPECT_EQ(SaveTargetsFor("/my.data/report").SoundFile, "/my.data/report.sound");
    EXPECT_EQ(SaveTargetsFor("/my.data/report").ReportFile, "/my.data/report.xls");
}

TEST(SaveTargets, defaultNameIsTheLocalTime) {
    EXPECT_EQ(DefaultSaveName(*MakeLocalTime({2014, 6, 5, 14, 2, 7})), "14-06-05  14.02.07");
}

TEST(SaveCommand, writesBothFilesAndClearsTheFlags) {
    CTempDir dir;
    CDTDoc doc = UnsavedDoc(5);
    CRecordingPrompt prompt;
    ASSERT_TRUE(RunSaveCommand(doc, dir / "report.xls", prompt));
    EXPECT_TRUE(prompt.Log.empty());
    EXPECT_FALSE(doc.SetupSinceSave);
    EXPECT_FALSE(doc.DownloadSinceSave);

    CDTDoc reopened;
    ASSERT_EQ(reopened.LoadFile(dir / "report.sound", prompt), LoadResult::Loaded);
    EXPECT_EQ(reopened.Record().SampleCount, 5);
    EXPECT_EQ(ReadFileText(dir / "report.xls").substr(0, 44),
              "                                 Test Report");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              2)
        << "no temporary files are left";
}

TEST(SaveCommand, existingFilesAreReplaced) {
    CTempDir dir;
    std::ofstream(dir / "r.sound") << "old";
    std::ofstream(dir / "r.xls") << "old";
    CDTDoc doc = UnsavedDoc(3);
    CRecordingPrompt prompt;
    ASSERT_TRUE(RunSaveCommand(doc, dir / "r.sound", prompt));
    EXPECT_NE(ReadFileText(dir / "r.sound"), "old");
    EXPECT_NE(ReadFileText(dir / "r.xls"), "old");
}

TEST(SaveCommandFailure, folderThatCannotBeWrittenChangesNothing) {
    CTempDir dir;
    std::ofstream(dir / "not a folder") << "x";
    CDTDoc doc = UnsavedDoc(3);
    CRecordingPrompt prompt;
    EXPECT_FALSE(RunSaveCommand(doc, dir / "not a folder" / "r.sound", prompt));
    EXPECT_TRUE(doc.SetupSinceSave);
    EXPECT_TRUE(doc.DownloadSinceSave);
    ASSERT_EQ(prompt.Log.size(), 1u);
    EXPECT_NE(prompt.Log[0].Text.find("r.sound"), std::string::npos);
}

// Each of the two files is written in turn into a disk that fills up: first the report
// (a long series), then the measurement file (long alarm texts that only it holds).
TEST(SaveCommandFailure, aFullDiskFailsEitherFileAndKeepsThePreviousPairAndFlags) {
    CTempDir dir;
    CDTDoc old = UnsavedDoc(2);
    CRecordingPrompt prompt;
    ASSERT_TRUE(RunSaveCommand(old, dir / "r.sound", prompt));
    const std::string soundBefore = ReadFileText(dir / "r.sound");
    const std::string reportBefore = ReadFileText(dir / "r.xls");

    struct Case {
        int Readings;
        std::size_t AlarmText;
        const char* FailingFile;
    };
    for (const Case& c : {Case{20000, 3, "r.xls"}, Case{20, 200000, "r.sound"}}) {
        CDTDoc doc = UnsavedDoc(c.Readings);
        doc.Record().AlarmHighText = std::string(c.AlarmText, '9');
        CRecordingPrompt failing;
        {
            CFileSizeLimit full(50000);
            EXPECT_FALSE(RunSaveCommand(doc, dir / "r.sound", failing));
        }
        ASSERT_EQ(failing.Log.size(), 1u);
        EXPECT_NE(failing.Log[0].Text.find(std::string("/") + c.FailingFile +
                                           "\" could not be "
                                           "written"),
                  std::string::npos)
            << failing.Log[0].Text;
        EXPECT_TRUE(doc.SetupSinceSave);
        EXPECT_TRUE(doc.DownloadSinceSave);
        EXPECT_EQ(ReadFileText(dir / "r.sound"), soundBefore);
        EXPECT_EQ(ReadFileText(dir / "r.xls"), reportBefore);
        EXPECT_EQ(EntriesIn(dir.Path()), 2);
    }
}

// A report target that cannot be replaced stops the save before the measurement file
// changes. Each case prepares r.xls in a folder open to everyone, beside an earlier
// r.sound of the user's.
TEST(SaveCommandFailure, aReportTargetThatCannotBeReplacedLeavesBothFiles) {
    struct Case {
        const char* Name;
        std::function<void(const std::filesystem::path&)> Prepare;
        bool NeedsAnotherOwner;
    };
    const std::vector<Case> cases = {
        {"folder", [](const auto& t) { std::filesystem::create_directory(t); }, false},
        {"write-protected",
         [](const auto& t) {
             std::ofstream(t) << "old report";
             std::filesystem::permissions(
                 t, std::filesystem::perms::owner_read | std::filesystem::perms::others_read);
         },
         false},
        {"someone else's in a sticky folder",
         [](const auto& t) {
             std::ofstream(t) << "old report";
             std::filesystem::permissions(t, std::filesystem::perms::all);
             std::filesystem::permissions(
                 t.parent_path(), std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
         },
         true},
    };
    for (const Case& c : cases) {
        if (c.NeedsAnotherOwner && geteuid() != 0) {
            continue;
        }
        CTempDir dir;
        std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
        std::ofstream(dir / "r.sound") << "old measurement";
        if (geteuid() == 0) {
            ASSERT_EQ(chown((dir / "r.sound").c_str(), UNPRIVILEGED_USER, UNPRIVILEGED_USER), 0);
        }
        c.Prepare(dir / "r.xls");
        const int status = RunUnprivileged([&] {
            CDTDoc doc = UnsavedDoc(3);
            CRecordingPrompt failing;
            const bool saved = RunSaveCommand(doc, dir / "r.sound", failing);
            const bool told =
                failing.Log.size() == 1 && failing.Log[0].Text == CannotWriteMessage(dir / "r.xls");
            return !saved && told && doc.SetupSinceSave && doc.DownloadSinceSave ? 0 : 1;
        });
        EXPECT_EQ(status, 0) << c.Name;
        EXPECT_EQ(ReadFileText(dir / "r.sound"), "old measurement") << c.Name;
        if (std::filesystem::is_regular_file(dir / "r.xls")) {
            EXPECT_EQ(ReadFileText(dir / "r.xls"), "old report") << c.Name;
        }
        EXPECT_EQ(EntriesIn(dir.Path()), 2) << c.Name;
    }
}

// The report's rename fails after the measurement file took its place: the earlier
// measurement comes back; and when even that fails, the message says which file holds what.
TEST(SaveCommandFailure, aReportThatCannotTakeItsPlacePutsTheEarlierMeasurementBack) {
    CTempDir dir;
    std::ofstream(dir / "r.sound") << "old measurement";
    std::ofstream(dir / "r.xls") << "old report";
    {
        CDTDoc doc = UnsavedDoc(3);
        CRecordingPrompt failing;
        CRenameFault fault({2});  // 1 is the measurement file's, 2 the report's
        EXPECT_FALSE(RunSaveCommand(doc, dir / "r.sound", failing));
        ASSERT_EQ(fault.Fired(), 1);
        EXPECT_EQ(fault.Calls(), 3) << "the third puts the measurement file back";
        EXPECT_EQ(failing.Texts(), std::vector{CannotWriteMessage(dir / "r.xls")});
        EXPECT_TRUE(doc.SetupSinceSave);
    }
    EXPECT_EQ(ReadFileText(dir / "r.sound"), "old measurement");
    EXPECT_EQ(ReadFileText(dir / "r.xls"), "old report");
    EXPECT_EQ(EntriesIn(dir.Path()), 2);

    CDTDoc doc = UnsavedDoc(3);
    CRecordingPrompt failing;
    {
        CRenameFault fault({2, 3});
        EXPECT_FALSE(RunSaveCommand(doc, dir / "r.sound", failing));
        ASSERT_EQ(fault.Fired(), 2);
    }
    ASSERT_EQ(failing.Log.size(), 1u);
    const std::string& told = failing.Log[0].Text;
    EXPECT_NE(told.find("saved only in part: \"" + (dir / "r.sound").string() +
                        "\" holds the new measurement"),
              std::string::npos)
        << told;
    const auto kept = told.find("The earlier measurement is kept in \"");
    ASSERT_NE(kept, std::string::npos) << told;
    const std::string spare = told.substr(kept + 36, told.size() - kept - 38);
    EXPECT_EQ(ReadFileText(spare), "old measurement");
    EXPECT_EQ(ReadFileText(dir / "r.xls"), "old report");
    EXPECT_TRUE(doc.SetupSinceSave);

    // The only copy of the earlier measurement is no leftover: a later program's save into
    // the folder keeps it.
    const pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    const std::string name = std::filesystem::path(spare).filename().string();
    const auto ownerless = dir / (name.substr(0, name.find('-') + 1) + std::to_string(ended) +
                                  name.substr(name.rfind('-')));
    std::filesystem::rename(spare, ownerless);
    ASSERT_TRUE(RunSaveCommand(doc, dir / "later.sound", failing));
    EXPECT_EQ(ReadFileText(ownerless), "old measurement");
}

}  // namespace
