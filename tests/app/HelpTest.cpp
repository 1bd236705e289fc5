// Help topics: where the help file is found, what it holds, the help window and the message
// when it cannot be shown.

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QToolBar>

#include <gtest/gtest.h>

#include <fstream>

#include "app/CHelpFile.h"
#include "app/CHelpWindow.h"
#include "app/CMainFrame.h"
#include "app/OpenDocumentFile.h"
#include "document/CDTDoc.h"
#include "tests/CRecordingPrompt.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"
#include "tests/document/ExampleRecord.h"

namespace {

const std::filesystem::path BUILT_HELP = DATALOGGER_HELP_FILE;

void Touch(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

TEST(HelpFile, isFoundBesideTheProgramFirst_thenInTheInstalledDataFolder) {
    CTempDir root;
    const auto bin = root / "bin";
    std::filesystem::create_directories(bin);
    const auto beside = bin / "help.chm";
    const auto installed = root / "share" / "datalogger" / "help.chm";
    EXPECT_EQ(FindHelpFile(bin), std::nullopt) << "neither";
    std::filesystem::create_directories(beside);
    EXPECT_EQ(FindHelpFile(bin), std::nullopt) << "a folder of that name";
    std::filesystem::remove(beside);
    Touch(installed);
    EXPECT_EQ(FindHelpFile(bin), installed) << "installed";
    Touch(beside);
    EXPECT_EQ(FindHelpFile(bin), beside) << "both";
    const std::string missing = MissingHelpMessage(root / "elsewhere");
    EXPECT_NE(missing.find((root / "elsewhere").string()), std::string::npos);
    EXPECT_NE(missing.find((root / "share" / "datalogger" / "help.chm").string()),
              std::string::npos);
}

TEST(HelpFile, whatIsNoHelpFile_isNotOpened) {
    CTempDir dir;
    { std::ofstream(dir / "text.chm") << "plain text, not a compiled help file"; }
    { std::ofstream(dir / "empty.chm"); }
    for (const char* name : {"text.chm", "empty.chm", "missing.chm"}) {
        EXPECT_EQ(CHelpFile::Open(dir / name), nullptr) << name;
    }
}

// Every page the contents name is there, and the pages explain every command of the menus,
// the toolbar and the pop-up menu, the files the program writes and the command-line tool.
TEST(HelpFile, theBuiltHelpCoversEveryCommandAndFile) {
    const auto help = CHelpFile::Open(BUILT_HELP);
    ASSERT_NE(help, nullptr) << BUILT_HELP;
    const QString contents = QString::fromStdString(*help->Read(HELP_CONTENTS_PAGE));
    QString everything = contents;
    const QRegularExpression link(QStringLiteral("href=\"([^\"]+)\""));
    int pages = 0;
    for (const auto& match : link.globalMatch(contents)) {
        const auto page = help->Read("/" + match.captured(1).toStdString());
        ASSERT_TRUE(page) << match.captured(1).toStdString();
        everything += QString::fromStdString(*page);
        ++pages;
    }
    EXPECT_GE(pages, 8);

    CDTDoc doc;
    CMainFrame frame(doc);
    QStringList commands;
    for (QAction* action : frame.findChildren<QAction*>()) {
        const bool inMenuOrToolBar =
            qobject_cast<QMenu*>(action->parent()) || qobject_cast<QToolBar*>(action->parent());
        if (inMenuOrToolBar && !action->isSeparator() && !action->menu() &&
            !action->text().isEmpty() && action->text() != "Toolbar") {
            commands << QString(action->text()).remove(u'&');
        }
    }
    ASSERT_GE(commands.size(), 20);
    for (const QString& command : commands) {
        EXPECT_TRUE(everything.contains(command)) << command.toStdString();
    }
    for (const char* name : {".sound", ".xls", "BRANTEL.ini", "PreMeasure.sound", "datalogger-cli",
                             "Ctrl+O", "Ctrl+S", "Ctrl+N", "F6", "STOR", "RT"}) {
        EXPECT_TRUE(everything.contains(QString::fromLatin1(name))) << name;
    }
}

// What the help says of a file that cannot be read is what each way of opening it says: the
// command line and Ctrl+O, File > Open, and any of them for a foreign file.
TEST(HelpFile, saysWhatEachWayOfOpeningSaysOfAFileItCannotRead) {
    CTempDir dir;
    const auto cut = dir / "cut.sound";
    CDTDoc source;
    source.Record() = ExampleRecord(6);
    ASSERT_TRUE(source.StoreFile(cut));
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 3);
    std::ofstream(dir / "other.sound", std::ios::binary) << "\x07"
                                                            "foreign";
    CDTDoc doc;
    CRecordingPrompt prompt;
    OpenDocumentFile(doc, cut, prompt);
    doc.LoadFile(cut, prompt);
    OpenDocumentFile(doc, dir / "other.sound", prompt);
    ASSERT_EQ(prompt.Texts().size(), 3u);
    const auto help = CHelpFile::Open(BUILT_HELP);
    ASSERT_NE(help, nullptr) << BUILT_HELP;
    const QString files = QString::fromStdString(*help->Read("/files.html")).simplified();
    for (std::string text : prompt.Texts()) {
        if (const auto at = text.find(cut.string()); at != std::string::npos) {
            text.replace(at, cut.string().size(), "NAME");
        }
        EXPECT_TRUE(files.contains(QString::fromStdString(text).simplified())) << text;
    }
}

TEST(HelpWindow, opensOnTheContents_andFollowsLinksBackAndForth) {
    auto help = CHelpFile::Open(BUILT_HELP);
    ASSERT_NE(help, nullptr);
    CHelpWindow window(std::move(help));
    QTextBrowser& browser = window.Browser();
    EXPECT_EQ(browser.documentTitle(), "Datalogger Help");
    EXPECT_TRUE(browser.toPlainText().contains("Contents"));
    EXPECT_FALSE(window.testAttribute(Qt::WA_QuitOnClose));

    browser.setSource(browser.source().resolved(QUrl("commands.html")));  // as a click does
    EXPECT_EQ(browser.documentTitle(), "Commands");
    EXPECT_EQ(window.windowTitle(), "Datalogger Help - Commands");
    EXPECT_TRUE(browser.toPlainText().contains("Previous Measurement"));
    browser.backward();
    EXPECT_EQ(browser.documentTitle(), "Datalogger Help");
}

TEST(HelpTopics, withoutTheHelpFile_saysWhereItWasLookedFor) {
    ForgetProgramFiles();
    // The tests run where no help file lies beside them or in a data folder above them.
    const std::filesystem::path testDirectory =
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    ASSERT_EQ(FindHelpFile(testDirectory), std::nullopt);
    CDTDoc doc;
    CMainFrame frame(doc);
    CRecordingPrompt prompt;
    CScriptedFileChooser files;
    frame.UseDialogs(prompt, files);
    QAction* help = ActionWithText(frame, "&Help topics...");
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(help->isEnabled());
    help->trigger();
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{MissingHelpMessage(testDirectory)});
}

}  // namespace
