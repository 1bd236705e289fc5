#include "station/CStationArchive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ostream>

#include "export/AcousticStatistics.h"
#include "platform/LocalTime.h"

namespace {

std::string Quoted(const std::filesystem::path& file) {
    return "\"" + file.string() + "\"";
}

}  // namespace

ArchiveFailure ArchiveFailureOf(int extendedCode) {
    switch (extendedCode & 0xFF) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return ArchiveFailure::Damaged;
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
        case SQLITE_READONLY:  // among them a file moved away under the connection
            return ArchiveFailure::Reopen;
        default:
            return ArchiveFailure::Hold;
    }
}

// The archive file as the writer has it open: the lock on it (taken apart from SQLite's own
// locks, which readers share), the connection, its statements, and which file it is. In this
// order, so that they go in the other: the lock is let go only after SQLite closed the file.
struct CStationArchive::CConnection {
    struct CLock {
        explicit CLock(int descriptor) : Descriptor(descriptor) {}
        ~CLock() { close(Descriptor); }
        CLock(const CLock&) = delete;
        CLock& operator=(const CLock&) = delete;
        int Descriptor;
    };

    CConnection(int lock, std::unique_ptr<CArchiveDatabase> db)
        : Lock(lock),
          Db(std::move(db)),
          InsertRun(Db->Handle(),
                    "INSERT INTO runs (logger, interval_s, weighting, time_weighting, start_ms, "
                    "end_ms, readings) VALUES (?, ?, ?, ?, ?, ?, 0)"),
          InsertReading(Db->Handle(),
                        "INSERT INTO readings (run, time_ms, level_db) VALUES (?, ?, ?)"),
          InsertInterval(Db->Handle(),
                         "INSERT INTO intervals (run, start_ms, end_ms, partial, count, leq_db, "
                         "lmax_db, lmin_db, l10_db, l50_db, l90_db) "
                         "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          UpdateRun(Db->Handle(),
                    "UPDATE runs SET end_ms = ?, readings = readings + ? WHERE id = ?") {
        struct stat status {};
        fstat(Lock.Descriptor, &status);
        Device = status.st_dev;
        Inode = status.st_ino;
    }

    // The file open here, locked; or empty with `refusal` saying why and `busy` whether
    // another writer holds it.
    static std::unique_ptr<CConnection> Open(const std::filesystem::path& file,
                                             std::string& refusal, bool& busy) {
        busy = false;
        const int lock = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
        if (lock < 0) {
            refusal = "The archive " + Quoted(file) + " cannot be opened.";
            return nullptr;
        }
        if (flock(lock, LOCK_EX | LOCK_NB) != 0) {
            close(lock);
            busy = true;
            refusal = "The archive " + Quoted(file) +
                      " is being written by another monitor; an archive has one writer.";
            return nullptr;
        }
        auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Write, refusal);
        if (!db) {
            close(lock);
            return nullptr;
        }
        return std::make_unique<CConnection>(lock, std::move(db));
    }

    // True while the path names the file open here (a cheap look, before each commit).
    bool NamedBy(const std::filesystem::path& file) const {
        struct stat status {};
        return stat(file.c_str(), &status) == 0 && status.st_dev == Device &&
               status.st_ino == Inode;
    }

    CLock Lock;
    std::unique_ptr<CArchiveDatabase> Db;
    CStatement InsertRun;
    CStatement InsertReading;
    CStatement InsertInterval;
    CStatement UpdateRun;
    dev_t Device = 0;
    ino_t Inode = 0;
};

std::unique_ptr<CStationArchive> CStationArchive::Open(const std::filesystem::path& file,
                                                       std::ostream& messages, std::string& refusal,
                                                       bool& busy) {
    auto connection = CConnection::Open(file, refusal, busy);
    if (!connection) {
        return nullptr;
    }
    return std::unique_ptr<CStationArchive>(
        new CStationArchive(file, std::move(connection), messages));
}

CStationArchive::CStationArchive(std::filesystem::path file,
                                 std::unique_ptr<CConnection> connection, std::ostream& messages)
    : m_file(std::move(file)),
      m_messages(messages),
      m_connection(std::move(connection)),
      m_device(m_connection->Device),
      m_inode(m_connection->Inode),
      m_nextCheckpoint(std::chrono::steady_clock::now() + CHECKPOINT_PERIOD),
      m_writer([this] { Write(); }) {}

