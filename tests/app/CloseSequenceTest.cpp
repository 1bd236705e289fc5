#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "app/CMainFrame.h"
#include "document/CDTDoc.h"
#include "platform/CProfile.h"
#include "platform/CSettings.h"
#include "tests/CRecordingPrompt.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"
#include "tests/document/ExampleRecord.h"

namespace {

constexpr const char* CLOSE_QUESTION = "Do you want to save the data before closing?";

// A prompt that looks at the program's files at the moment it is asked.
class CObservingPrompt : public CRecordingPrompt {
public:
    bool AskYesNo(const std::string& text, PromptIcon icon) override {
        SettingsExistedWhenAsked = std::filesystem::exists(*SettingsFilePath());
        CDTDoc last;
        CRecordingPrompt quiet;
        LastMeasurementCountWhenAsked =
            last.LoadLastMeasurement(quiet) == LoadResult::Loaded ? last.Record().SampleCount : -1;
        return CRecordingPrompt::AskYesNo(text, icon);
    }

    bool SettingsExistedWhenAsked = false;
    int LastMeasurementCountWhenAsked = -1;
};

class CloseSequence : public CMainFrameTest<CObservingPrompt> {
protected:
    CloseSequence() : CMainFrameTest({.Size = {}}) {}

    int Questions() const {
        int count = 0;
        for (const auto& shown : m_prompt.Log) {
            count += shown.Question && shown.Text == CLOSE_QUESTION ? 1 : 0;
        }
        return count;
    }

