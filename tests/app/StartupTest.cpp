#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/CMainFrame.h"
#include "app/CStartupSplash.h"
#include "app/CommandLine.h"
#include "app/OpenDocumentFile.h"
#include "app/ProgramResources.h"
#include "document/CDTDoc.h"
#include "platform/CSettings.h"
#include "platform/RecentFiles.h"
#include "tests/CRecordingPrompt.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"
#include "tests/document/ExampleRecord.h"

namespace {

struct Parsed {
    CCommandLine Result;
    std::string Out;
    std::string Err;
};

Parsed Parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "datalogger");
    std::ostringstream out;
    std::ostringstream err;
    CCommandLine result =
        ParseCommandLine(static_cast<int>(arguments.size()), arguments.data(), out, err);
    return {result, out.str(), err.str()};
}

TEST(CommandLine, aFileAndTheSimulatedLogger) {
    const Parsed none = Parse({});
    EXPECT_FALSE(none.Result.ExitCode);
    EXPECT_FALSE(none.Result.Options.File);
    EXPECT_FALSE(none.Result.Options.Simulate);

    const Parsed both = Parse({"--simulate", "/data/morning.sound"});
    EXPECT_FALSE(both.Result.ExitCode);
    EXPECT_EQ(both.Result.Options.File, std::filesystem::path("/data/morning.sound"));
    EXPECT_TRUE(both.Result.Options.Simulate);
}

TEST(CommandLine, helpAndVersionEndTheStartSuccessfully) {
    const Parsed help = Parse({"--help"});
    EXPECT_EQ(help.Result.ExitCode, 0);
    EXPECT_NE(help.Out.find("--simulate"), std::string::npos);
    EXPECT_NE(help.Out.find("FILE"), std::string::npos);
    const Parsed version = Parse({"--version"});
    EXPECT_EQ(version.Result.ExitCode, 0);
    EXPECT_EQ(version.Out, "datalogger 2.2\n");
}

TEST(CommandLine, usageErrorsAreReported) {
    const Parsed unknown = Parse({"--fast"});
    EXPECT_EQ(unknown.Result.ExitCode, 64);
    EXPECT_NE(unknown.Err.find("--fast"), std::string::npos);
    EXPECT_EQ(Parse({"a.sound", "b.sound"}).Result.ExitCode, 64);
}

class OpenAtStart : public ::testing::Test {
protected:
    void SetUp() override {
        CDTDoc source;
        source.ReplaceRecord(ExampleRecord(6), DocumentChange::Downloaded);
        ASSERT_TRUE(source.StoreFile(m_good));
        m_doc.ReplaceRecord(ExampleRecord(2), DocumentChange::Downloaded);
    }

    CTempDir m_dir;
    std::filesystem::path m_good = m_dir / "good.sound";
    CDTDoc m_doc;
    CRecordingPrompt m_prompt;
};

TEST_F(OpenAtStart, aGoodFileIsLoadedSilently) {
    EXPECT_TRUE(OpenDocumentFile(m_doc, m_good, m_prompt));
    EXPECT_TRUE(m_prompt.Log.empty());
    EXPECT_EQ(m_doc.Record().SampleCount, 6);
    EXPECT_TRUE(m_doc.LoadedFromFile);
}

TEST_F(OpenAtStart, aFileThatCannotBeOpened_failsWithTheFrameworkMessage) {
    EXPECT_FALSE(OpenDocumentFile(m_doc, m_dir / "missing.sound", m_prompt));
    EXPECT_FALSE(OpenDocumentFile(m_doc, m_dir.Path(), m_prompt));
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>(2, "Failed to open document."));
    EXPECT_EQ(m_doc.Record().SampleCount, 2);
}

TEST_F(OpenAtStart, aFileCutShort_failsAsUnexpectedFormatAndKeepsTheRecord) {
    const auto size = std::filesystem::file_size(m_good);
    std::filesystem::resize_file(m_good, size - 3);
    EXPECT_FALSE(OpenDocumentFile(m_doc, m_good, m_prompt));
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{"Unexpected file format."});
    EXPECT_EQ(m_doc.Record().SampleCount, 2);
}

