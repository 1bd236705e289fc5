#include "platform/CFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

constexpr std::chrono::milliseconds PATIENCE = std::chrono::seconds(5);
constexpr auto RETRY = std::chrono::milliseconds(10);

}  // namespace

CFileLock::CFileLock(const std::filesystem::path& lockFile) : CFileLock(lockFile, PATIENCE) {}

CFileLock::CFileLock(const std::filesystem::path& lockFile, std::chrono::milliseconds patience) {
    // Not blocking: a named pipe in the lock file's place would wait for a writer.
    m_descriptor =
        open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (m_descriptor < 0) {
        return;
    }
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    while (!(m_held = flock(m_descriptor, LOCK_EX | LOCK_NB) == 0) &&
           std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(RETRY);
    }
}

CFileLock::~CFileLock() {
    if (m_descriptor >= 0) {
        close(m_descriptor);  // closing releases the lock
    }
}
