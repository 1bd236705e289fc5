#pragma once

#include <chrono>
#include <filesystem>

// An exclusive lock on a lock file, held while the object lives, so that programs that
// read, change and write the same file take turns. A holder that keeps the lock longer than
// a few seconds is taken to be stuck: Held() then says the lock was not had.
class CFileLock {
public:
    explicit CFileLock(const std::filesystem::path& lockFile);
    // A lock that is only had when nobody holds it now: `patience` is how long to wait.
    CFileLock(const std::filesystem::path& lockFile, std::chrono::milliseconds patience);
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    bool Held() const { return m_held; }
    // Whether the lock file could be opened: only then can someone else hold the lock.
    bool Opened() const { return m_descriptor >= 0; }

private:
    int m_descriptor = -1;
    bool m_held = false;
};
