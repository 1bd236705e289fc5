#include "platform/CAtomicFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>

namespace {

// Temporary files are ".dltmp-PID-N": short, so that a target whose name has the longest
// length a folder allows still gets one, and recognisable, so that the leftovers of a killed
// program can be found. The spare name of a replaced file, ".dlkept-PID-N", is never taken
// for a leftover: when a save could not put the file back, it is the only copy.
constexpr std::string_view TEMPORARY_PREFIX = ".dltmp-";
constexpr std::string_view SPARE_PREFIX = ".dlkept-";
constexpr int MAX_LINKS = 40;  // as many as the system follows before it gives up

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

std::filesystem::path FollowLinks(std::filesystem::path file) {
    for (int i = 0; i < MAX_LINKS; ++i) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(file, error))) {
            break;
        }
        const auto target = std::filesystem::read_symlink(file, error);
        if (error) {
            break;
        }
        file = target.is_absolute() ? target : FolderOf(file) / target;
    }
    return file;
}

std::filesystem::path UnusedNameIn(const std::filesystem::path& folder, std::string_view prefix) {
    static unsigned counter = 0;
    return folder /
           (std::string(prefix) + std::to_string(getpid()) + "-" + std::to_string(++counter));
}

// Creates a new, empty temporary file; -1 when the folder cannot take one.
int CreateTemporary(const std::filesystem::path& folder, std::filesystem::path& created) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = UnusedNameIn(folder, TEMPORARY_PREFIX);
        // Created exclusively, so that two writers never share one.
        const int descriptor =
            open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            created = candidate;
            return descriptor;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

// A temporary file whose program no longer runs is what a killed save left behind.
void RemoveLeftovers(const std::filesystem::path& folder) {
    std::error_code error;
    for (auto entry = std::filesystem::directory_iterator(folder, error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (!name.starts_with(TEMPORARY_PREFIX)) {
            continue;
        }
        const long owner = std::strtol(name.c_str() + TEMPORARY_PREFIX.size(), nullptr, 10);
        if (owner > 0 && owner != getpid() && kill(static_cast<pid_t>(owner), 0) != 0 &&
            errno == ESRCH) {
            std::error_code ignored;  // another program may have removed it just now
            std::filesystem::remove(entry->path(), ignored);
        }
    }
}

void SyncFolder(const std::filesystem::path& folder) {
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        // The rename is done either way; the sync only hurries it to the disk.
        static_cast<void>(fsync(descriptor));
        close(descriptor);
    }
}

}  // namespace

CAtomicFile::CAtomicFile(std::filesystem::path target)
    : m_destination(FollowLinks(std::move(target))) {}

CAtomicFile::~CAtomicFile() {
    Discard();
    if (!m_previous.empty() && !m_keepPrevious) {
        std::error_code ignored;  // the new file is in place; the old copy is only a spare
        std::filesystem::remove(m_previous, ignored);
    }
}

bool CAtomicFile::TargetReplaceable() const {
    struct stat target {};
    if (stat(m_destination.c_str(), &target) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISREG(target.st_mode)) {
        return false;
    }
    const int descriptor =
        open(m_destination.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    close(descriptor);
    // In a sticky folder only the file's owner, the folder's owner and root may replace it.
    struct stat folder {};
    const uid_t user = geteuid();
    return stat(FolderOf(m_destination).c_str(), &folder) == 0 &&
           (!(folder.st_mode & S_ISVTX) || user == 0 || target.st_uid == user ||
            folder.st_uid == user);
}

bool CAtomicFile::Open() {
    Discard();
    if (!TargetReplaceable()) {
        return false;
    }
    const auto folder = FolderOf(m_destination);
    RemoveLeftovers(folder);
    const int descriptor = CreateTemporary(folder, m_temporary);
    if (descriptor < 0) {
        return false;
    }
    // An existing file keeps its permissions; a new one gets what the user's umask gives.
    struct stat existing {};
    const bool permitted = stat(m_destination.c_str(), &existing) != 0 ||
                           fchmod(descriptor, existing.st_mode & 07777) == 0;
    close(descriptor);
    if (permitted) {
        m_stream.open(m_temporary, std::ios::binary | std::ios::trunc);
    }
    if (!permitted || !m_stream) {
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

bool CAtomicFile::Rename(const std::filesystem::path& from) {
    if (std::rename(from.c_str(), m_destination.c_str()) != 0) {
        return false;
    }
    SyncFolder(FolderOf(m_destination));
    return true;
}

bool CAtomicFile::Replace() {
    if (!m_finished || !Rename(m_temporary)) {
        return false;
    }
    m_temporary.clear();
    m_finished = false;
    m_replaced = true;
    return true;
}

bool CAtomicFile::ReplaceKeepingPrevious() {
    if (!m_finished) {
        return false;
    }
    std::error_code error;
    if (std::filesystem::exists(m_destination, error)) {
        // A second name for the previous file keeps it whole while the new one takes its place.
        const auto spare = UnusedNameIn(FolderOf(m_destination), SPARE_PREFIX);
        if (link(m_destination.c_str(), spare.c_str()) != 0) {
            return false;
        }
        m_previous = spare;
    }
    return Replace();
}

bool CAtomicFile::Undo() {
    if (!m_replaced) {
        return false;
    }
    const bool undone =
        m_previous.empty() ? std::remove(m_destination.c_str()) == 0 : Rename(m_previous);
    if (undone) {
        m_previous.clear();
        m_replaced = false;
    }
    m_keepPrevious = !undone;
    return undone;
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
