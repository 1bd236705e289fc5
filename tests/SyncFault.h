#pragma once

#include <dlfcn.h>

#include <cerrno>

// Makes one call of the C library's fsync() or fdatasync() fail with EIO, as a sync does when
// the disk cannot take the data: the calls are counted from 1 while a CSyncFault lives, and
// Fired() says that the fault was hit. It replaces the C library's functions in the test
// program, so one file of a program includes it.
class CSyncFault {
public:
    explicit CSyncFault(int failingCall) { s_failing = failingCall, s_calls = s_fired = 0; }
    ~CSyncFault() { s_failing = 0; }
    CSyncFault(const CSyncFault&) = delete;
    CSyncFault& operator=(const CSyncFault&) = delete;

    int Fired() const { return s_fired; }

    static int SyncOrFail(int descriptor, const char* name) {
        if (s_failing > 0 && ++s_calls == s_failing) {
            ++s_fired;
            errno = EIO;
            return -1;
        }
        return reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, name))(descriptor);
    }

private:
    static inline int s_failing = 0;
    static inline int s_calls = 0;
    static inline int s_fired = 0;
};

extern "C" int fsync(int descriptor) {
    return CSyncFault::SyncOrFail(descriptor, "fsync");
}

extern "C" int fdatasync(int descriptor) {
    return CSyncFault::SyncOrFail(descriptor, "fdatasync");
}
