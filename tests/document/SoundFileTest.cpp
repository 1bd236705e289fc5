#include <gtest/gtest.h>

#include <bit>
#include <fstream>
#include <sstream>
#include <string>

#include "document/CDTDoc.h"
#include "platform/CArchive.h"
#include "tests/CRecordingPrompt.h"
#include "tests/FileLimit.h"
#include "tests/FileText.h"
#include "tests/TempDir.h"
#include "tests/document/ExampleRecord.h"

namespace {

std::string Stored(const CDTDoc& doc) {
    std::ostringstream out;
    CArchive archive(out);
    EXPECT_TRUE(doc.Store(archive));
    EXPECT_TRUE(archive.Flush());
    return out.str();
}

LoadResult LoadBytes(CDTDoc& doc, const std::string& bytes, CPrompt& prompt) {
    std::istringstream in(bytes);
    CArchive archive(in);
    return doc.Load(archive, prompt);
}

void AppendInt(std::string& bytes, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<char>(v >> (8 * i)));
    }
}

void AppendText(std::string& bytes, const std::string& text) {
    bytes.push_back(static_cast<char>(text.size()));
    bytes += text;
}

CDTDoc DocWith(const CMeasurementRecord& record) {
    CDTDoc doc;
    doc.ReplaceRecord(record, DocumentChange::Downloaded);
    return doc;
}

TEST(SoundFileStore, exampleRecordGivesTheDocumentedBytes) {
    std::string expected;
    AppendText(expected, "Brantel");
    AppendInt(expected, 2);
    AppendInt(expected, 0x425C0000);  // 55.0
    AppendInt(expected, 0x425C6666);  // 55.1, the nearest single-precision value
    for (std::uint32_t v : {2014u, 6u, 5u, 14u, 2u, 7u}) {
        AppendInt(expected, v);
    }
    AppendInt(expected, 0x3F800000);  // 1.0 s
    AppendText(expected, "55.05 ");
    AppendText(expected, "55.1 @14:02:08 05/06/14");
    AppendText(expected, "55.0 @14:02:07 05/06/14");
    expected += '\x01';
    expected += '\x01';
    AppendText(expected, "STOR");
    AppendText(expected, "130 ");
    AppendText(expected, "30 ");

    EXPECT_EQ(Stored(DocWith(ExampleRecord())), expected);
}

TEST(SoundFileStore, loadGivesBackTheSameRecord) {
    CMeasurementRecord original = ExampleRecord(1000, 0.5f);
    original.Levels[17] = std::bit_cast<float>(0x7FC00001u);  // a NaN payload survives too
    original.IsDBA = 0;
    original.IsFast = 0;
    original.ModeText = "RT";
    original.AlarmHighText = "85";
    original.AlarmLowText = " -12xyz";
    original.MaxText = std::string(300, 'M');  // longer texts take the 3-byte prefix
    const std::string bytes = Stored(DocWith(original));

    CDTDoc doc;
    CRecordingPrompt prompt;
    ASSERT_EQ(LoadBytes(doc, bytes, prompt), LoadResult::Loaded);
    EXPECT_TRUE(prompt.Log.empty());
    const CMeasurementRecord& r = doc.Record();
    ASSERT_EQ(r.SampleCount, 1000);
    ASSERT_EQ(r.Capacity(), 1000);
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(r.Levels[i]),
                  std::bit_cast<std::uint32_t>(original.Levels[i]));
    }
    EXPECT_EQ(r.StartParts.Year, 2014);
    EXPECT_EQ(r.StartParts.Month, 6);
    EXPECT_EQ(r.StartParts.Second, 7);
    EXPECT_EQ(r.StartTime, original.StartTime);
    EXPECT_EQ(r.SampleInterval, 0.5f);
    EXPECT_EQ(r.AvgText, original.AvgText);
    EXPECT_EQ(r.MaxText, original.MaxText);
    EXPECT_EQ(r.MinText, original.MinText);
    EXPECT_EQ(r.IsDBA, 0);
    EXPECT_EQ(r.IsFast, 0);
    EXPECT_EQ(r.ModeText, "RT");
    EXPECT_EQ(r.AlarmHighText, "85");
    EXPECT_EQ(r.AlarmLowText, " -12xyz");
    EXPECT_EQ(r.AlarmHigh, 85.0f) << "the alarm level is the leading integer of its text";
    EXPECT_EQ(r.AlarmLow, -12.0f);
    EXPECT_TRUE(doc.FileJustLoaded);
    EXPECT_TRUE(doc.LoadedFromFile);
    EXPECT_TRUE(doc.ListCountStale);
    EXPECT_EQ(Stored(doc), bytes) << "storing the loaded record writes the same file";
}

