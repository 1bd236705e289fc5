#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "tests/TempDir.h"

// The user that tests switch to when they run as root: root may open any file for writing
// and replace anyone's file, so refusals can only be seen as an ordinary user.
inline constexpr uid_t UNPRIVILEGED_USER = 65534;

// Runs `body` in a child process as an ordinary user (switching to UNPRIVILEGED_USER when
// the tests run as root) and gives back its exit status; 125 when the switch failed.
// `unprivileged` false keeps the test's own user.
inline int RunUnprivileged(const std::function<int()>& body, bool unprivileged = true) {
    const pid_t child = fork();
    if (child == 0) {
        if (unprivileged && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(UNPRIVILEGED_USER) != 0 ||
             setuid(UNPRIVILEGED_USER) != 0)) {
            _exit(125);
        }
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) {
        return 125;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A copy of a program in a folder every user may enter, for a run as UNPRIVILEGED_USER: the
// build may lie where only its owner can reach it (under a home folder of mode 0700, as root's).
// The program's own code is linked in; what else it loads comes from the system.
class CReachableProgram {
public:
    explicit CReachableProgram(const std::filesystem::path& program)
        : m_file(m_dir / program.filename()) {
        using std::filesystem::perms;
        const perms everyoneRuns = perms::owner_all | perms::group_read | perms::group_exec |
                                   perms::others_read | perms::others_exec;
        std::filesystem::permissions(m_dir.Path(), everyoneRuns);
        std::filesystem::copy_file(program, m_file);
        std::filesystem::permissions(m_file, everyoneRuns);
    }
    const std::filesystem::path& File() const { return m_file; }
    const std::filesystem::path& Folder() const { return m_dir.Path(); }

private:
    CTempDir m_dir;
    std::filesystem::path m_file;
};
