#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "station/CStationObserver.h"
#include "station/MqttPayloads.h"

// What a station looks like at one moment, as the web page and the metrics show it.
struct CStationSnapshot {
    std::int64_t Sequence = 0;  // grows with every change
    std::int64_t ProcessStartMs = 0;
    bool LoggerConnected = false;
    std::optional<CStationRun> Run;  // the run under way, or the last one
    // The run's figures so far, over the readings with a level.
    std::int64_t RunReadings = 0;
    std::int64_t RunReadingsWithLevel = 0;
    double RunEnergy = 0.0;  // sum of 10^(L/10)
    float RunMaxDb = 0.0f;
    float RunMinDb = 0.0f;
    std::optional<CStationReading> Last;
    std::int64_t Readings = 0;
    std::int64_t ReadingsWithoutLevel = 0;
    std::optional<CIntervalLevels> LastInterval;
    std::string Alarm = "off";                   // "high", "low" or "off"
    std::optional<std::int64_t> ArchivePending;  // empty without an archive
    std::optional<bool> BrokerOnline;            // empty without a broker

    std::optional<double> RunLeqDb() const;
};

// Where the station's other parts are asked how they are. Both are asked on the station's own
// thread, between polls, so that no client of the state ever waits on them.
struct CStationProbes {
    std::function<std::int64_t()> ArchivePending;
    std::function<bool()> BrokerOnline;
};

// An observer that keeps the newest state of a station for readers on other threads: the
// station's calls only copy a few numbers under a short lock, and readers copy them out.
// Readers may wait for the next change.
class CStationState : public CStationObserver {
public:
    // A web page's chart: the last hour of readings.
    static constexpr std::int64_t HISTORY_MS = 3600000;
    // The intervals kept in memory for a station without an archive: a day's.
    static constexpr std::int64_t INTERVALS_MS = 86400000;

    CStationState(const CAlarmSettings& alarms, CStationProbes probes);

    void RunStarted(const CStationRun& run) override;
    void Reading(const CStationReading& reading) override;
    void IntervalCompleted(const CIntervalLevels& interval) override;
    void RunEnded(std::int64_t endMs) override;
    void Idle() override;

    CStationSnapshot Snapshot() const;
    std::int64_t Sequence() const;
    // The readings of the last hour, oldest first.
    std::vector<CStationReading> History() const;
    // The intervals kept that start within [fromMs, toMs), oldest first.
    std::vector<CIntervalLevels> Intervals(std::int64_t fromMs, std::int64_t toMs) const;

    // Waits at most `timeout` for a state newer than `seen`; false once the state is closed.
    bool WaitForChange(std::int64_t seen, std::chrono::milliseconds timeout) const;
    // Wakes every waiter for good: the station is over.
    void Close();

private:
    void Changed();

    CStationProbes m_probes;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    CStationSnapshot m_state;
    CAlarmCrossings m_crossings;
    std::deque<CStationReading> m_history;
    std::deque<CIntervalLevels> m_intervals;
    bool m_closed = false;
};
