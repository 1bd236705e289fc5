#include "document/CSaveCommand.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "document/CDTDoc.h"
#include "tests/CRecordingPrompt.h"
#include "tests/FileLimit.h"
#include "tests/FileText.h"
#include "tests/TempDir.h"
#include "tests/document/ExampleRecord.h"

namespace {

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

TEST(SaveCommandFailure, fullDiskPartWayKeepsThePreviousFilesAndFlags) {
    CTempDir dir;
    CDTDoc old = UnsavedDoc(2);
    CRecordingPrompt prompt;
    ASSERT_TRUE(RunSaveCommand(old, dir / "r.sound", prompt));
    const std::string soundBefore = ReadFileText(dir / "r.sound");
    const std::string reportBefore = ReadFileText(dir / "r.xls");

    // The report of 20000 readings is far larger than the limit; the measurement file
    // (80 KB) is too, so each of the two writes fails in turn as the limit grows.
    for (rlim_t limit : {rlim_t{1000}, rlim_t{50000}}) {
        CDTDoc doc = UnsavedDoc(20000);
        CRecordingPrompt failing;
        {
            CFileSizeLimit full(limit);
            EXPECT_FALSE(RunSaveCommand(doc, dir / "r.sound", failing));
        }
        EXPECT_TRUE(doc.SetupSinceSave);
        EXPECT_TRUE(doc.DownloadSinceSave);
        ASSERT_EQ(failing.Log.size(), 1u);
        EXPECT_NE(failing.Log[0].Text.find("could not be written"), std::string::npos);
        EXPECT_EQ(ReadFileText(dir / "r.sound"), soundBefore);
        EXPECT_EQ(ReadFileText(dir / "r.xls"), reportBefore);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                                std::filesystem::directory_iterator()),
                  2);
    }
}

}  // namespace
