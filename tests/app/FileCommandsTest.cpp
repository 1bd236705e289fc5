// Open, Previous Measurement and the document's own New, Open and Save (Ctrl+N, Ctrl+O,
// Ctrl+S): the save question, the file read, the zoom reset and what is said when a file
// cannot be used.

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "app/CMainFrame.h"
#include "document/CDTDoc.h"
#include "document/MeasurementHistory.h"
#include "graph/CDTView.h"
#include "platform/ProgramDirectory.h"
#include "platform/RecentFiles.h"
#include "tests/CRecordingPrompt.h"
#include "tests/ModalDialog.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"
#include "tests/document/ExampleRecord.h"

namespace {

constexpr const char* OPEN_QUESTION =
    "Do you want to save the existing graph data before continuing?";

class FileCommands : public CMainFrameTest<> {
protected:
    FileCommands() : CMainFrameTest({.Shown = false}) {}

    // A measurement file of `count` readings.
    std::filesystem::path MeasurementFile(const char* name, int count) {
        CDTDoc other;
        other.Record() = ExampleRecord(count);
        const auto file = m_dir / name;
        EXPECT_TRUE(other.StoreFile(file));
        return file;
    }

    int ReadingsIn(const std::filesystem::path& file) {
        CDTDoc reader;
        CRecordingPrompt quiet;
        return reader.LoadFile(file, quiet) == LoadResult::Loaded ? reader.Record().SampleCount
                                                                  : -1;
    }

    CTempDir m_dir;
};

TEST_F(FileCommands, open_asksToSaveOnlyUnsavedLoggerData_andCancelKeepsTheRecord) {
    const struct {
        const char* Name;
        int Count;
        bool FromFile;
        bool Download;
        bool Setup;
        bool Asks;
    } cases[] = {
        {"downloaded, unsaved", 3, false, true, true, true},
        {"no readings", 0, false, true, true, false},
        {"read from a file", 3, true, true, true, false},
        {"saved since the download", 3, false, false, true, false},
        {"saved since the setup", 3, false, true, false, false},
    };
    for (const auto& c : cases) {
        m_doc.ReplaceRecord(ExampleRecord(c.Count), DocumentChange::Downloaded);
        m_doc.LoadedFromFile = c.FromFile;
        m_doc.DownloadSinceSave = c.Download;
        m_doc.SetupSinceSave = c.Setup;
        m_prompt.Log.clear();
        const int dialogs = m_files.OpenDialogs;
        Run("&Open...");
        ASSERT_EQ(m_prompt.Log.size(), c.Asks ? 1u : 0u) << c.Name;
        if (c.Asks) {
            EXPECT_EQ(m_prompt.Log[0].Text, OPEN_QUESTION);
            EXPECT_TRUE(m_prompt.Log[0].Question);
            EXPECT_FALSE(m_doc.DownloadSinceSave) << c.Name;
            EXPECT_FALSE(m_doc.SetupSinceSave) << c.Name;
        }
        EXPECT_EQ(m_files.OpenDialogs, dialogs + 1) << c.Name;
        EXPECT_EQ(m_doc.Record().SampleCount, c.Count) << c.Name;  // the dialog was cancelled
        EXPECT_TRUE(m_files.Offered.empty()) << c.Name;            // answered No
        EXPECT_FALSE(m_frame->ZoomResetTimer().isActive()) << c.Name;
    }
}

TEST_F(FileCommands, open_yesSavesFirst_thenReadsTheFileAndShowsItUnzoomed) {
    Unsaved(3);
    m_prompt.Answers = {true};
    m_files.Answer = m_dir / "before.xls";
    m_files.OpenAnswer = MeasurementFile("other.sound", 9);
    Run("Open");  // the toolbar button
    EXPECT_EQ(ReadingsIn(m_dir / "before.sound"), 3);
    EXPECT_TRUE(std::filesystem::exists(m_dir / "before.xls"));
    EXPECT_EQ(m_doc.Record().SampleCount, 9);
    EXPECT_TRUE(m_doc.LoadedFromFile);
    EXPECT_TRUE(m_doc.PathName.empty());  // not the document's own open

    // Zoomed in the meantime: the reset 50 ms after the read shows the whole series.
    ASSERT_TRUE(m_frame->ZoomResetTimer().isActive());
    EXPECT_EQ(m_frame->ZoomResetTimer().interval(), 50);
    CGraphState& graph = m_frame->GraphView().State();
    graph.Zoomed = 1;
    graph.NeedBaseLayout = false;
    ASSERT_TRUE(WaitFor([this] { return !m_frame->ZoomResetTimer().isActive(); }));
    EXPECT_EQ(graph.Zoomed, 0);
    EXPECT_TRUE(graph.NeedBaseLayout);
}

TEST_F(FileCommands, open_aFileThatCannotBeUsed_keepsTheRecordAndSaysWhy) {
    const auto cut = m_dir / "cut.sound";
    {
        std::ofstream(cut, std::ios::binary) << "\x07"
                                                "Brantel\x05";
    }
    const auto foreign = m_dir / "foreign.sound";
    { std::ofstream(foreign, std::ios::binary) << "\x05Other and more"; }
    const struct {
        const char* Name;
        std::filesystem::path File;
        std::string Message;
    } cases[] = {
        {"missing", m_dir / "gone.sound", CannotOpenMessage(m_dir / "gone.sound")},
        {"a folder", m_dir.Path(), CannotOpenMessage(m_dir.Path())},
        {"cut short", cut, DamagedFileMessage(cut)},
        {"foreign", foreign, "Invalid Format!"},
    };
    m_doc.ReplaceRecord(ExampleRecord(4), DocumentChange::Downloaded);
    for (const auto& c : cases) {
        m_prompt.Log.clear();
        m_files.OpenAnswer = c.File;
        Run("&Open...");
        EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{c.Message}) << c.Name;
        EXPECT_EQ(m_doc.Record().SampleCount, 4) << c.Name;
        EXPECT_FALSE(m_frame->ZoomResetTimer().isActive()) << c.Name;
    }
}

