#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "document/AlarmIndicator.h"
#include "document/CMeasurementRecord.h"
#include "document/MeasurementHistory.h"

class CArchive;
class CPrompt;

// What happened to the record, passed to every view of the document.
enum class DocumentChange {
    Loaded,           // a measurement file replaced the record
    Downloaded,       // the logger's memory replaced the record
    RealTimeStarted,  // an empty real-time series replaced the record
    ReadingAppended,  // a real-time run added one reading
    RunEnded,         // a real-time run stopped
};

enum class LoadResult {
    Loaded,
    CannotOpen,      // missing, unreadable: the caller decides whether to say so
    WrongSignature,  // "Invalid Format!" has been shown
    Damaged,         // cut short or impossible values: a message naming the file has been shown
};

// The document: owns the one measurement record, reads and writes it as a measurement file,
// and tells its views when the record changes.
class CDTDoc {
public:
    using View = std::function<void(DocumentChange)>;

    CMeasurementRecord& Record() { return m_record; }
    const CMeasurementRecord& Record() const { return m_record; }

    // Record state kept beside the record and left alone when a new record is swapped in.
    bool FileJustLoaded = false;  // the next graph draw rebuilds the panel texts
    bool LoadedFromFile = false;  // Open then does not offer to save the current data
    bool StoredData = false;      // complete data (download or file), not a growing series
    bool ListCountStale = true;   // the data list must take the new count

    // Save state of the record, read by the save questions and the command enabling.
    bool SetupSinceSave = true;      // a logger setup since the last save or save question
    bool DownloadSinceSave = false;  // a download since the last save or save question
    bool RealTimeActive = false;     // a real-time run is being polled; the series grows
    // The alarm lamps for the newest real-time reading.
    AlarmIndicatorState RealTimeAlarm = AlarmIndicatorState::Normal;

    // The file the document's own open and save (Ctrl+O, Ctrl+S) use; empty until one is named.
    std::filesystem::path PathName;

    // Replaces the record by a complete new one (download) and notifies the views.
    void ReplaceRecord(CMeasurementRecord record, DocumentChange change);

    void AddView(View view) { m_views.push_back(std::move(view)); }
    void UpdateAllViews(DocumentChange change) const;

    // The file format. Storing writes the record; loading reads into a new record and swaps
    // it in only when the whole file was read. A wrong signature shows "Invalid Format!".
    [[nodiscard]] bool Store(CArchive& archive) const;
    LoadResult Load(CArchive& archive, CPrompt& prompt);

    // Whole files. Storing goes through a temporary file, so a failed write leaves the
    // previous file as it was. A damaged file shows a message naming it.
    [[nodiscard]] bool StoreFile(const std::filesystem::path& file) const;
    LoadResult LoadFile(const std::filesystem::path& file, CPrompt& prompt);

    // "PreMeasure.sound" in the program directory: the last downloaded or polled record. The
    // measurement it held before goes into the history (MeasurementHistory.h) unless this
    // record holds all of it or `rule` says its readings are archived; false, with the file as
    // it was, when either cannot be written.
    [[nodiscard]] bool SaveLastMeasurement(HistoryRule rule = HistoryRule::Keep) const;
    LoadResult LoadLastMeasurement(CPrompt& prompt);
    // Told the history file that a save of the last measurement has just kept the measurement
    // it replaced in, so that the user can learn where it went.
    std::function<void(const std::filesystem::path&)> KeptInHistory;

private:
    CMeasurementRecord m_record;
    std::vector<View> m_views;
};

// Whether the record, stored in a measurement file, would load again: the loader refuses a
// start time no calendar holds and an interval that is not a time.
bool MeasurementFileAccepts(const CMeasurementRecord& record);

// The text shown when a measurement file cannot be read to its end.
std::string DamagedFileMessage(const std::filesystem::path& file);
// The text shown when a chosen measurement file cannot be opened at all.
std::string CannotOpenMessage(const std::filesystem::path& file);

inline constexpr const char* LAST_MEASUREMENT_FILE = "PreMeasure.sound";

// Where the last measurement is kept; empty when the program directory cannot be made.
std::optional<std::filesystem::path> LastMeasurementPath();
