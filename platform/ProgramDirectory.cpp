#include "platform/ProgramDirectory.h"

#include <cstdlib>
#include <system_error>

namespace {

std::filesystem::path FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::filesystem::path(value)
                                                : std::filesystem::path();
}

}  // namespace

std::filesystem::path ProgramDirectory() {
    if (auto home = FromEnvironment("DATALOGGER_HOME"); !home.empty()) {
        return home;
    }
    if (auto config = FromEnvironment("XDG_CONFIG_HOME"); !config.empty()) {
        return config / "datalogger";
    }
    if (auto home = FromEnvironment("HOME"); !home.empty()) {
        return home / ".config" / "datalogger";
    }
    return std::filesystem::path(".datalogger");
}

std::optional<std::filesystem::path> ProgramFile(std::string_view name) {
    const auto directory = ProgramDirectory();
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error || !std::filesystem::is_directory(directory, error)) {
        return std::nullopt;
    }
    return directory / name;
}
