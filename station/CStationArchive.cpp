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
                    "end_ms, readings, overlapping, interval_length_s) VALUES (?, ?, ?, ?, ?, ?, "
                    "0, EXISTS (SELECT 1 FROM runs WHERE end_ms > ?5), ?) RETURNING overlapping"),
          InsertReading(Db->Handle(), "INSERT INTO readings (time_ms, level_tenths) VALUES (?, ?)"),
          InsertOverlappingReading(Db->Handle(),
                                   "INSERT INTO overlapping_readings (run, time_ms, level_tenths) "
                                   "VALUES (?, ?, ?)"),
          InsertInterval(Db->Handle(),
                         "INSERT INTO intervals (run, start_ms, end_ms, partial, count, "
                         "count_with_level, leq_db, lmax_tenths, lmin_tenths, l10_tenths, "
                         "l50_tenths, l90_tenths) "
                         "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
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
                                             std::string& refusal, bool& busy,
                                             std::string& notice) {
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
        auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Write, refusal, &notice);
        if (!db) {
            close(lock);
            return nullptr;
        }
        return std::make_unique<CConnection>(lock, std::move(db));
    }

    bool InsertLevels(std::int64_t run, const CIntervalLevels& levels) {
        return InsertInterval.Bind(1, run)
            .Bind(2, levels.StartMs)
            .Bind(3, levels.EndMs)
            .Bind(4, std::int64_t{levels.Partial ? 1 : 0})
            .Bind(5, std::int64_t{levels.Count})
            .Bind(6, std::int64_t{levels.CountWithLevel})
            .Bind(7, levels.LeqDb)
            .Bind(8, TenthsOf(levels.LmaxDb))
            .Bind(9, TenthsOf(levels.LminDb))
            .Bind(10, TenthsOf(levels.L10Db))
            .Bind(11, TenthsOf(levels.L50Db))
            .Bind(12, TenthsOf(levels.L90Db))
            .Run();
    }

    // A monitor killed after an interval's line was printed, before the commit that held its
    // row, or inside its last interval, left readings without the row of their interval: the
    // rows are made from the readings, in one transaction, as the monitor would have made
    // them. The rows made, or -1 when they could not be written.
    int CompleteIntervals() {
        CStatement runs(Db->Handle(),
                        "SELECT id, interval_s, weighting = 'A', start_ms, end_ms, "
                        "interval_length_s, overlapping FROM runs WHERE interval_length_s > 0");
        CStatement last(Db->Handle(),
                        "SELECT end_ms FROM intervals WHERE start_ms > ? AND start_ms < ? AND "
                        "run = ? ORDER BY start_ms DESC LIMIT 1");
        CStatement mainReadings(Db->Handle(),
                                "SELECT time_ms, level_tenths FROM readings WHERE time_ms >= ? "
                                "AND time_ms < ? ORDER BY time_ms");
        CStatement apartReadings(Db->Handle(),
                                 "SELECT time_ms, level_tenths FROM overlapping_readings WHERE "
                                 "time_ms >= ? AND time_ms < ? AND run = ? ORDER BY run, time_ms");
        if (!Db->Execute("BEGIN IMMEDIATE")) {
            return -1;
        }
        int made = 0;
        bool written = true;
        while (written && runs.Step() == SQLITE_ROW) {
            const std::int64_t run = runs.Integer(0);
            const std::int64_t endMs = runs.Integer(4);
            const std::int64_t lengthMs = runs.Integer(5) * 1000;
            // Its first interval may begin up to an interval before the run.
            last.Bind(1, runs.Integer(3) - lengthMs).Bind(2, endMs).Bind(3, run);
            const std::int64_t fromMs =
                last.Step() == SQLITE_ROW ? last.Integer(0) : runs.Integer(3);
            last.Reset();
            if (fromMs >= endMs) {
                continue;
            }
            const bool apart = runs.Integer(6) != 0;
            CStatement& readings = apart ? apartReadings : mainReadings;
            readings.Bind(1, fromMs).Bind(2, endMs);
            if (apart) {
                readings.Bind(3, run);
            }
            CIntervalGatherer gatherer(static_cast<int>(runs.Integer(5)),
                                       static_cast<float>(runs.Real(1)), runs.Integer(2) != 0);
            while (written && readings.Step() == SQLITE_ROW) {
                if (const auto done = gatherer.Add(readings.Integer(0),
                                                   LevelOfTenths(readings.OptionalInteger(1)))) {
                    written = InsertLevels(run, *done);
                    ++made;
                }
            }
            readings.Reset();
            if (const auto open = gatherer.Finish(); written && open) {
                written = InsertLevels(run, *open);
                ++made;
            }
        }
        if (!written || !Db->Execute("COMMIT")) {
            (void)Db->Execute("ROLLBACK");
            return -1;
        }
        return made;
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
    CStatement InsertOverlappingReading;
    CStatement InsertInterval;
    CStatement UpdateRun;
    dev_t Device = 0;
    ino_t Inode = 0;
};

