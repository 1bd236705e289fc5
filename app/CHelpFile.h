#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

struct chmFile;

// The program's compiled help file "help.chm", read page by page.
class CHelpFile {
public:
    // The file opened for reading; nullptr when it is missing or not a compiled help file.
    static std::unique_ptr<CHelpFile> Open(const std::filesystem::path& file);
    ~CHelpFile();
    CHelpFile(const CHelpFile&) = delete;
    CHelpFile& operator=(const CHelpFile&) = delete;

    // The bytes of a page by its path inside the file, such as "/index.html"; nothing for a
    // page the file does not hold or cannot give whole.
    std::optional<std::string> Read(const std::string& page) const;

private:
    explicit CHelpFile(chmFile* handle) : m_handle(handle) {}
    chmFile* m_handle;
};

// The page the help opens on.
inline constexpr const char* HELP_CONTENTS_PAGE = "/index.html";

// Where the help file of a program in `programDirectory` lies: beside the program (a build
// tree), else in "../share/datalogger" (an installed program); nothing when neither holds it.
std::optional<std::filesystem::path> FindHelpFile(const std::filesystem::path& programDirectory);

// What the user is told when the help file is in neither place, or cannot be read.
std::string MissingHelpMessage(const std::filesystem::path& programDirectory);
std::string UnreadableHelpMessage(const std::filesystem::path& file);
