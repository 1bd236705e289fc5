#pragma once

#include <filesystem>
#include <fstream>

// Writes a file so that the previous one survives any failure: the content goes to a
// temporary file in the same folder, which is moved over the target only after it has been
// written, flushed and synced completely. A CAtomicFile that is destroyed without a
// successful Commit() removes its temporary file and leaves the target untouched.
class CAtomicFile {
public:
    explicit CAtomicFile(std::filesystem::path target);
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Creates the temporary file; false when the folder cannot be written.
    [[nodiscard]] bool Open();
    std::ostream& Stream() { return m_stream; }

    // Flushes, syncs and closes the temporary file; false if anything written was lost.
    [[nodiscard]] bool Finish();
    // Moves the finished temporary file over the target.
    [[nodiscard]] bool Replace();
    [[nodiscard]] bool Commit() { return Finish() && Replace(); }

private:
    void Discard();

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::ofstream m_stream;
    bool m_finished = false;
};
