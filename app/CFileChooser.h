#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "export/ExportFiles.h"
#include "platform/RecentFiles.h"

class QWidget;

// Where the commands ask for file names. The main window uses the file dialogs; tests put
// scripted answers in their place. Each returns nothing after Cancel.
class CFileChooser {
public:
    virtual ~CFileChooser() = default;
    // A measurement file to open.
    virtual std::optional<std::filesystem::path> ChooseOpenName() = 0;
    // The name of a saved measurement and its report, proposing `defaultName`.
    virtual std::optional<std::filesystem::path> ChooseSaveName(const std::string& defaultName) = 0;
    // A station's archive to show.
    virtual std::optional<std::filesystem::path> ChooseArchiveName() = 0;
    // The name of a measurement file saved alone, proposing `defaultName`.
    virtual std::optional<std::filesystem::path> ChooseMeasurementSaveName(
        const std::string& defaultName) = 0;
    // The name of an export in the format, proposing `defaultName`.
    virtual std::optional<std::filesystem::path> ChooseExportName(
        ExportFormat format, const std::string& defaultName) = 0;
    // The name of a PDF report, proposing `defaultName`.
    virtual std::optional<std::filesystem::path> ChooseReportName(
        const std::string& defaultName) = 0;
};

// The file dialogs: measurement files (and reports where they are saved together), default
// extension "sound", and a question before an existing file is replaced. Each kind of file
// (FileKind) starts in the folder chosen last for that kind.
class CFileDialogs : public CFileChooser {
public:
    explicit CFileDialogs(QWidget* parent) : m_parent(parent) {}
    std::optional<std::filesystem::path> ChooseOpenName() override;
    std::optional<std::filesystem::path> ChooseSaveName(const std::string& defaultName) override;
    std::optional<std::filesystem::path> ChooseArchiveName() override;
    std::optional<std::filesystem::path> ChooseMeasurementSaveName(
        const std::string& defaultName) override;
    std::optional<std::filesystem::path> ChooseExportName(ExportFormat format,
                                                          const std::string& defaultName) override;
    std::optional<std::filesystem::path> ChooseReportName(const std::string& defaultName) override;

private:
    QWidget* m_parent;
};
