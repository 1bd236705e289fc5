#pragma once

#include <chrono>
#include <filesystem>
#include <optional>

#include "document/CMeasurementRecord.h"

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

    // Starts the journal afresh with the record's header and the readings it holds (the first
    // one). False when the file cannot be written: the run goes on without it.
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

// The record a journal holds: its header, every whole reading, the statistics and the info
// panel texts. Empty when there is no journal, or it holds no reading or no whole header.
std::optional<CMeasurementRecord> ReadRunJournal(const std::filesystem::path& file);

class CDTDoc;

// The record of a run that did not end (the program was killed, the power failed), when its
// journal holds readings. A journal without readings is removed.
std::optional<CMeasurementRecord> FindUnfinishedRun();
// Recovery: the unfinished run becomes the current measurement and the last measurement; its
// journal goes once the last measurement holds it. False when that could not be written.
bool AdoptUnfinishedRun(CDTDoc& doc, CMeasurementRecord record);
// The user declined the recovery: the journal goes.
void DiscardUnfinishedRun();
