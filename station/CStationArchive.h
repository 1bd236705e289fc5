#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "station/ArchiveDatabase.h"
#include "station/CStationObserver.h"

// What to do when a transaction fails, by SQLite's extended result code.
enum class ArchiveFailure {
    Hold,     // the disk is full or another connection holds the lock: wait, then again
    Reopen,   // an I/O error or a file moved away: open the file the path names now
    Damaged,  // a damaged database: nothing more is written, the monitor stops
};
ArchiveFailure ArchiveFailureOf(int extendedCode);

// The one writer of an archive: it keeps every run, reading and interval of a station in the
// SQLite file. The station's thread only queues what it tells; a writer thread of the archive
// commits the queue once a second, so that polling never waits on the disk or on a lock that
// another connection holds, and a killed monitor loses at most the last second.
//
// When the archive cannot be written (a full disk, a lock held), it says so and holds what
// comes in memory, up to MAX_HELD_READINGS readings, writing it all when it can again;
// readings beyond that are dropped and counted. Before each commit it checks that the path
// still names the file it has open: a file replaced, deleted or taken away with its folder is
// closed with its log, and what follows goes into an archive at the path again.
class CStationArchive : public CStationObserver {
public:
    // About 8 MB of memory: at one reading a second, almost six days.
    static constexpr std::size_t MAX_HELD_READINGS = 500000;

    // The archive, locked; or empty with `refusal` saying why and `busy` whether another
    // writer holds it.
    static std::unique_ptr<CStationArchive> Open(const std::filesystem::path& file,
                                                 std::ostream& messages, std::string& refusal,
                                                 bool& busy);
    ~CStationArchive() override;
    CStationArchive(const CStationArchive&) = delete;
    CStationArchive& operator=(const CStationArchive&) = delete;

    void RunStarted(const CStationRun& run) override;
    void Reading(const CStationReading& reading) override;
    void IntervalCompleted(const CIntervalLevels& interval) override;
    void RunEnded(std::int64_t endMs) override;
    void Idle() override;

    // True once nothing more can be written (a damaged file, a path taken by a file that is
    // not this archive's): the station is to stop.
    bool Broken() const { return m_broken; }
    // Readings told that are not in the file yet.
    std::int64_t PendingReadings();

    // Writes what is still held, at the end of monitoring; what cannot be written then is
    // dropped. The readings dropped over the whole time.
    std::int64_t Close();

    static constexpr std::chrono::seconds COMMIT_PERIOD{1};
    // How long a failed write rests before it is tried again.
    static constexpr std::chrono::seconds RETRY_PERIOD{5};
    // How often the log is copied into the file and cut back: what a power cut can lose.
    static constexpr std::chrono::seconds CHECKPOINT_PERIOD{60};

private:
    struct CHeldReading {
        std::int64_t TimeMs;
        float LevelDb;
        std::int32_t Run;  // the station's own number of the run, from 1
    };
    struct CHeldInterval {
        std::int64_t Run;
        CIntervalLevels Levels;
    };
    struct CRunState {
        CStationRun Run;
        std::int64_t FileId = 0;  // its row in the file open now; 0 before it is written
        std::int64_t EndMs = 0;
        std::int64_t PeriodMs = 0;
        bool Ended = false;
        bool Overlapping = false;  // its readings are kept apart in this file
    };
    // What the station told since the writer last looked.
    struct CInbox {
        std::vector<std::pair<std::int64_t, CStationRun>> Started;
        std::deque<CHeldReading> Readings;
        std::vector<CHeldInterval> Intervals;
        std::vector<std::pair<std::int64_t, std::int64_t>> Ended;  // run and end
        bool Urgent = false;  // a run's start and end are written at once
    };
    struct CConnection;

    CStationArchive(std::filesystem::path file, std::unique_ptr<CConnection> connection,
                    std::ostream& messages);
    void Tell(const std::function<void(CInbox&)>& change);
    void SayWhatTheWriterSaid();

    // The writer thread.
    void Write();
    void TakeInbox(CInbox& inbox);
    void Attempt();
    // One transaction with everything held; the extended result code.
    int Commit();
    int WriteHeld(std::vector<std::int64_t>& inserted);
    void LetGoOfMovedFile();
    void Checkpoint();
    void Say(std::string text);
    std::string NotKeptText() const;

    std::filesystem::path m_file;
    std::ostream& m_messages;
    std::int64_t m_currentRun = 0;  // the station's thread only
    std::int64_t m_dropped = 0;     // the station's thread only

    std::mutex m_mutex;  // guards the inbox, the writer's words and the stop request
    std::condition_variable m_wake;
    CInbox m_inbox;
    std::vector<std::string> m_said;
    bool m_stop = false;
    std::atomic<std::size_t> m_writerHolds{0};
    std::atomic<bool> m_broken{false};

    // The writer thread's own.
    std::unique_ptr<CConnection> m_connection;
    dev_t m_device = 0;  // the file last written
    ino_t m_inode = 0;
    std::map<std::int64_t, CRunState> m_runs;  // this station's runs not yet all written
    std::deque<CHeldReading> m_heldReadings;
    std::vector<CHeldInterval> m_heldIntervals;
    std::vector<std::int64_t> m_touchedRuns;  // runs whose row the next commit writes
    bool m_failing = false;
    std::chrono::steady_clock::time_point m_nextAttempt;
    std::chrono::steady_clock::time_point m_nextCheckpoint;

    std::thread m_writer;  // last: it starts when everything else is there
};