CStationArchive::~CStationArchive() {
    if (m_writer.joinable()) {
        (void)Close();
    }
}

void CStationArchive::Tell(const std::function<void(CInbox&)>& change) {
    {
        const std::lock_guard lock(m_mutex);
        change(m_inbox);
    }
    SayWhatTheWriterSaid();
}

void CStationArchive::SayWhatTheWriterSaid() {
    std::vector<std::string> said;
    {
        const std::lock_guard lock(m_mutex);
        said.swap(m_said);
    }
    for (const std::string& text : said) {
        m_messages << text << '\n';
    }
}

void CStationArchive::RunStarted(const CStationRun& run) {
    const std::int64_t id = ++m_currentRun;
    Tell([&](CInbox& inbox) {
        inbox.Started.emplace_back(id, run);
        inbox.Urgent = true;
    });
    m_wake.notify_one();
}

void CStationArchive::Reading(const CStationReading& reading) {
    const auto run = static_cast<std::int32_t>(m_currentRun);
    Tell([&](CInbox& inbox) {
        if (inbox.Readings.size() + m_writerHolds >= MAX_HELD_READINGS) {
            ++m_dropped;
        } else {
            inbox.Readings.push_back({reading.TimeMs, reading.LevelDb, run});
        }
    });
}

void CStationArchive::IntervalCompleted(const CIntervalLevels& interval) {
    Tell([&](CInbox& inbox) { inbox.Intervals.push_back({m_currentRun, interval}); });
}

void CStationArchive::RunEnded(std::int64_t endMs) {
    Tell([&](CInbox& inbox) {
        inbox.Ended.emplace_back(m_currentRun, endMs);
        inbox.Urgent = true;
    });
    m_wake.notify_one();
}

void CStationArchive::Idle() {
    SayWhatTheWriterSaid();
}

std::int64_t CStationArchive::PendingReadings() {
    const std::lock_guard lock(m_mutex);
    return static_cast<std::int64_t>(m_inbox.Readings.size() + m_writerHolds);
}

std::int64_t CStationArchive::Close() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_writer.join();
    SayWhatTheWriterSaid();
    // What the last commit could not write is lost with the program.
    m_dropped += static_cast<std::int64_t>(m_heldReadings.size() + m_inbox.Readings.size());
    m_heldReadings.clear();
    m_inbox.Readings.clear();
    return m_dropped;
}

void CStationArchive::Write() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait_for(lock, COMMIT_PERIOD, [this] { return m_stop || m_inbox.Urgent; });
        const bool stopping = m_stop;
        const bool urgent = m_inbox.Urgent || stopping;
        CInbox inbox;
        std::swap(inbox, m_inbox);
        m_writerHolds += inbox.Readings.size();
        lock.unlock();
        TakeInbox(inbox);
        const auto now = std::chrono::steady_clock::now();
        const bool held =
            !m_heldReadings.empty() || !m_heldIntervals.empty() || !m_touchedRuns.empty();
        if (held && !m_broken && (urgent || now >= m_nextAttempt)) {
            Attempt();
        }
        if (m_connection && !m_failing && now >= m_nextCheckpoint) {
            Checkpoint();
        }
        lock.lock();
        m_writerHolds = m_heldReadings.size();
        if (stopping) {
            return;
        }
    }
}

void CStationArchive::TakeInbox(CInbox& inbox) {
    for (auto& [id, run] : inbox.Started) {
        CRunState& state = m_runs[id];
        state.Run = run;
        state.EndMs = run.StartMs;
        state.PeriodMs = std::llround(run.SampleInterval * 1000.0);
        m_touchedRuns.push_back(id);
    }
    for (const CHeldReading& reading : inbox.Readings) {
        CRunState& state = m_runs[reading.Run];
        state.EndMs = reading.TimeMs + state.PeriodMs;
        m_heldReadings.push_back(reading);
    }
    for (CHeldInterval& interval : inbox.Intervals) {
        m_heldIntervals.push_back(std::move(interval));
    }
    for (const auto& [id, endMs] : inbox.Ended) {
        m_runs[id].EndMs = endMs;
        m_runs[id].Ended = true;
        if (std::find(m_touchedRuns.begin(), m_touchedRuns.end(), id) == m_touchedRuns.end()) {
            m_touchedRuns.push_back(id);
        }
    }
}

