#pragma once

#include <QSize>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/CFileChooser.h"
#include "app/CMainFrame.h"
#include "document/CDTDoc.h"
#include "tests/CRecordingPrompt.h"

class QAction;
class QString;
class QWidget;

// The file dialogs of the tests: remember the names they were offered and give scripted
// answers (Cancel when there is none).
class CScriptedFileChooser : public CFileChooser {
public:
    std::optional<std::filesystem::path> ChooseOpenName() override {
        ++OpenDialogs;
        return OpenAnswer;
    }
    std::optional<std::filesystem::path> ChooseArchiveName() override { return ArchiveAnswer; }
    std::optional<std::filesystem::path> ChooseSaveName(const std::string& defaultName) override {
        Offered.push_back(defaultName);
        return Answer;
    }
    std::optional<std::filesystem::path> ChooseMeasurementSaveName(
        const std::string& defaultName) override {
        OfferedMeasurementNames.push_back(defaultName);
        return MeasurementAnswer;
    }

    std::optional<std::filesystem::path> ChooseExportName(ExportFormat format,
                                                          const std::string& defaultName) override {
        OfferedExports.emplace_back(format, defaultName);
        return ExportAnswer;
    }
    std::optional<std::filesystem::path> ChooseReportName(const std::string& defaultName) override {
        OfferedReports.push_back(defaultName);
        return ExportAnswer;
    }

    std::optional<std::filesystem::path> Answer;  // the Save command's
    std::vector<std::string> Offered;
    std::optional<std::filesystem::path> OpenAnswer;
    std::optional<std::filesystem::path> ArchiveAnswer;
    int OpenDialogs = 0;
    std::optional<std::filesystem::path> MeasurementAnswer;  // the document's own save
    std::vector<std::string> OfferedMeasurementNames;
    std::optional<std::filesystem::path> ExportAnswer;  // the export commands'
    std::vector<std::pair<ExportFormat, std::string>> OfferedExports;
    std::vector<std::string> OfferedReports;
};

// Runs the event loop until the condition holds or the time is up; the condition's result.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000);

// Removes the settings file and the last measurement: the next window starts as on a new
// machine.
void ForgetProgramFiles();

// The first action under `window` with this text: a menu item, a button or an accelerator.
QAction* ActionWithText(const QWidget& window, const QString& text);

// Brings the commands' states up to date and triggers `command`, which must exist and be
// enabled (a test failure otherwise).
void RunEnabledCommand(CMainFrame& frame, const QString& command);

// How a test wants its main window.
struct CFrameStart {
    bool SimulateLogger = false;  // the logger commands talk to the simulated logger
    bool Shown = true;
    QSize Size{1000, 700};  // an empty size leaves the window at the size it chooses itself
};

// The main window over `doc`, answering with `prompt` and `files`, made as `start` says.
std::unique_ptr<CMainFrame> StartMainFrame(CDTDoc& doc, CPrompt& prompt, CFileChooser& files,
                                           const CFrameStart& start);

// Asks the window to close and waits until it has gone.
void CloseAndWait(CMainFrame& frame);

// Makes the document hold a downloaded record of `count` readings that the user has not saved.
void MakeUnsavedDownload(CDTDoc& doc, int count);

// The tests of a main window over a document of their own, on a machine without the
// program's files, whose message boxes are a TPrompt (a CRecordingPrompt or one derived from
// it) and whose file dialogs are scripted. The window points at both and at whatever a test
// adds (print dialogs), so TearDown destroys it before any of them goes.
template <typename TPrompt = CRecordingPrompt>
class CMainFrameTest : public ::testing::Test {
protected:
    explicit CMainFrameTest(CFrameStart start = {}) : m_start(start) {}

    void SetUp() override {
        ForgetProgramFiles();
        m_frame = StartMainFrame(m_doc, m_prompt, m_files, m_start);
    }
    void TearDown() override { m_frame.reset(); }

    void Run(const QString& command) { RunEnabledCommand(*m_frame, command); }
    void CloseFrame() { CloseAndWait(*m_frame); }
    void Unsaved(int count) { MakeUnsavedDownload(m_doc, count); }

    CDTDoc m_doc;
    TPrompt m_prompt;
    CScriptedFileChooser m_files;
    std::unique_ptr<CMainFrame> m_frame;

private:
    CFrameStart m_start;
};
