#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "document/CDTDoc.h"
#include "document/CTextReport.h"
#include "tests/FileText.h"
#include "tests/TempDir.h"
#include "tests/cli/RunTool.h"
#include "tests/document/ExampleRecord.h"

namespace {

std::filesystem::path WriteExample(const CTempDir& dir, int count = 2) {
    CDTDoc doc;
    doc.ReplaceRecord(ExampleRecord(count), DocumentChange::Downloaded);
    const auto file = dir / "example.sound";
    EXPECT_TRUE(doc.StoreFile(file));
    return file;
}

TEST(CliUsage, helpAndUsageErrors) {
    const CToolRun help = RunTool({"--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("info"), std::string::npos);

    for (const auto& wrong : std::vector<std::vector<std::string>>{
             {}, {"nonsense"}, {"info"}, {"info", "a", "b"}, {"--bogus", "info", "x"}}) {
        const CToolRun run = RunTool(wrong);
        EXPECT_EQ(run.Status, 64);
        EXPECT_NE(run.Err.find("Usage"), std::string::npos);
        EXPECT_TRUE(run.Out.empty());
    }
}

TEST(CliInfo, printsTheElevenPanelTextsInOrder) {
    CTempDir dir;
    const CToolRun run = RunTool({"info", WriteExample(dir).string()});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out,
              "Start Time: 05/06/14 14:02:07\n"
              "Sample Rate: 1 s\n"
              "DataNo.: 2\n"
              "Unit: dBA\n"
              "Speed: FAST\n"
              "Mode: STOR\n"
              "Sound MAX: 55.1 @14:02:08 05/06/14\n"
              "MIN: 55.0 @14:02:07 05/06/14\n"
              "AVG: 55.05 \n"
              "Sound Alarm Hi: 130 \n"
              "Sound Alarm Low: 30 \n");
}

TEST(CliInfo, badFilesExitWithStatusTwo) {
    CTempDir dir;
    std::ofstream(dir / "wrong.sound", std::ios::binary) << "\x07"
                                                            "brantel";
    const CToolRun wrong = RunTool({"info", (dir / "wrong.sound").string()});
    EXPECT_EQ(wrong.Status, 2);
    EXPECT_EQ(wrong.Err, "Invalid Format!\n");

    const std::string whole = ReadFileText(WriteExample(dir));
    std::ofstream(dir / "cut.sound", std::ios::binary) << whole.substr(0, 20);
    const CToolRun cut = RunTool({"info", (dir / "cut.sound").string()});
    EXPECT_EQ(cut.Status, 2);
    EXPECT_NE(cut.Err.find("cut.sound"), std::string::npos);

    const CToolRun missing = RunTool({"info", (dir / "missing.sound").string()});
    EXPECT_EQ(missing.Status, 2);
    EXPECT_NE(missing.Err.find("missing.sound"), std::string::npos);
    EXPECT_TRUE(missing.Out.empty());
}

TEST(CliInfo, controlCharactersFromTheFileAreShownNotObeyed) {
    CTempDir dir;
    CDTDoc doc;
    doc.ReplaceRecord(ExampleRecord(2), DocumentChange::Downloaded);
    doc.Record().ModeText = "\x1B]0;owned\x07";
    doc.Record().AlarmHighText = "1\r\n2\x7F";
    ASSERT_TRUE(doc.StoreFile(dir / "odd.sound"));
    const CToolRun run = RunTool({"info", (dir / "odd.sound").string()});
    EXPECT_EQ(run.Status, 0);
    EXPECT_NE(run.Out.find("\nMode: \\x1B]0;owned\\x07\n"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("\nSound Alarm Hi: 1\\x0D\\x0A2\\x7F\n"), std::string::npos);
}

TEST(CliInfo, whatIsNotAPlainFileIsRefusedWithoutWaiting) {
    CTempDir dir;
    const auto pipe = dir / "pipe.sound";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // Should the tool wait for a writer, this one comes and goes.
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        close(open(pipe.c_str(), O_RDWR | O_NONBLOCK));
    });
    const CToolRun run = RunTool({"info", pipe.string()});
    writer.join();
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Err, "Cannot open the file \"" + pipe.string() + "\".\n");
}

TEST(CliOutput, outputThatCannotBeWrittenExitsOne) {
    CTempDir dir;
    const auto in = WriteExample(dir);
    std::ostream full(nullptr);  // every write fails, as on a full disk
    const CToolRun run = RunTool({"info", in.string()}, &full);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "The output could not be written.\n");
}

TEST(CliSave, writesThePairAndPrintsTheirPaths) {
    CTempDir dir;
    const auto in = WriteExample(dir, 10);
    const CToolRun run = RunTool({"save", in.string(), (dir / "copy.xls").string()});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, (dir / "copy.sound").string() + "\n" + (dir / "copy.xls").string() + "\n");
    EXPECT_EQ(ReadFileText(dir / "copy.sound"), ReadFileText(in));
    EXPECT_EQ(ReadFileText(dir / "copy.xls"), RunTool({"report", in.string()}).Out);
}

TEST(CliSave, unwritableTargetExitsWithStatusOne) {
    CTempDir dir;
    const auto in = WriteExample(dir);
    const CToolRun run = RunTool({"save", in.string(), (dir / "no folder" / "x").string()});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("x.sound"), std::string::npos);
    EXPECT_TRUE(run.Out.empty());
}

TEST(CliReport, writesTheReportBytes) {
    CTempDir dir;
    const CToolRun run = RunTool({"report", WriteExample(dir, 3).string()});
    EXPECT_EQ(run.Status, 0);
    std::ostringstream expected;
    ASSERT_TRUE(WriteTextReport(ExampleRecord(3), expected));
    EXPECT_EQ(run.Out, expected.str());
    EXPECT_NE(run.Out.find("3\t55.2\tdBA\t05-06-14/14:02:09\t\r\n"), std::string::npos);
}

TEST(CliList, printsTheDataListsRows_andRefusesABadFile) {
    CTempDir dir;
    const CToolRun run = RunTool({"list", WriteExample(dir, 3).string()});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out,
              "No.\tTime\tSound\tUnit\n"
              "1\t05/06/14 14:02:07\t55.0\tdBA\n"
              "2\t05/06/14 14:02:08\t55.1\tdBA\n"
              "3\t05/06/14 14:02:09\t55.2\tdBA\n");

    const CToolRun missing = RunTool({"list", (dir / "missing.sound").string()});
    EXPECT_EQ(missing.Status, 2);
    EXPECT_TRUE(missing.Out.empty());
}

}  // namespace
