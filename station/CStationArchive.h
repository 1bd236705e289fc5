#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "station/ArchiveDatabase.h"
#include "station/CStationObserver.h"

// The one writer of an archive: it keeps every run, reading and interval of a station in the
// SQLite file, one transaction a second at the most, so that a killed monitor loses at most
// the last second. The file stays locked while it writes; readers are never held up.
//
// When the archive cannot be written (a full disk), it says so at once and holds what comes
// in memory, up to MAX_HELD_READINGS readings, writing it all when it can again; readings
// beyond that are dropped and counted.
class CStationArchive : public CStationObserver {
public:
    // About 8 MB of memory: at one reading a second, almost six days.
    static constexpr std::size_t MAX_HELD_READINGS = 500000;

    // The archive, locked; or empty with `refusal` saying why and `busy` whether another
    // writer holds it.
    static std::unique_ptr<CStationArchive> Open(const std::filesystem::path& file,
                                                 std::ostream& messages, std::string& refusal,
                                                 bool& busy);
    ~CStationArchive() override = default;
    CStationArchive(const CStationArchive&) = delete;
    CStationArchive& operator=(const CStationArchive&) = delete;

    void RunStarted(const CStationRun& run) override;
    void Reading(const CStationReading& reading) override;
    void IntervalCompleted(const CIntervalLevels& interval) override;
    void RunEnded(std::int64_t endMs) override;
    void Idle() override;

    // Writes what is still held, at the end of monitoring; what cannot be written then is
    // dropped. The readings dropped over the whole time.
    std::int64_t Close();

    static constexpr std::chrono::seconds COMMIT_PERIOD{1};
    // How long a failed write rests before it is tried again.
    static constexpr std::chrono::seconds RETRY_PERIOD{5};

private:
    struct CHeldReading {
        std::int64_t TimeMs;
        float LevelDb;
        std::int32_t Run;
    };
    struct CHeldInterval {
        std::int64_t Run;
        CIntervalLevels Levels;
    };
    struct CRunState {
        CStationRun Run;
        bool Inserted = false;
        std::int64_t EndMs = 0;
        std::int64_t PeriodMs = 0;
    };

    // The writer's lock on the archive file, let go only after SQLite has closed the file.
    struct CWriterLock {
        explicit CWriterLock(int descriptor) : Descriptor(descriptor) {}
        ~CWriterLock();
        CWriterLock(const CWriterLock&) = delete;
        CWriterLock& operator=(const CWriterLock&) = delete;
        int Descriptor;
    };

    CStationArchive(std::filesystem::path file, std::unique_ptr<CArchiveDatabase> db, int lock,
                    std::ostream& messages);
    void CommitIfDue();
    // One transaction with everything held; false when it could not be written.
    bool Commit();
    bool WriteHeld();

    std::filesystem::path m_file;
    // In this order, so that they go in the other: the statements, the database, the lock.
    CWriterLock m_lock;
    std::unique_ptr<CArchiveDatabase> m_db;
    std::ostream& m_messages;
    CStatement m_insertRun;
    CStatement m_insertReading;
    CStatement m_insertInterval;
    CStatement m_updateRun;

    std::map<std::int64_t, CRunState> m_runs;  // this station's runs, by id
    std::int64_t m_currentRun = 0;
    std::deque<CHeldReading> m_heldReadings;
    std::vector<CHeldInterval> m_heldIntervals;
    std::vector<std::int64_t> m_touchedRuns;  // runs whose row the next commit updates
    std::int64_t m_dropped = 0;
    bool m_failing = false;
    std::chrono::steady_clock::time_point m_lastAttempt;
};
