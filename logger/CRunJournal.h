#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "document/CMeasurementRecord.h"
#include "document/MeasurementHistory.h"
#include "platform/CFileLock.h"

// The readings of a real-time run on the disk as they come, so that a crash or a power cut
// loses none that had been taken: an append-only file beside the last measurement, holding
// the record's header and then one level after another. A run that ends normally folds it
// into the last measurement and removes it; one found at the next start is offered for
// recovery.
//
// Each reading is one write of four bytes, so a killed program leaves every reading it took;
// the file is synced to the disk at least once a second (a sync costs milliseconds), so a
// power cut loses at most the last second. Either way the file is readable up to its last
// whole reading.
class CRunJournal {
public:
    explicit CRunJournal(std::filesystem::path file);
    ~CRunJournal();
    CRunJournal(const CRunJournal&) = delete;
    CRunJournal& operator=(const CRunJournal&) = delete;

    // Starts a new journal with the record's header and the readings it holds (the first
    // one). False when the file cannot be written, or something is already in its place (the
    // journal of a run not recovered yet, a link): the run then goes on without it.
    bool Begin(const CMeasurementRecord& record);
    // Adds one reading; false when it did not reach the disk.
    bool Append(float level);
    // The run's readings are safe elsewhere: the journal is closed and removed.
    void Remove();

    const std::filesystem::path& File() const { return m_file; }

    // Longest time between a reading and the sync that puts it on the disk.
    static constexpr std::chrono::seconds SYNC_PERIOD{1};

private:
    void Close();
    bool WriteAll(const void* bytes, std::size_t length);
    bool Sync();

    std::filesystem::path m_file;
    int m_descriptor = -1;
    std::chrono::steady_clock::time_point m_lastSync;
};

// "PreMeasure.journal" beside the last measurement; empty when the program directory cannot
// be made.
std::optional<std::filesystem::path> RunJournalPath();

// The lock of the journal's folder: a real-time run holds it from its start to its end, and a
// recovery while it reads, keeps or removes the journal, so that a journal is never taken from
// a run that goes on and two runs never share the folder. Null when another run or recovery
// holds it or there is no program directory; not held when the folder cannot take a lock
// file (it cannot take a journal either).
std::unique_ptr<CFileLock> LockRunJournal();

// The record a journal holds: its header, every whole reading, the statistics and the info
// panel texts. Empty when there is no journal, it is not a plain file, holds no reading or no
// whole header, or holds what no run writes (another signature, a start time or an interval
// the measurement file would refuse, a level that is no reading).
std::optional<CMeasurementRecord> ReadRunJournal(const std::filesystem::path& file);

class CDTDoc;

// The record of a run that did not end (the program was killed, the power failed), when its
// journal holds readings and no run holds its lock. An empty journal is removed; one that
// cannot be recovered is moved into the history, named "-damaged", and `keptAside` says where.
// `rule`: whether the history may push out what entered it first.
std::optional<CMeasurementRecord> FindUnfinishedRun(std::filesystem::path* keptAside = nullptr,
                                                    HistoryRule rule = HistoryRule::Keep);
// Recovery: the unfinished run becomes the current measurement and the last measurement; its
// journal goes once the last measurement holds it. False, with the journal left, when that
// could not be written or a run holds the lock.
bool AdoptUnfinishedRun(CDTDoc& doc, CMeasurementRecord record,
                        HistoryRule rule = HistoryRule::Keep);
// The user declined the recovery: the run is kept in the history as a measurement file, and
// then the journal goes. The file kept; empty, with the journal left, when it was not.
std::optional<std::filesystem::path> DiscardUnfinishedRun();

// What the user is told of an unfinished run: its journal moved aside as damaged, its readings
// kept in the history after No, or a recovery that could not write them.
std::string DamagedJournalText(const std::filesystem::path& keptAside);
std::string DeclinedRunText(const std::optional<std::filesystem::path>& kept);
inline constexpr const char* MSG_RECOVERY_NOT_WRITTEN =
    "The recovered readings could not be written to PreMeasure.sound; they will be offered "
    "again at the next start.";