void CStationArchive::Attempt() {
    const auto now = std::chrono::steady_clock::now();
    m_nextAttempt = now + COMMIT_PERIOD;
    if (m_connection && !m_connection->NamedBy(m_file)) {
        Say("The archive " + Quoted(m_file) +
            " is no longer the file being written (replaced, deleted, or its folder removed): "
            "that file is closed with its log, and the readings from now on go into an "
            "archive at " +
            Quoted(m_file) + ".");
        LetGoOfMovedFile();
    }
    if (!m_connection) {
        std::string refusal;
        bool busy = false;
        m_connection = CConnection::Open(m_file, refusal, busy);
        if (!m_connection) {
            // Not this archive's file any more: writing there would spoil another's.
            const bool foreign = busy || std::filesystem::exists(m_file);
            if (foreign || !m_failing) {
                Say(refusal + (foreign ? " " + NotKeptText()
                                       : " The readings are held in memory, up to " +
                                             std::to_string(MAX_HELD_READINGS) + ", until it can."));
            }
            m_broken = m_broken || foreign;
            m_failing = true;
            m_nextAttempt = now + RETRY_PERIOD;
            return;
        }
        const bool sameFile =
            m_connection->Device == m_device && m_connection->Inode == m_inode;
        m_device = m_connection->Device;
        m_inode = m_connection->Inode;
        // Every run still being told starts again in a new file, from what it holds.
        for (auto& [id, state] : m_runs) {
            if (sameFile) {
                break;
            }
            state.FileId = 0;
            const auto first = std::find_if(m_heldReadings.begin(), m_heldReadings.end(),
                                            [id](const CHeldReading& r) { return r.Run == id; });
            state.Run.StartMs = first != m_heldReadings.end() ? first->TimeMs : state.EndMs;
            if (std::find(m_touchedRuns.begin(), m_touchedRuns.end(), id) == m_touchedRuns.end()) {
                m_touchedRuns.push_back(id);
            }
        }
    }
    const std::size_t held = m_heldReadings.size();
    const int result = Commit();
    if (result == SQLITE_OK) {
        if (m_failing) {
            m_failing = false;
            Say("The archive " + Quoted(m_file) + " is written again: " + std::to_string(held) +
                " held readings were saved.");
        }
        return;
    }
    const std::string reason = m_connection->Db->LastError();
    switch (ArchiveFailureOf(result)) {
        case ArchiveFailure::Damaged:
            m_broken = true;
            Say("The archive " + Quoted(m_file) + " is damaged (" + reason +
                "): nothing more is written to it. " + NotKeptText());
            m_connection.reset();
            return;
        case ArchiveFailure::Reopen:
            m_connection.reset();  // opened again at the next attempt
            break;
        case ArchiveFailure::Hold:
            break;
    }
    if (!m_failing) {
        m_failing = true;
        Say("The archive " + Quoted(m_file) + " cannot be written (" + reason +
            "): the readings are held in memory, up to " + std::to_string(MAX_HELD_READINGS) +
            ", until it can.");
    }
    m_nextAttempt = now + ((result & 0xFF) == SQLITE_BUSY ? COMMIT_PERIOD : RETRY_PERIOD);
}

int CStationArchive::Commit() {
    CArchiveDatabase& db = *m_connection->Db;
    std::vector<std::int64_t> inserted;
    int result = db.Execute("BEGIN IMMEDIATE") ? WriteHeld(inserted) : SQLITE_ERROR;
    if (result == SQLITE_OK && !db.Execute("COMMIT")) {
        result = SQLITE_ERROR;
    }
    if (result != SQLITE_OK) {
        result = sqlite3_extended_errcode(db.Handle());
        if (!sqlite3_get_autocommit(db.Handle())) {
            (void)db.Execute("ROLLBACK");
        }
        // Rows of a transaction undone: the runs are inserted at the next try.
        for (const std::int64_t id : inserted) {
            m_runs[id].FileId = 0;
        }
        return result == SQLITE_OK ? SQLITE_ERROR : result;
    }
    m_heldReadings.clear();
    m_heldIntervals.clear();
    m_touchedRuns.clear();
    std::erase_if(m_runs, [](const auto& run) { return run.second.Ended; });
    return SQLITE_OK;
}

