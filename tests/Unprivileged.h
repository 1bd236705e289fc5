#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

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
