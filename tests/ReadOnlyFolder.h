#pragma once

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

#include "tests/TempDir.h"

// A folder the test fills, seen again through a read-only bind mount, as media that cannot be
// written are seen (as root too, which a file's mode does not stop). Mounting needs root; the
// mount lives in the test process's own mount namespace, so it goes with the process.
// Available() is false where it cannot be had.
class CReadOnlyFolder {
public:
    CReadOnlyFolder() = default;
    ~CReadOnlyFolder() {
        if (m_mounted) {
            umount2(m_view.Path().c_str(), MNT_DETACH);
        }
    }
    CReadOnlyFolder(const CReadOnlyFolder&) = delete;
    CReadOnlyFolder& operator=(const CReadOnlyFolder&) = delete;

    // Where the test writes, before Mount.
    const std::filesystem::path& Source() const { return m_source.Path(); }
    // The same files, read-only, after Mount.
    const std::filesystem::path& View() const { return m_view.Path(); }

    bool Mount() {
        static const bool privateMounts =
            geteuid() == 0 && unshare(CLONE_NEWNS) == 0 &&
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        m_mounted = privateMounts &&
                    mount(Source().c_str(), View().c_str(), nullptr, MS_BIND, nullptr) == 0;
        return m_mounted && mount(nullptr, View().c_str(), nullptr,
                                  MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }

private:
    CTempDir m_source;
    CTempDir m_view;
    bool m_mounted = false;
};