    CTempDir m_dir;
};

TEST_F(CloseSequence, asksWithAQuestionIcon_whenMoreThanOneReadingIsUnsaved) {
    Unsaved(2);
    CloseFrame();
    ASSERT_EQ(Questions(), 1);
    EXPECT_EQ(m_prompt.Log.front().Icon, PromptIcon::Question);
    EXPECT_FALSE(m_doc.DownloadSinceSave);
    EXPECT_FALSE(m_doc.SetupSinceSave);
    EXPECT_TRUE(m_files.Offered.empty());  // answered No
}

TEST_F(CloseSequence, doesNotAsk_forOneReadingOrWithoutBothFlags) {
    struct Case {
        int Count;
        bool Download;
        bool Setup;
    };
    for (const Case c :
         {Case{1, true, true}, Case{0, true, true}, Case{2, false, true}, Case{2, true, false}}) {
        SCOPED_TRACE(testing::Message()
                     << c.Count << " readings, download " << c.Download << ", setup " << c.Setup);
        CDTDoc doc;
        CObservingPrompt prompt;
        CMainFrame frame(doc);
        frame.UseDialogs(prompt, m_files);
        doc.ReplaceRecord(ExampleRecord(c.Count), DocumentChange::Downloaded);
        doc.DownloadSinceSave = c.Download;
        doc.SetupSinceSave = c.Setup;
        frame.show();
        frame.close();
        ASSERT_TRUE(WaitFor([&frame] { return !frame.isVisible(); }));
        EXPECT_TRUE(prompt.Log.empty());
        // Without the question the flags stay as they were.
        EXPECT_EQ(doc.DownloadSinceSave, c.Download);
        EXPECT_EQ(doc.SetupSinceSave, c.Setup);
    }
}

TEST_F(CloseSequence, aFreshWindowWithADownloadAsks) {
    // A new window counts as set up; one download makes the data unsaved.
    EXPECT_TRUE(m_doc.SetupSinceSave);
    EXPECT_FALSE(m_doc.DownloadSinceSave);
    EXPECT_FALSE(m_doc.RealTimeActive);
    m_doc.ReplaceRecord(ExampleRecord(3), DocumentChange::Downloaded);
    m_doc.DownloadSinceSave = true;
    CloseFrame();
    EXPECT_EQ(Questions(), 1);
}

TEST_F(CloseSequence, yes_savesBothFilesUnderTheChosenName) {
    Unsaved(5);
    m_prompt.Answers = {true};
    m_files.Answer = m_dir / "evening.sound";
    CloseFrame();
    ASSERT_EQ(m_files.Offered.size(), 1u);
    EXPECT_TRUE(std::regex_match(m_files.Offered.front(),
                                 std::regex(R"(\d\d-\d\d-\d\d  \d\d\.\d\d\.\d\d)")));
    CDTDoc saved;
    ASSERT_EQ(saved.LoadFile(m_dir / "evening.sound", m_prompt), LoadResult::Loaded);
    EXPECT_EQ(saved.Record().SampleCount, 5);
    EXPECT_TRUE(std::filesystem::exists(m_dir / "evening.xls"));
    EXPECT_FALSE(m_doc.DownloadSinceSave);
    EXPECT_FALSE(m_doc.SetupSinceSave);
}

TEST_F(CloseSequence, yesThenCancel_writesNothingAndStillCloses) {
    Unsaved(5);
    m_prompt.Answers = {true};
    CloseFrame();
    EXPECT_EQ(m_files.Offered.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
    EXPECT_FALSE(m_doc.DownloadSinceSave);
}

TEST_F(CloseSequence, settingsAreWrittenBeforeTheQuestion) {
    Unsaved(2);
    CloseFrame();
    EXPECT_TRUE(m_prompt.SettingsExistedWhenAsked);
}

TEST_F(CloseSequence, realTimeRun_keepsTheSeriesAsLastMeasurementBeforeTheQuestion) {
    Unsaved(7);
    m_doc.RealTimeActive = true;
    CloseFrame();
    ASSERT_EQ(Questions(), 1);
    EXPECT_EQ(m_prompt.LastMeasurementCountWhenAsked, 7);
}

TEST_F(CloseSequence, realTimeRunOfOneReading_isKeptWithoutAQuestion) {
    Unsaved(1);
    m_doc.RealTimeActive = true;
    CloseFrame();
    EXPECT_EQ(Questions(), 0);
    CDTDoc last;
    ASSERT_EQ(last.LoadLastMeasurement(m_prompt), LoadResult::Loaded);
    EXPECT_EQ(last.Record().SampleCount, 1);
}

TEST_F(CloseSequence, withoutARun_theLastMeasurementIsLeftAlone) {
    Unsaved(4);
    CloseFrame();
    EXPECT_FALSE(std::filesystem::exists(*LastMeasurementPath()));
}

TEST_F(CloseSequence, theWindowGoesOnlyAfterTheSequence_andASecondRequestAsksNothingMore) {
    Unsaved(2);
    m_frame->close();
    EXPECT_TRUE(m_frame->isVisible());
    m_frame->close();
    ASSERT_TRUE(WaitFor([this] { return !m_frame->isVisible(); }));
    EXPECT_EQ(Questions(), 1);
}

TEST_F(CloseSequence, exitCommand_closesThroughTheSequence) {
    Unsaved(2);
    QAction* exit = nullptr;
    for (QAction* action : m_frame->findChildren<QAction*>()) {
        exit = action->text() == "&Exit" ? action : exit;
    }
    ASSERT_NE(exit, nullptr);
    ASSERT_TRUE(exit->isEnabled());
    exit->trigger();
    ASSERT_TRUE(WaitFor([this] { return !m_frame->isVisible(); }));
    EXPECT_EQ(Questions(), 1);
}

TEST_F(CloseSequence, dbcWrittenAtClose_readsBackAsDbc) {
    m_frame->Settings().Dba = 0;
    CloseFrame();
    CDTDoc doc;
    CMainFrame next(doc);
    EXPECT_EQ(UnitText(next.Settings().Dba), "dBC");
    EXPECT_EQ(ReadSettingsFile().GetString("DBA/DBC Info", "DBA/DBC", ""), "0");
}

TEST_F(CloseSequence, keysTheProgramDoesNotKnow_surviveAClose) {
    m_frame.reset();
    std::ofstream(*SettingsFilePath()) << "; my notes\n[Printer]\nName=Office\n"
                                          "[LEDInfo]\nLEDDATA=300\nBlink=fast\n";
    m_frame = std::make_unique<CMainFrame>(m_doc);
    m_frame->UseDialogs(m_prompt, m_files);
    EXPECT_EQ(m_frame->Settings().LedCycle, 44);
    m_frame->show();
    CloseFrame();
    const CProfile written = ReadSettingsFile();
    EXPECT_EQ(written.GetString("Printer", "Name", ""), "Office");
    EXPECT_EQ(written.GetString("LEDInfo", "Blink", ""), "fast");
    EXPECT_EQ(written.GetInt("LEDInfo", "LEDDATA", 0), 44);
    EXPECT_EQ(written.GetInt("VIEWInfo", "VIEW1", 0), 1);  // every key is written
    EXPECT_EQ(written.GetString("CAL Info", "CAL", ""), "1");
}

}  // namespace