TEST(SoundFileStore, startTimeInSummerAndWinterKeepsTheClockComponents) {
    for (int month : {1, 7}) {
        CMeasurementRecord original = ExampleRecord();
        original.StartTime = *MakeLocalTime({2014, month, 5, 2, 30, 0});
        CDTDoc doc;
        CRecordingPrompt prompt;
        ASSERT_EQ(LoadBytes(doc, Stored(DocWith(original)), prompt), LoadResult::Loaded);
        EXPECT_EQ(doc.Record().StartParts.Hour, 2);
        EXPECT_EQ(doc.Record().StartTime, original.StartTime);
    }
}

TEST(SoundFileStore, recordAcrossTheDaylightSavingChangeShowsClockTime) {
    // 60-second readings from 01:59 on 30 March 2014: the clock jumps from 02:00 to 03:00.
    CMeasurementRecord original = ExampleRecord(3, 60.0f);
    original.StartTime = *MakeLocalTime({2014, 3, 30, 1, 59, 0});
    original.RecomputeStatistics();
    EXPECT_EQ(FormatLocalTime(original.SampleTime(1), "%H:%M"), "03:00");
    CDTDoc doc;
    CRecordingPrompt prompt;
    ASSERT_EQ(LoadBytes(doc, Stored(DocWith(original)), prompt), LoadResult::Loaded);
    EXPECT_EQ(doc.Record().SampleTime(2), original.SampleTime(2));
}

TEST(SoundFileLoad, emptyRecordLoads) {
    const std::string bytes = Stored(DocWith(ExampleRecord(0)));
    CDTDoc doc = DocWith(ExampleRecord(5));
    CRecordingPrompt prompt;
    ASSERT_EQ(LoadBytes(doc, bytes, prompt), LoadResult::Loaded);
    EXPECT_EQ(doc.Record().SampleCount, 0);
    EXPECT_EQ(doc.Record().Capacity(), 0);
}

TEST(SoundFileLoad, signatureIsComparedCaseSensitively) {
    for (const std::string signature : {"brantel", "BRANTEL", "Brantel ", "Brante", ""}) {
        std::string bytes = Stored(DocWith(ExampleRecord()));
        bytes.replace(0, 8, std::string(1, static_cast<char>(signature.size())) + signature);
        CDTDoc doc = DocWith(ExampleRecord(7));
        doc.FileJustLoaded = false;
        CRecordingPrompt prompt;
        EXPECT_EQ(LoadBytes(doc, bytes, prompt), LoadResult::WrongSignature) << signature;
        EXPECT_EQ(prompt.Texts(), std::vector<std::string>{"Invalid Format!"});
        EXPECT_EQ(doc.Record().SampleCount, 7) << "the record is unchanged";
        EXPECT_FALSE(doc.FileJustLoaded);
    }
}

TEST(SoundFileLoad, viewsAreToldAboutALoad) {
    CDTDoc doc;
    std::vector<DocumentChange> seen;
    doc.AddView([&](DocumentChange change) { seen.push_back(change); });
    CRecordingPrompt prompt;
    ASSERT_EQ(LoadBytes(doc, Stored(DocWith(ExampleRecord())), prompt), LoadResult::Loaded);
    EXPECT_EQ(seen, std::vector<DocumentChange>{DocumentChange::Loaded});
}

TEST(SoundFileFiles, lastMeasurementIsKeptInTheProgramDirectory) {
    CDTDoc doc = DocWith(ExampleRecord(10));
    ASSERT_TRUE(doc.SaveLastMeasurement());
    const auto file = LastMeasurementPath();
    ASSERT_TRUE(file);
    EXPECT_EQ(file->filename(), "PreMeasure.sound");
    EXPECT_EQ(file->parent_path(), std::filesystem::path(std::getenv("DATALOGGER_HOME")));

    CDTDoc other;
    CRecordingPrompt prompt;
    ASSERT_EQ(other.LoadLastMeasurement(prompt), LoadResult::Loaded);
    EXPECT_EQ(other.Record().SampleCount, 10);
}

TEST(SoundFileFiles, missingFileCannotBeOpenedAndSaysNothing) {
    CTempDir dir;
    CDTDoc doc = DocWith(ExampleRecord(4));
    CRecordingPrompt prompt;
    EXPECT_EQ(doc.LoadFile(dir / "none.sound", prompt), LoadResult::CannotOpen);
    EXPECT_EQ(doc.LoadFile(dir.Path(), prompt), LoadResult::CannotOpen);
    EXPECT_TRUE(prompt.Log.empty());
    EXPECT_EQ(doc.Record().SampleCount, 4);
}

TEST(SoundFileFiles, failedStoreKeepsThePreviousFile) {
    CTempDir dir;
    const auto file = dir / "kept.sound";
    ASSERT_TRUE(DocWith(ExampleRecord(3)).StoreFile(file));
    const std::string before = ReadFileText(file);
    {
        CFileSizeLimit full(before.size() + 100);  // the 5000 new readings do not fit
        EXPECT_FALSE(DocWith(ExampleRecord(5000)).StoreFile(file));
    }
    EXPECT_EQ(ReadFileText(file), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
