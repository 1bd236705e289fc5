#pragma once

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

// The measurements that the last measurement file held before something replaced it, and the
// real-time runs that were not recovered into it: a folder "history" beside it, one file each,
// named for the local time of the measurement's start ("2014-06-05_14-02-07.sound"; "-2",
// "-3"... when two share a second). It keeps the HISTORY_LIMIT files that entered it last;
// each new one pushes out the one that entered first.
inline constexpr const char* HISTORY_FOLDER = "history";
inline constexpr std::size_t HISTORY_LIMIT = 20;

// What becomes of a measurement that another replaces as the last measurement, and of the
// history it enters. A monitor runs unattended for days and must never push out of the
// history a measurement the user downloaded, recovered or declined.
enum class HistoryRule {
    Keep,          // into the history, which then keeps its HISTORY_LIMIT newest files
    KeepUnpruned,  // into the history, pushing nothing out of it
    Archived,      // not into the history: a station's archive holds its readings
};

// The history folder in the program directory, created when missing; empty when it cannot be.
std::optional<std::filesystem::path> HistoryFolder();

// The name a file of the measurement started at `start` takes in the history, with a suffix
// ("-damaged") and an extension (".sound").
std::string HistoryStem(std::time_t start, const std::string& suffix = "");

// The first name of the history folder that no file has: `stem` + extension, else
// `stem`-2 + extension and so on.
std::filesystem::path UnusedHistoryName(const std::filesystem::path& folder,
                                        const std::string& stem, const std::string& extension);

// A second name in the history for `file`, which stays where it is (a copy where the file
// system has no hard links). The name given, or empty when the history cannot take it.
std::optional<std::filesystem::path> LinkIntoHistory(const std::filesystem::path& file,
                                                     const std::string& stem);
// `file` moved into the history under a new name; empty when it could not be moved.
std::optional<std::filesystem::path> MoveIntoHistory(const std::filesystem::path& file,
                                                     const std::string& stem);

// Removes the files that entered the history first, beyond HISTORY_LIMIT.
void PruneHistory(const std::filesystem::path& folder);
