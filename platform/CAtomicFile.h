#pragma once

#include <filesystem>
#include <fstream>

// Writes a file so that the previous one survives any failure: the content goes to a
// temporary file in the same folder, which is moved over the target only after it has been
// written, flushed and synced completely. A CAtomicFile that is destroyed without a
// successful Commit() removes its temporary file and leaves the target untouched.
//
// The target is the file a symbolic link points to, not the link; an existing target keeps
// its permission bits; a target the user could not open for writing (write-protected, not a
// plain file, or someone else's in a shared sticky folder) is refused.
class CAtomicFile {
public:
    explicit CAtomicFile(std::filesystem::path target);
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Checks the target and creates the temporary file; false when the target is refused or
    // the folder cannot be written. Temporary files that a killed program left in the folder
    // are removed first.
    [[nodiscard]] bool Open();
    std::ostream& Stream() { return m_stream; }

    // Flushes, syncs and closes the temporary file; false if anything written was lost.
    [[nodiscard]] bool Finish();
    // Whether the target may still be replaced (see above); a missing target may.
    [[nodiscard]] bool TargetReplaceable() const;
    // Moves the finished temporary file over the target.
    [[nodiscard]] bool Replace();
    [[nodiscard]] bool Commit() { return Finish() && Replace(); }

    // Replace() that keeps the file it replaces until this object goes, so that Undo() can
    // put it back when a second file written in the same step fails.
    [[nodiscard]] bool ReplaceKeepingPrevious();
    // Puts the previous target back (removes the new one where there was none). When that
    // fails the previous file stays where KeptPrevious() says.
    [[nodiscard]] bool Undo();
    const std::filesystem::path& KeptPrevious() const { return m_previous; }

    // The file that is replaced: the target with its symbolic links followed.
    const std::filesystem::path& Destination() const { return m_destination; }

private:
    void Discard();
    bool Rename(const std::filesystem::path& from);

    std::filesystem::path m_destination;
    std::filesystem::path m_temporary;
    std::filesystem::path m_previous;  // the replaced file while an Undo() may need it
    std::ofstream m_stream;
    bool m_finished = false;
    bool m_replaced = false;
    bool m_keepPrevious = false;  // Undo() failed: the previous file is the only copy left
};