std::unique_ptr<CStationArchive> CStationArchive::Open(const std::filesystem::path& file,
                                                       std::ostream& messages, std::string& refusal,
                                                       bool& busy) {
    std::string notice;
    auto connection = CConnection::Open(file, refusal, busy, notice);
    if (!connection) {
        return nullptr;
    }
    if (!notice.empty()) {
        messages << notice << '\n';
    }
    if (const int made = connection->CompleteIntervals(); made != 0) {
        messages << "The archive " << Quoted(file) << " held readings without the rows of their "
                 << "intervals (a monitor stopped before it wrote them): "
                 << (made > 0 ? std::to_string(made) + " rows were made from the readings."
                              : "they could not be made (" + connection->Db->LastError() + ").")
                 << '\n';
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
        std::string notice;
        m_connection = CConnection::Open(m_file, refusal, busy, notice);
        if (!notice.empty()) {
            Say(notice);
        }
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
        c.InsertRun.Bind(1, run.Logger)
            .Bind(2, DecimalOf(run.SampleInterval))
            .Bind(3, std::string(run.IsDBA ? "A" : "C"))
            .Bind(4, std::string(run.IsFast ? "FAST" : "SLOW"))
            .Bind(5, run.StartMs)
            .Bind(6, state.EndMs)
            .Bind(7, run.IntervalSeconds > 0 ? std::optional<std::int64_t>(run.IntervalSeconds)
                                             : std::nullopt);
        if (c.InsertRun.Step() != SQLITE_ROW) {
            c.InsertRun.Reset();
            return SQLITE_ERROR;
        }
        state.Overlapping = c.InsertRun.Integer(0) != 0;
        if (!c.InsertRun.Run()) {
            return SQLITE_ERROR;
        }
        state.FileId = sqlite3_last_insert_rowid(c.Db->Handle());
        inserted.push_back(id);
    }
    CMinuteRollups rollups;
    for (const CHeldReading& reading : m_heldReadings) {
        ++added[reading.Run];
        const CRunState& state = m_runs[reading.Run];
        const auto tenths = TenthsOf(reading.LevelDb);
        rollups[MinuteStartOf(reading.TimeMs)].Add(tenths);
        const bool written =
            state.Overlapping
                ? c.InsertOverlappingReading.Bind(1, state.FileId)
                      .Bind(2, reading.TimeMs)
                      .Bind(3, tenths)
                      .Run()
                : c.InsertReading.Bind(1, reading.TimeMs).Bind(2, tenths).Run();
        if (!written) {
            return SQLITE_ERROR;
        }
    }
    if (!AddMinuteRollups(c.Db->Handle(), rollups)) {
        return SQLITE_ERROR;
    }
    for (const auto& [run, levels] : m_heldIntervals) {
        if (!c.InsertLevels(m_runs[run].FileId, levels)) {
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
    // Whatever file the path names next is another one, even where it got the same inode
    // number: the runs start again there.
    m_device = 0;
    m_inode = 0;
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
