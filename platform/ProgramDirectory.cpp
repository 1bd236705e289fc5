#include "platform/ProgramDirectory.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <vector>

namespace {

std::filesystem::path FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::filesystem::path(value)
                                                : std::filesystem::path();
}

// A relative folder would depend on where the program happened to start; the XDG rules
// have such a value ignored, and a relative HOME is no better.
std::filesystem::path AbsoluteFromEnvironment(const char* name) {
    auto path = FromEnvironment(name);
    return path.is_absolute() ? path : std::filesystem::path();
}

std::filesystem::path HomeOfUser() {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr || *found->pw_dir != '/') {
        return {};
    }
    return found->pw_dir;
}

}  // namespace

std::filesystem::path ProgramDirectory() {
    if (auto home = FromEnvironment("DATALOGGER_HOME"); !home.empty()) {
        return home;
    }
    if (auto config = AbsoluteFromEnvironment("XDG_CONFIG_HOME"); !config.empty()) {
        return config / "datalogger";
    }
    if (auto home = AbsoluteFromEnvironment("HOME"); !home.empty()) {
        return home / ".config" / "datalogger";
    }
    // Without HOME, the home folder the user database gives; never the folder the program
    // happened to start in.
    if (auto home = HomeOfUser(); !home.empty()) {
        return home / ".config" / "datalogger";
    }
    return {};
}

std::optional<std::filesystem::path> ProgramFile(std::string_view name) {
    const auto directory = ProgramDirectory();
    if (directory.empty()) {
        return std::nullopt;
    }
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error || !std::filesystem::is_directory(directory, error)) {
        return std::nullopt;
    }
    return directory / name;
}
