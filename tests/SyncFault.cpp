#include "tests/SyncFault.h"

#include <dlfcn.h>

#include <cerrno>
#include <string>

namespace {

bool g_armed = false;
std::set<int> g_failing;
std::vector<std::filesystem::path> g_synced;
int g_fired = 0;

using Sync = int (*)(int);

int SyncOrFail(int descriptor, const char* name) {
    if (g_armed) {
        std::error_code error;
        g_synced.push_back(
            std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(descriptor), error));
        if (g_failing.contains(static_cast<int>(g_synced.size()))) {
            ++g_fired;
            errno = EIO;
            return -1;
        }
    }
    return reinterpret_cast<Sync>(dlsym(RTLD_NEXT, name))(descriptor);
}

}  // namespace

CSyncFault::CSyncFault(std::set<int> failingCalls) {
    g_failing = std::move(failingCalls);
    g_synced.clear();
    g_fired = 0;
    g_armed = true;
}

CSyncFault::~CSyncFault() {
    g_armed = false;
}

int CSyncFault::Fired() const {
    return g_fired;
}

const std::vector<std::filesystem::path>& CSyncFault::Synced() const {
    return g_synced;
}

// Take the place of the C library's syncs in the test program.
extern "C" int fsync(int descriptor) {
    return SyncOrFail(descriptor, "fsync");
}

extern "C" int fdatasync(int descriptor) {
    return SyncOrFail(descriptor, "fdatasync");
}
