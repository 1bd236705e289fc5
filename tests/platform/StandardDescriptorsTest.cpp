#include "platform/StandardDescriptors.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

namespace {

// Started with some of standard input, output and error closed (`>&-`), the program's first
// own file must not take their numbers.
TEST(StandardDescriptors, closedAtStart_areOpenedOnDevNullBeforeAnyFileOfTheProgram) {
    const std::set<int> cases[] = {{}, {0}, {1}, {2}, {1, 2}, {0, 1, 2}};
    for (const auto& closed : cases) {
        const pid_t child = fork();
        if (child == 0) {
            for (const int descriptor : closed) {
                close(descriptor);
            }
            OpenMissingStandardDescriptors();
            const int file = open("/dev/null", O_RDONLY);
            const bool allOpen =
                fcntl(0, F_GETFD) != -1 && fcntl(1, F_GETFD) != -1 && fcntl(2, F_GETFD) != -1;
            _exit(allOpen && file > 2 ? 0 : 1);
        }
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << closed.size() << " closed";
    }
}

}  // namespace