int CStationArchive::WriteHeld(std::vector<std::int64_t>& inserted) {
    CConnection& c = *m_connection;
    std::map<std::int64_t, std::int64_t> added;  // readings per run
    for (const std::int64_t id : m_touchedRuns) {
        added[id] += 0;
    }
    for (auto& [id, state] : m_runs) {
        if (state.FileId != 0 || !added.contains(id)) {
            continue;
        }
        const CStationRun& run = state.Run;
        if (!c.InsertRun.Bind(1, run.Logger)
                 .Bind(2, DecimalOf(run.SampleInterval))
                 .Bind(3, std::string(run.IsDBA ? "A" : "C"))
                 .Bind(4, std::string(run.IsFast ? "FAST" : "SLOW"))
                 .Bind(5, run.StartMs)
                 .Bind(6, state.EndMs)
                 .Run()) {
            return SQLITE_ERROR;
        }
        state.FileId = sqlite3_last_insert_rowid(c.Db->Handle());
        inserted.push_back(id);
    }
    for (const CHeldReading& reading : m_heldReadings) {
        ++added[reading.Run];
        c.InsertReading.Bind(1, m_runs[reading.Run].FileId).Bind(2, reading.TimeMs);
        c.InsertReading.Bind(3, std::isfinite(reading.LevelDb)
                                    ? std::optional<double>(DecimalOf(reading.LevelDb))
                                    : std::nullopt);
        if (!c.InsertReading.Run()) {
            return SQLITE_ERROR;
        }
    }
    for (const auto& [run, levels] : m_heldIntervals) {
        if (!c.InsertInterval.Bind(1, m_runs[run].FileId)
                 .Bind(2, levels.StartMs)
                 .Bind(3, levels.EndMs)
                 .Bind(4, std::int64_t{levels.Partial ? 1 : 0})
                 .Bind(5, std::int64_t{levels.Count})
                 .Bind(6, levels.LeqDb)
                 .Bind(7, levels.LmaxDb)
                 .Bind(8, levels.LminDb)
                 .Bind(9, levels.L10Db)
                 .Bind(10, levels.L50Db)
                 .Bind(11, levels.L90Db)
                 .Run()) {
            return SQLITE_ERROR;
        }
    }
    for (const auto& [id, count] : added) {
        if (!c.UpdateRun.Bind(1, m_runs[id].EndMs).Bind(2, count).Bind(3, m_runs[id].FileId).Run()) {
            return SQLITE_ERROR;
        }
    }
    return SQLITE_OK;
}

void CStationArchive::LetGoOfMovedFile() {
    // SQLite leaves the log of a file that moved away on close, under the path's name, where
    // the next opening would apply it to whatever file the path names then. The log goes
    // into the moved file (what was committed stays there) and is removed with the switch
    // out of WAL mode.
    CArchiveDatabase& db = *m_connection->Db;
    (void)db.Execute("PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode=DELETE");
    m_connection.reset();
}

void CStationArchive::Checkpoint() {
    m_nextCheckpoint = std::chrono::steady_clock::now() + CHECKPOINT_PERIOD;
    sqlite3* db = m_connection->Db->Handle();
    int logged = 0;
    int copied = 0;
    // Cut the log back only when no reader still reads from it: never wait on one.
    if (sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, &logged, &copied) ==
            SQLITE_OK &&
        logged == copied) {
        sqlite3_busy_timeout(db, 0);
        (void)sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_busy_timeout(db, CArchiveDatabase::BUSY_TIMEOUT_MS);
    }
}

void CStationArchive::Say(std::string text) {
    const std::lock_guard lock(m_mutex);
    m_said.push_back(std::move(text));
}

std::string CStationArchive::NotKeptText() const {
    if (m_heldReadings.empty()) {
        return "No reading was lost.";
    }
    return std::to_string(m_heldReadings.size()) + " readings, from " +
           IsoLocalTimeMs(m_heldReadings.front().TimeMs, false) + " to " +
           IsoLocalTimeMs(m_heldReadings.back().TimeMs, false) +
           ", and those to come could not be kept.";
}
