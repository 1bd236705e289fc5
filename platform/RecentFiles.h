#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

class CProfile;

// The settings file also remembers, in sections of their own, the measurement files the user
// opened or saved last and the folder each kind of file dialog was last used in. A change is
// written at once, under the settings file's lock, and keeps every other line of the file.

inline constexpr std::size_t RECENT_FILES_KEPT = 8;

// Newest first; at most RECENT_FILES_KEPT, each once.
std::vector<std::filesystem::path> ReadRecentFiles(const CProfile& profile);
// `file` goes to the top of the list; the oldest beyond RECENT_FILES_KEPT drop off. False when
// the settings file could not be written.
bool AddRecentFile(const std::filesystem::path& file);
bool RemoveRecentFile(const std::filesystem::path& file);

// The kinds of files whose dialogs each start in the folder that the last of them chose.
enum class FileKind { Measurement, Csv, Workbook, Report };
// Empty before a dialog of the kind was ever used.
std::filesystem::path ReadLastFolder(const CProfile& profile, FileKind kind);
bool RememberLastFolder(FileKind kind, const std::filesystem::path& folder);
