#include "station/CStationArchive.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ostream>

#include "export/AcousticStatistics.h"

namespace {

std::string Quoted(const std::filesystem::path& file) {
    return "\"" + file.string() + "\"";
}

}  // namespace

std::unique_ptr<CStationArchive> CStationArchive::Open(const std::filesystem::path& file,
                                                       std::ostream& messages, std::string& refusal,
                                                       bool& busy) {
    busy = false;
    // The lock is on the file itself, apart from SQLite's own locks, which readers share.
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
    return std::unique_ptr<CStationArchive>(
        new CStationArchive(file, std::move(db), lock, messages));
}

CStationArchive::CStationArchive(std::filesystem::path file, std::unique_ptr<CArchiveDatabase> db,
                                 int lock, std::ostream& messages)
    : m_file(std::move(file)),
      m_lock(lock),
      m_db(std::move(db)),
      m_messages(messages),
      m_insertRun(m_db->Handle(),
                  "INSERT INTO runs (id, logger, interval_s, weighting, time_weighting, "
                  "start_ms, end_ms, readings) VALUES (?, ?, ?, ?, ?, ?, ?, 0)"),
      m_insertReading(m_db->Handle(),
                      "INSERT INTO readings (run, time_ms, level_db) VALUES (?, ?, ?)"),
      m_insertInterval(m_db->Handle(),
                       "INSERT INTO intervals (run, start_ms, end_ms, partial, count, leq_db, "
                       "lmax_db, lmin_db, l10_db, l50_db, l90_db) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
      m_updateRun(m_db->Handle(),
                  "UPDATE runs SET end_ms = ?, readings = readings + ? WHERE id = ?") {
    CStatement last(m_db->Handle(), "SELECT coalesce(max(id), 0) FROM runs");
    m_currentRun = last.Step() == SQLITE_ROW ? last.Integer(0) : 0;
}

CStationArchive::CWriterLock::~CWriterLock() {
    close(Descriptor);
}

void CStationArchive::RunStarted(const CStationRun& run) {
    CRunState& state = m_runs[++m_currentRun];
    state.Run = run;
    state.EndMs = run.StartMs;
    state.PeriodMs = std::llround(run.SampleInterval * 1000.0);
    m_touchedRuns.push_back(m_currentRun);
}

void CStationArchive::Reading(const CStationReading& reading) {
    if (m_heldReadings.size() >= MAX_HELD_READINGS) {
        ++m_dropped;
    } else {
        m_heldReadings.push_back(
            {reading.TimeMs, reading.LevelDb, static_cast<std::int32_t>(m_currentRun)});
        CRunState& state = m_runs[m_currentRun];
        state.EndMs = reading.TimeMs + state.PeriodMs;
    }
    CommitIfDue();
}

void CStationArchive::IntervalCompleted(const CIntervalLevels& interval) {
    m_heldIntervals.push_back({m_currentRun, interval});
}

void CStationArchive::RunEnded(std::int64_t endMs) {
    m_runs[m_currentRun].EndMs = endMs;
    if (m_touchedRuns.empty() || m_touchedRuns.back() != m_currentRun) {
        m_touchedRuns.push_back(m_currentRun);
    }
    m_lastAttempt = {};  // a run's end is written at once
    CommitIfDue();
}

void CStationArchive::Idle() {
    CommitIfDue();
}

void CStationArchive::CommitIfDue() {
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastAttempt < (m_failing ? RETRY_PERIOD : COMMIT_PERIOD) ||
        (m_heldReadings.empty() && m_heldIntervals.empty() && m_touchedRuns.empty())) {
        return;
    }
    m_lastAttempt = now;
    (void)Commit();
}

bool CStationArchive::Commit() {
    const std::size_t held = m_heldReadings.size();
    const bool written = m_db->Execute("BEGIN IMMEDIATE") && WriteHeld() && m_db->Execute("COMMIT");
    if (!written) {
        const std::string reason = m_db->LastError();
        if (!sqlite3_get_autocommit(m_db->Handle())) {
            (void)m_db->Execute("ROLLBACK");
        }
        if (!m_failing) {
            m_failing = true;
            m_messages << "The archive " << Quoted(m_file) << " cannot be written (" << reason
                       << "): the readings are held in memory, up to " << MAX_HELD_READINGS
                       << ", until it can.\n";
        }
        return false;
    }
    if (m_failing) {
        m_failing = false;
        m_messages << "The archive " << Quoted(m_file) << " is written again: " << held
                   << " held readings were saved.\n";
    }
    // Marked only now: after a failed transaction the runs are inserted at the next try.
    for (const std::int64_t id : m_touchedRuns) {
        m_runs[id].Inserted = true;
    }
    m_heldReadings.clear();
    m_heldIntervals.clear();
    m_touchedRuns.clear();
    return true;
}

bool CStationArchive::WriteHeld() {
    std::map<std::int64_t, std::int64_t> added;  // readings per run
    for (const std::int64_t id : m_touchedRuns) {
        added[id] += 0;
    }
    for (auto& [id, state] : m_runs) {
        if (state.Inserted || !added.contains(id)) {
            continue;
        }
        const CStationRun& run = state.Run;
        if (!m_insertRun.Bind(1, id)
                 .Bind(2, run.Logger)
                 .Bind(3, DecimalOf(run.SampleInterval))
                 .Bind(4, std::string(run.IsDBA ? "A" : "C"))
                 .Bind(5, std::string(run.IsFast ? "FAST" : "SLOW"))
                 .Bind(6, run.StartMs)
                 .Bind(7, state.EndMs)
                 .Run()) {
            return false;
        }
    }
    for (const CHeldReading& reading : m_heldReadings) {
        ++added[reading.Run];
        m_insertReading.Bind(1, std::int64_t{reading.Run}).Bind(2, reading.TimeMs);
        m_insertReading.Bind(3, std::isfinite(reading.LevelDb)
                                    ? std::optional<double>(DecimalOf(reading.LevelDb))
                                    : std::nullopt);
        if (!m_insertReading.Run()) {
            return false;
        }
    }
    for (const auto& [run, levels] : m_heldIntervals) {
        if (!m_insertInterval.Bind(1, run)
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
            return false;
        }
    }
    for (const auto& [id, count] : added) {
        if (!m_updateRun.Bind(1, m_runs[id].EndMs).Bind(2, count).Bind(3, id).Run()) {
            return false;
        }
    }
    return true;
}

std::int64_t CStationArchive::Close() {
    if (!m_heldReadings.empty() || !m_heldIntervals.empty() || !m_touchedRuns.empty()) {
        if (!Commit()) {
            m_dropped += static_cast<std::int64_t>(m_heldReadings.size());
            m_heldReadings.clear();
        }
    }
    return m_dropped;
}
