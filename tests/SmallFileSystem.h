#pragma once

#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/TempDir.h"

// A file system of a chosen size, mounted over a temporary folder, that fills up as a small
// disk does. Mounting needs root; the mount lives in the test process's own mount namespace,
// so it goes with the process whatever happens. Available() is false where it cannot be had.
class CSmallFileSystem {
public:
    CSmallFileSystem() {
        static const bool privateMounts =
            geteuid() == 0 && unshare(CLONE_NEWNS) == 0 &&
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        m_mounted = privateMounts && Mount("tmpfs", 0, 64 << 20);
    }
    ~CSmallFileSystem() {
        if (m_mounted) {
            umount2(m_dir.Path().c_str(), MNT_DETACH);
        }
    }
    CSmallFileSystem(const CSmallFileSystem&) = delete;
    CSmallFileSystem& operator=(const CSmallFileSystem&) = delete;

    bool Available() const { return m_mounted; }
    const std::filesystem::path& Path() const { return m_dir.Path(); }

    // Bytes in use now, in whole pages.
    std::uint64_t Used() const {
        struct statvfs state {};
        statvfs(m_dir.Path().c_str(), &state);
        return std::uint64_t{state.f_blocks - state.f_bfree} * state.f_frsize;
    }
    // Makes the file system this large (at least what is in use).
    bool Resize(std::uint64_t bytes) { return Mount(nullptr, MS_REMOUNT, bytes); }

private:
    bool Mount(const char* source, unsigned long flags, std::uint64_t bytes = 0) {
        const std::string options = bytes > 0 ? "size=" + std::to_string(bytes) : "";
        return mount(source, m_dir.Path().c_str(), "tmpfs", flags,
                     options.empty() ? nullptr : options.c_str()) == 0;
    }

    CTempDir m_dir;
    bool m_mounted = false;
};