TEST_F(FileCommands, previousMeasurement_readsTheLastOneWithoutQuestion_orSaysThereIsNone) {
    Unsaved(3);
    Run("Previous Measurement");
    ASSERT_EQ(m_prompt.Log.size(), 1u);
    EXPECT_FALSE(m_prompt.Log[0].Question);
    EXPECT_NE(m_prompt.Log[0].Text.find("no previous measurement"), std::string::npos);
    EXPECT_EQ(m_doc.Record().SampleCount, 3);

    CDTDoc earlier;
    earlier.Record() = ExampleRecord(6);
    ASSERT_TRUE(earlier.SaveLastMeasurement());
    m_prompt.Log.clear();
    Run("&Previous Measurement");  // from the instrument tree
    EXPECT_TRUE(m_prompt.Log.empty());
    EXPECT_EQ(m_doc.Record().SampleCount, 6);
    EXPECT_TRUE(m_frame->ZoomResetTimer().isActive());
}

TEST_F(FileCommands, documentNewOpenAndSave_keepToTheDocumentsFileName) {
    // Ctrl+O: no save question, no zoom reset; the file becomes the document's.
    Unsaved(3);
    const auto opened = MeasurementFile("opened.sound", 5);
    m_files.OpenAnswer = opened;
    Run("Open document");
    EXPECT_TRUE(m_prompt.Log.empty());
    EXPECT_EQ(m_doc.Record().SampleCount, 5);
    EXPECT_FALSE(m_frame->ZoomResetTimer().isActive());
    EXPECT_EQ(m_doc.PathName, opened);

    // Ctrl+S writes that file again, alone, without asking and without touching the flags.
    m_doc.Record() = ExampleRecord(8);
    m_doc.DownloadSinceSave = true;
    Run("Save document");
    EXPECT_TRUE(m_files.OfferedMeasurementNames.empty());
    EXPECT_EQ(ReadingsIn(opened), 8);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "opened.xls"));
    EXPECT_TRUE(m_doc.DownloadSinceSave);

    // Ctrl+N keeps the record and forgets the name: the next Ctrl+S asks for one.
    Run("New document");
    EXPECT_EQ(m_doc.Record().SampleCount, 8);
    EXPECT_TRUE(m_doc.PathName.empty());
    m_files.MeasurementAnswer = m_dir / "missing" / "named.sound";
    Run("Save document");
    EXPECT_EQ(m_files.OfferedMeasurementNames, std::vector<std::string>{"Untitled"});
    ASSERT_EQ(m_prompt.Log.size(), 1u);
    EXPECT_NE(m_prompt.Log[0].Text.find("could not be written"), std::string::npos);
    EXPECT_TRUE(m_doc.PathName.empty());

    m_files.MeasurementAnswer = m_dir / "named.sound";
    Run("Save document");
    EXPECT_EQ(ReadingsIn(m_dir / "named.sound"), 8);
    EXPECT_EQ(m_doc.PathName, m_dir / "named.sound");
}

