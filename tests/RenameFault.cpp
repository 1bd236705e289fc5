#include "tests/RenameFault.h"

#include <dlfcn.h>

#include <cerrno>

namespace {

bool g_armed = false;
std::set<int> g_failing;
int g_calls = 0;
int g_fired = 0;

}  // namespace

CRenameFault::CRenameFault(std::set<int> failingCalls) {
    g_failing = std::move(failingCalls);
    g_calls = 0;
    g_fired = 0;
    g_armed = true;
}

CRenameFault::~CRenameFault() {
    g_armed = false;
}

int CRenameFault::Fired() const {
    return g_fired;
}

int CRenameFault::Calls() const {
    return g_calls;
}

// Takes the place of the C library's rename() in the test program.
extern "C" int rename(const char* from, const char* to) {
    using Rename = int (*)(const char*, const char*);
    static const auto real = reinterpret_cast<Rename>(dlsym(RTLD_NEXT, "rename"));
    if (g_armed && g_failing.contains(++g_calls)) {
        ++g_fired;
        errno = EIO;
        return -1;
    }
    return real(from, to);
}
