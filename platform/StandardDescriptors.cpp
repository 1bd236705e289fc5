#include "platform/StandardDescriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

void OpenMissingStandardDescriptors() {
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) {
            // A new descriptor takes the lowest free number: this one, as those below it are
            // open by now. Without /dev/null there is nothing better to put there.
            static_cast<void>(open("/dev/null", O_RDWR));
        }
    }
}
