#pragma once

#include <filesystem>
#include <optional>
#include <string>

class QWidget;

// Where the Save command asks for a file name. The main window uses the file dialog; tests
// put a scripted answer in its place.
class CSaveFileChooser {
public:
    virtual ~CSaveFileChooser() = default;
    // The name the user chose, proposing `defaultName`; nothing after Cancel.
    virtual std::optional<std::filesystem::path> ChooseSaveName(const std::string& defaultName) = 0;
};

// The save-file dialog: measurement files and reports, default extension "sound", and a
// question before an existing file is replaced.
class CSaveFileDialog : public CSaveFileChooser {
public:
    explicit CSaveFileDialog(QWidget* parent) : m_parent(parent) {}
    std::optional<std::filesystem::path> ChooseSaveName(const std::string& defaultName) override;

private:
    QWidget* m_parent;
};
