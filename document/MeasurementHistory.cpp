#include "document/MeasurementHistory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <tuple>
#include <vector>

#include "platform/LocalTime.h"
#include "platform/ProgramDirectory.h"

namespace {

// More files of one second than anyone makes; past it the history gives up.
constexpr int MAX_SAME_NAMES = 1000;

std::string NumberedName(const std::string& stem, int number, const std::string& extension) {
    return number == 1 ? stem + extension : stem + "-" + std::to_string(number) + extension;
}

// A data folder on a file system that has no hard links (FAT on a USB stick, some network
// shares) gets a copy instead of a second name.
bool FileSystemWithoutLinks(int error) {
    return error == EPERM || error == EXDEV || error == ENOTSUP || error == EMLINK ||
           error == ENOSYS;
}

}  // namespace

std::optional<std::filesystem::path> HistoryFolder() {
    const auto folder = ProgramFile(HISTORY_FOLDER);
    std::error_code error;
    if (!folder || (std::filesystem::create_directory(*folder, error), error) ||
        !std::filesystem::is_directory(*folder, error)) {
        return std::nullopt;
    }
    return folder;
}

std::string HistoryStem(std::time_t start, const std::string& suffix) {
    return FormatLocalTime(start, "%Y-%m-%d_%H-%M-%S") + suffix;
}

std::filesystem::path UnusedHistoryName(const std::filesystem::path& folder,
                                        const std::string& stem, const std::string& extension) {
    std::filesystem::path candidate;
    std::error_code error;
    for (int number = 1; number <= MAX_SAME_NAMES; ++number) {
        candidate = folder / NumberedName(stem, number, extension);
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, error))) {
            break;
        }
    }
    return candidate;
}

std::optional<std::filesystem::path> LinkIntoHistory(const std::filesystem::path& file,
                                                     const std::string& stem) {
    const auto folder = HistoryFolder();
    if (!folder) {
        return std::nullopt;
    }
    // link() never replaces a file: two programs that keep a file in the same second each
    // get a name of their own.
    const std::string extension = file.extension().string();
    for (int number = 1; number <= MAX_SAME_NAMES; ++number) {
        const auto candidate = *folder / NumberedName(stem, number, extension);
        if (link(file.c_str(), candidate.c_str()) == 0) {
            return candidate;
        }
        if (errno == EEXIST) {
            continue;
        }
        if (!FileSystemWithoutLinks(errno)) {
            return std::nullopt;
        }
        // copy_file() does not replace a file either.
        std::error_code error;
        if (std::filesystem::copy_file(file, candidate, error)) {
            return candidate;
        }
        if (error != std::errc::file_exists) {
            std::filesystem::remove(candidate, error);  // what a full disk left of the copy
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> MoveIntoHistory(const std::filesystem::path& file,
                                                     const std::string& stem) {
    auto moved = LinkIntoHistory(file, stem);
    if (moved && unlink(file.c_str()) != 0) {
        std::error_code ignored;  // the file stays where it was, kept once
        std::filesystem::remove(*moved, ignored);
        return std::nullopt;
    }
    return moved;
}

void PruneHistory(const std::filesystem::path& folder) {
    // The time a file entered the history is its inode's change time: a new link, a rename
    // and a new file all set it.
    std::vector<std::tuple<std::time_t, long, std::filesystem::path>> entries;
    std::error_code error;
    for (auto entry = std::filesystem::directory_iterator(folder, error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        struct stat status {};
        if (lstat(entry->path().c_str(), &status) == 0) {
            entries.emplace_back(status.st_ctim.tv_sec, status.st_ctim.tv_nsec, entry->path());
        }
    }
    if (entries.size() <= HISTORY_LIMIT) {
        return;
    }
    std::sort(entries.begin(), entries.end());
    for (std::size_t i = 0; i < entries.size() - HISTORY_LIMIT; ++i) {
        std::error_code ignored;  // a file another program removed just now is gone either way
        std::filesystem::remove(std::get<2>(entries[i]), ignored);
    }
}
