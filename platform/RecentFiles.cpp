#include "platform/RecentFiles.h"

#include <algorithm>
#include <functional>
#include <string>

#include "platform/CProfile.h"
#include "platform/CSettings.h"

namespace {

constexpr const char* RECENT = "Recent File List";
constexpr const char* FOLDERS = "Folders";

std::string RecentKey(std::size_t position) {
    return "File" + std::to_string(position + 1);
}

const char* FolderKey(FileKind kind) {
    switch (kind) {
        case FileKind::Measurement:
            return "Measurement";
        case FileKind::Csv:
            return "CSV";
        case FileKind::Workbook:
            return "Workbook";
        case FileKind::Report:
            return "Report";
    }
    return "Measurement";
}

// The list changed by `change`, written back whole: unused places are emptied.
bool ChangeRecentFiles(const std::function<void(std::vector<std::filesystem::path>&)>& change) {
    return UpdateSettingsProfile([&](CProfile& profile) {
        std::vector<std::filesystem::path> files = ReadRecentFiles(profile);
        change(files);
        files.resize(std::min(files.size(), RECENT_FILES_KEPT));
        for (std::size_t i = 0; i < RECENT_FILES_KEPT; ++i) {
            profile.SetString(RECENT, RecentKey(i), i < files.size() ? files[i].string() : "");
        }
    });
}

// A line break in a name would break the settings file's line in two.
bool FitsOnALine(const std::filesystem::path& path) {
    return path.string().find_first_of("\r\n") == std::string::npos;
}

}  // namespace

std::vector<std::filesystem::path> ReadRecentFiles(const CProfile& profile) {
    std::vector<std::filesystem::path> files;
    for (std::size_t i = 0; i < RECENT_FILES_KEPT; ++i) {
        const std::filesystem::path file = profile.GetString(RECENT, RecentKey(i), "");
        // A hand-edited file may name one twice or leave gaps.
        if (!file.empty() && std::find(files.begin(), files.end(), file) == files.end()) {
            files.push_back(file);
        }
    }
    return files;
}

bool AddRecentFile(const std::filesystem::path& file) {
    if (!FitsOnALine(file)) {
        return false;
    }
    return ChangeRecentFiles([&](std::vector<std::filesystem::path>& files) {
        std::erase(files, file);
        files.insert(files.begin(), file);
    });
}

bool RemoveRecentFile(const std::filesystem::path& file) {
    return ChangeRecentFiles(
        [&](std::vector<std::filesystem::path>& files) { std::erase(files, file); });
}

std::filesystem::path ReadLastFolder(const CProfile& profile, FileKind kind) {
    return profile.GetString(FOLDERS, FolderKey(kind), "");
}

bool RememberLastFolder(FileKind kind, const std::filesystem::path& folder) {
    if (!FitsOnALine(folder)) {
        return false;
    }
    return UpdateSettingsProfile(
        [&](CProfile& profile) { profile.SetString(FOLDERS, FolderKey(kind), folder.string()); });
}
