#include "platform/CAtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

CAtomicFile::CAtomicFile(std::filesystem::path target) : m_target(std::move(target)) {}

CAtomicFile::~CAtomicFile() {
    Discard();
}

bool CAtomicFile::Open() {
    Discard();
    const auto folder =
        m_target.has_parent_path() ? m_target.parent_path() : std::filesystem::path(".");
    // A hidden name beside the target; created exclusively so that two writers never share
    // it, with the permissions the user's umask gives a new file.
    static unsigned counter = 0;
    int descriptor = -1;
    std::filesystem::path candidate;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        candidate = folder / ("." + m_target.filename().string() + "." + std::to_string(getpid()) +
                              "." + std::to_string(++counter));
        descriptor = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (descriptor < 0) {
        return false;
    }
    close(descriptor);
    m_temporary = candidate;
    m_stream.open(m_temporary, std::ios::binary | std::ios::trunc);
    if (!m_stream) {
        Discard();
        return false;
    }
    return true;
}

bool CAtomicFile::Finish() {
    if (m_temporary.empty()) {
        return false;
    }
    m_stream.flush();
    const bool written = static_cast<bool>(m_stream);
    m_stream.close();
    if (!written || m_stream.fail()) {
        return false;
    }
    // The data must be on the disk before the rename makes it the only copy.
    const int descriptor = open(m_temporary.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    const bool synced = fsync(descriptor) == 0;
    close(descriptor);
    m_finished = synced;
    return synced;
}

bool CAtomicFile::Replace() {
    if (!m_finished) {
        return false;
    }
    std::error_code error;
    std::filesystem::rename(m_temporary, m_target, error);
    if (error) {
        return false;
    }
    m_temporary.clear();
    m_finished = false;
    return true;
}

void CAtomicFile::Discard() {
    if (m_stream.is_open()) {
        m_stream.close();
    }
    if (!m_temporary.empty()) {
        std::error_code ignored;  // nothing more can be done about a leftover temporary file
        std::filesystem::remove(m_temporary, ignored);
        m_temporary.clear();
    }
    m_finished = false;
}
