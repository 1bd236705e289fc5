// libusb must meet the emulated kernel from the start of the process: a program that holds a
// USB test bed runs itself again with umockdev's preload ahead of every other library.

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr const char* PRELOAD = "libumockdev-preload.so.0";

void Append(const char* name, const std::string& option) {
    const char* value = std::getenv(name);
    setenv(name, (value != nullptr && *value != '\0' ? value + (":" + option) : option).c_str(), 1);
}

const bool PRELOADED = [] {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload != nullptr && std::strstr(preload, PRELOAD) != nullptr) {
        return true;
    }
    setenv("LD_PRELOAD",
           (std::string(PRELOAD) + (preload ? std::string(":") + preload : "")).c_str(), 1);
    // AddressSanitizer wants to come first too.
    Append("ASAN_OPTIONS", "verify_asan_link_order=0");
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::string line(std::istreambuf_iterator<char>(file), {});
    std::vector<char*> argv;
    for (std::size_t at = 0; at < line.size(); at += std::strlen(line.data() + at) + 1) {
        argv.push_back(line.data() + at);
    }
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    return false;  // without the preload the tests find no logger, and fail
}();

}  // namespace
