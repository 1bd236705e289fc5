#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/CFileChooser.h"

class CMainFrame;
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

    std::optional<std::filesystem::path> Answer;  // the Save command's
    std::vector<std::string> Offered;
    std::optional<std::filesystem::path> OpenAnswer;
    int OpenDialogs = 0;
    std::optional<std::filesystem::path> MeasurementAnswer;  // the document's own save
    std::vector<std::string> OfferedMeasurementNames;
    std::optional<std::filesystem::path> ExportAnswer;  // the export commands'
    std::vector<std::pair<ExportFormat, std::string>> OfferedExports;
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
