#include "station/CStationState.h"

#include <algorithm>
#include <cmath>

std::optional<double> CStationSnapshot::RunLeqDb() const {
    if (RunReadingsWithLevel == 0) {
        return std::nullopt;
    }
    return 10.0 * std::log10(RunEnergy / static_cast<double>(RunReadingsWithLevel));
}

CStationState::CStationState(const CAlarmSettings& alarms, CStationProbes probes)
    : m_probes(std::move(probes)), m_crossings(alarms) {
    m_state.ProcessStartMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    if (m_probes.ArchivePending) {
        m_state.ArchivePending = 0;
    }
    if (m_probes.BrokerOnline) {
        m_state.BrokerOnline = false;
    }
}

void CStationState::Changed() {
    ++m_state.Sequence;
    m_changed.notify_all();
}

void CStationState::RunStarted(const CStationRun& run) {
    const std::lock_guard lock(m_mutex);
    m_state.LoggerConnected = true;
    m_state.Run = run;
    m_state.RunReadings = 0;
    m_state.RunReadingsWithLevel = 0;
    m_state.RunEnergy = 0.0;
    Changed();
}

void CStationState::Reading(const CStationReading& reading) {
    const std::lock_guard lock(m_mutex);
    m_state.Last = reading;
    ++m_state.Readings;
    ++m_state.RunReadings;
    if (std::isfinite(reading.LevelDb)) {
        const float level = reading.LevelDb;
        m_state.RunMaxDb =
            m_state.RunReadingsWithLevel == 0 ? level : std::max(m_state.RunMaxDb, level);
        m_state.RunMinDb =
            m_state.RunReadingsWithLevel == 0 ? level : std::min(m_state.RunMinDb, level);
        m_state.RunEnergy += std::pow(10.0, level / 10.0);
        ++m_state.RunReadingsWithLevel;
    } else {
        ++m_state.ReadingsWithoutLevel;
    }
    m_crossings.Add(reading);
    m_state.Alarm = m_crossings.State();
    m_history.push_back(reading);
    while (m_history.front().TimeMs <= reading.TimeMs - HISTORY_MS) {
        m_history.pop_front();
    }
    Changed();
}

void CStationState::IntervalCompleted(const CIntervalLevels& interval) {
    const std::lock_guard lock(m_mutex);
    m_state.LastInterval = interval;
    m_intervals.push_back(interval);
    while (m_intervals.front().StartMs <= interval.StartMs - INTERVALS_MS) {
        m_intervals.pop_front();
    }
    Changed();
}

void CStationState::RunEnded(std::int64_t) {
    const std::lock_guard lock(m_mutex);
    m_state.LoggerConnected = false;
    Changed();
}

void CStationState::Idle() {
    // Asked before the lock is taken: the parts asked have locks of their own.
    const auto pending =
        m_probes.ArchivePending ? std::optional(m_probes.ArchivePending()) : std::nullopt;
    const auto online =
        m_probes.BrokerOnline ? std::optional(m_probes.BrokerOnline()) : std::nullopt;
    const std::lock_guard lock(m_mutex);
    if (pending != m_state.ArchivePending || online != m_state.BrokerOnline) {
        m_state.ArchivePending = pending;
        m_state.BrokerOnline = online;
        Changed();
    }
}

CStationSnapshot CStationState::Snapshot() const {
    const std::lock_guard lock(m_mutex);
    return m_state;
}

std::int64_t CStationState::Sequence() const {
    const std::lock_guard lock(m_mutex);
    return m_state.Sequence;
}

std::vector<CStationReading> CStationState::History() const {
    const std::lock_guard lock(m_mutex);
    return {m_history.begin(), m_history.end()};
}

std::vector<CIntervalLevels> CStationState::Intervals(std::int64_t fromMs,
                                                      std::int64_t toMs) const {
    const std::lock_guard lock(m_mutex);
    std::vector<CIntervalLevels> intervals;
    for (const CIntervalLevels& interval : m_intervals) {
        if (interval.StartMs >= fromMs && interval.StartMs < toMs) {
            intervals.push_back(interval);
        }
    }
    return intervals;
}

bool CStationState::WaitForChange(std::int64_t seen, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, timeout, [&] { return m_closed || m_state.Sequence > seen; });
    return !m_closed;
}

void CStationState::Close() {
    const std::lock_guard lock(m_mutex);
    m_closed = true;
    m_changed.notify_all();
}
