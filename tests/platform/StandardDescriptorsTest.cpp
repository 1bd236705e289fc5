#include "platform/StandardDescriptors.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Started without some of standard input, output and error (`>&-`), the program's first own
// file must not take their numbers.
TEST(StandardDescriptors, closedAtStart_areOpenedOnDevNullBeforeAnyFileOfTheProgram) {
    for (const auto& closed : std::vector<std::vector<int>>{{}, {0}, {1}, {2}, {1, 2}, {0, 1, 2}}) {
        const pid_t child = fork();
        if (child == 0) {
            for (const int descriptor : closed) {
                close(descriptor);
            }
            OpenMissingStandardDescriptors();
            _exit(open("/dev/null", O_RDONLY) > 2 ? 0 : 1);  // 0 to 2 are taken
        }
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_EQ(status, 0) << closed.size() << " closed";
    }
}

}  // namespace
