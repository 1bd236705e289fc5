#pragma once

#include <filesystem>
#include <string>

// A folder of its own under the system's temporary folder, private to the user (mode 0700),
// removed with what it holds when the object goes.
class CScratchFolder {
public:
    // `prefix` starts the folder's name, so that a leftover one tells whose it was.
    explicit CScratchFolder(const std::string& prefix);
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    // False when no folder could be made (no temporary folder, or it is full or not writable).
    bool Made() const { return !m_path.empty(); }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};
