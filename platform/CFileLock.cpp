#include "platform/CFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

constexpr auto PATIENCE = std::chrono::seconds(5);
constexpr auto RETRY = std::chrono::milliseconds(10);

}  // namespace

CFileLock::CFileLock(const std::filesystem::path& lockFile) {
    m_descriptor = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (m_descriptor < 0) {
        return;
    }
    const auto giveUp = std::chrono::steady_clock::now() + PATIENCE;
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