// The File menu's recent files: newest first, still there after a restart, and a file that
// has gone is taken off the list with a word.
TEST_F(FileCommands, recentFiles_surviveARestart_andAGoneFileIsTakenOff) {
    const auto first = MeasurementFile("first.sound", 3);
    const auto second = MeasurementFile("second.sound", 5);
    for (const auto& file : {first, second}) {
        m_files.OpenAnswer = file;
        Run("&Open...");
    }
    m_frame.reset();
    CDTDoc restarted;
    const auto frame = StartMainFrame(restarted, m_prompt, m_files, {.Shown = false});
    QMenu* fileMenu = frame->menuBar()->actions().constFirst()->menu();
    const auto entries = [&] {
        emit fileMenu->aboutToShow();
        QStringList texts;
        for (const QAction* action : fileMenu->actions()) {
            if (action->text().startsWith(QStringLiteral("&")) && action->text()[1].isDigit()) {
                texts << action->text();
            }
        }
        return texts;
    };
    EXPECT_EQ(entries(), QStringList({"&1 second.sound", "&2 first.sound"}));
    std::filesystem::remove(second);
    m_prompt.Log.clear();
    ActionWithText(*frame, "&1 second.sound")->trigger();
    EXPECT_EQ(m_prompt.Texts(),
              std::vector<std::string>{"The file " + second.string() +
                                       " is no longer there; it has been taken off the list of "
                                       "recent files."});
    EXPECT_EQ(entries(), QStringList({"&1 first.sound"}));
    ActionWithText(*frame, "&1 first.sound")->trigger();
    EXPECT_EQ(restarted.Record().SampleCount, 3);
}

TEST_F(FileCommands, documentOpen_ofAForeignFile_doesNotMakeItTheDocumentsFile) {
    const auto foreign = m_dir / "foreign.sound";
    { std::ofstream(foreign, std::ios::binary) << "\x05Other and more"; }
    m_files.OpenAnswer = foreign;
    Run("Open document");
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{"Invalid Format!"});
    EXPECT_TRUE(m_doc.PathName.empty());  // Ctrl+S will not write over it
}

// File > Open leads to the hidden program folder and its history; a report starts in the
// documents folder until one is saved, then in the folder of the last report; the status bar
// says where a replaced measurement went.
TEST_F(FileCommands, fileDialogPlaces_andWhereAReplacedMeasurementWent) {
    CFileDialogs dialogs(m_frame.get());
    const auto documents = m_dir / "Documents";
    std::filesystem::create_directory(documents);
    const auto userDirs = std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "user-dirs.dirs";
    std::filesystem::create_directories(userDirs.parent_path());
    std::ofstream(userDirs) << "XDG_DOCUMENTS_DIR=\"" << documents.string() << "\"\n";
    QList<QUrl> places;
    QStringList reportFolders;
    // The reports first: Qt starts a dialog without a folder of its own where the last one was.
    for (const bool report : {true, true, false}) {
        WhileModal<QFileDialog>(
            [&] { report ? dialogs.ChooseReportName("x") : dialogs.ChooseOpenName(); },
            [&](QFileDialog& d) {
                if (report) {
                    reportFolders += d.directory().absolutePath();
                } else {
                    places += d.sidebarUrls();
                }
                d.reject();
            });
        if (reportFolders.size() == 1) {
            ASSERT_TRUE(RememberLastFolder(FileKind::Report, m_dir.Path()));
        }
    }
    std::filesystem::remove(userDirs);
    const auto history = HistoryFolder().value();
    for (const auto& folder : {ProgramDirectory(), history}) {
        EXPECT_TRUE(places.contains(QUrl::fromLocalFile(QFile::decodeName(folder.c_str()))))
            << folder;
    }
    EXPECT_EQ(reportFolders.join('|').toStdString(),
              documents.string() + '|' + m_dir.Path().string());
    for (const int count : {6, 3}) {
        m_doc.Record() = ExampleRecord(count);
        ASSERT_TRUE(m_doc.SaveLastMeasurement());
    }
    EXPECT_TRUE(
        m_frame->statusBar()->currentMessage().contains(QFile::decodeName(history.c_str())));
}

}  // namespace