TEST_F(OpenAtStart, aForeignFile_isRefusedButTheStartGoesOn) {
    std::ofstream(m_dir / "other.sound", std::ios::binary) << "\x07"
                                                              "brantel and more";
    EXPECT_TRUE(OpenDocumentFile(m_doc, m_dir / "other.sound", m_prompt));
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{"Invalid Format!"});
    EXPECT_EQ(m_doc.Record().SampleCount, 2);
}

TEST_F(OpenAtStart, messagesAtStartNameTheFileInTheProgramsCodePage) {
    const struct {
        std::string Name;
        std::string Shown;
    } cases[] = {{"other.sound", "other.sound"},
                 {"Gr\xC3\xB6\xC3\x9F" "e.sound", "Gr\xF6\xDF" "e.sound"},
                 {"\xE2\x82\xAC \xE2\x88\x9A.sound", "\x80 ?.sound"}};
    for (const auto& c : cases) {
        const auto file = m_dir / c.Name;
        std::ofstream(file, std::ios::binary) << "\x07" "foreign";
        CRecordingPrompt prompt;
        EXPECT_TRUE(OpenDocumentFileAtStart(m_doc, file, prompt));
        EXPECT_EQ(prompt.Texts(), std::vector<std::string>{"Invalid Format!\n\n" +
                                                           (m_dir / c.Shown).string()})
            << c.Name;
    }
}

// A file opened at start enters the recent files as one opened with File > Open; a foreign
// one, refused, does not.
TEST_F(OpenAtStart, aFileOpenedAtStart_entersTheRecentFiles) {
    ForgetProgramFiles();
    std::ofstream(m_dir / "other.sound", std::ios::binary) << "\x07"
                                                              "foreign";
    EXPECT_TRUE(OpenDocumentFileAtStart(m_doc, m_dir / "other.sound", m_prompt));
    EXPECT_TRUE(OpenDocumentFileAtStart(m_doc, m_good, m_prompt));
    EXPECT_EQ(ReadRecentFiles(ReadSettingsFile()), std::vector<std::filesystem::path>{m_good});
}

TEST_F(OpenAtStart, theTitleStaysAfterAFileIsOpened) {
    ForgetProgramFiles();
    CDTDoc doc;
    CMainFrame frame(doc);
    ASSERT_TRUE(OpenDocumentFile(doc, m_good, m_prompt));
    frame.InitialUpdate();
    frame.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(frame.windowTitle(), "Tesmer Brantel");
    EXPECT_EQ(frame.windowFilePath(), "");
}

TEST(StartupSplash, goesAfterItsTime) {
    QPointer<CStartupSplash> splash = new CStartupSplash(SplashPicture());
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->size(), QSize(460, 280));
    bool dismissed = false;
    QObject::connect(splash, &CStartupSplash::Dismissed, [&dismissed] { dismissed = true; });
    EXPECT_TRUE(WaitFor([&splash] { return splash.isNull(); }, 2000));
    EXPECT_TRUE(dismissed);
}

// A widget that counts the presses that reach it.
class CPressCounter : public QWidget {
public:
    int Presses = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++Presses; }
    void mousePressEvent(QMouseEvent*) override { ++Presses; }
};

TEST(StartupSplash, theFirstKeyOrMousePressDismissesItAndIsSwallowed) {
    CPressCounter target;
    target.show();
    for (const bool useKey : {true, false}) {
        QPointer<CStartupSplash> splash = new CStartupSplash(SplashPicture());
        if (useKey) {
            QTest::keyClick(&target, Qt::Key_A);
        } else {
            QTest::mouseClick(&target, Qt::LeftButton);
        }
        EXPECT_FALSE(splash->isVisible());
        EXPECT_EQ(target.Presses, 0);
        EXPECT_TRUE(WaitFor([&splash] { return splash.isNull(); }));
    }
    // Once it has gone, presses arrive again.
    QTest::keyClick(&target, Qt::Key_A);
    EXPECT_EQ(target.Presses, 1);
}

}  // namespace
