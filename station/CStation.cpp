#include "station/CStation.h"

#include <algorithm>
#include <array>
#include <limits>
#include <ostream>

#include "logger/PollGrid.h"

namespace {

// The longest the station sleeps before it looks at a stop request again.
constexpr std::int64_t STOP_CHECK_PERIOD_MS = 50;
// How far behind, in real time, the station may fall and still take every poll, one after
// another until it is on time again: a record written to the disk where one record ends, a
// commit, a sleep that wakes late.
constexpr std::int64_t CATCH_UP_MS = 1000;

// How far the system's clock may move against the steady one before a run ends: a run's times
// stay true, and a gap or an overlap shows as a new run.
constexpr std::int64_t CLOCK_STEP_MS = 1000;

const char* const TRYING_AGAIN = "trying again every 5 seconds.";

std::string LoggerName(CBridge& bridge) {
    std::array<char, BRIDGE_STRING_SIZE> name{};
    if (bridge.BridgeQueryString(0, name, 0) != BridgeStatus::Success) {
        return "";
    }
    return std::string(name.data());
}

}  // namespace

CStation::CStation(CBridge& bridge, CPrompt& prompt, CRunClock& clock, CStationSettings settings,
                   std::ostream& messages)
    : m_bridge(bridge),
      m_clock(clock),
      m_settings(std::move(settings)),
      m_messages(messages),
      m_link(bridge, prompt) {
    // The station never pushes a measurement out of the history: it may run for weeks.
    m_link.SetHistoryRule(HistoryRule::KeepUnpruned);
}

void CStation::RecordKept() {
    // A run that took no reading left the last measurement as it was.
    if (m_settings.Archived && m_doc.Record().SampleCount > 0 && m_link.LastRunKept()) {
        m_link.SetHistoryRule(HistoryRule::Archived);
    }
}

// The link stamps a record's start with it at the record's first reading: the time of the
// poll due, which a poll taken late, as the station catches up, would put off the grid.
std::time_t CStation::Now() const {
    return static_cast<std::time_t>((m_dueMs + m_wallOffsetMs) / 1000);
}

bool CStation::ClockStepped() {
    const std::int64_t stepMs = m_clock.WallAheadMs() - m_wallOffsetMs;
    if (stepMs >= -CLOCK_STEP_MS && stepMs <= CLOCK_STEP_MS) {
        return false;
    }
    m_messages << "The system clock was set " << (stepMs > 0 ? "forward" : "back") << " by "
               << (stepMs > 0 ? stepMs : -stepMs) / 1000
               << " s, or the system slept: the run ends and a new one begins.\n";
    return true;
}

std::int64_t CStation::LimitMs() const {
    return m_settings.DurationMs > 0 ? m_startMs + m_settings.DurationMs : INT64_MAX;
}

StationEnd CStation::Run(const std::function<bool()>& stopRequested) {
    m_startMs = m_clock.NowMs();
    bool told = false;  // the current absence of the logger has been reported
    for (;;) {
        if (!m_running) {
            const Start start = StartRun();
            if (start == Start::Started) {
                if (told) {
                    m_messages << "The logger answers again: a new run begins.\n";
                }
                told = false;
            } else if (!m_settings.Reconnect) {
                return start == Start::NotRealTime ? StationEnd::NotRealTime
                                                   : StationEnd::NotConnected;
            } else {
                if (!told) {
                    m_messages << (start == Start::NotRealTime
                                       ? "The logger answers but is set up for stored mode: it "
                                         "is not used; "
                                       : "No logger answers; ")
                               << TRYING_AGAIN << '\n';
                    if (m_link.LoggerNotPermitted()) {
                        m_messages << MSG_NOT_PERMITTED << '\n';
                    }
                    told = true;
                }
                const std::int64_t retryMs = m_clock.NowMs() + RECONNECT_PERIOD_MS;
                if (!WaitUntil(std::min(retryMs, LimitMs()), stopRequested)) {
                    return StationEnd::Stopped;
                }
                if (m_clock.NowMs() >= LimitMs()) {
                    return StationEnd::Limit;
                }
                continue;
            }
        }
        if (m_dueMs >= LimitMs()) {
            EndRun(LimitMs());
            return StationEnd::Limit;
        }
        if (!WaitUntil(m_dueMs, stopRequested)) {
            EndRun(m_clock.NowMs());
            return StationEnd::Stopped;
        }
        if (ClockStepped()) {
            EndRun(m_lastReadingMs ? *m_lastReadingMs + m_periodMs : m_dueMs);
            continue;
        }
        if (!Poll()) {
            if (!m_settings.Reconnect) {
                return StationEnd::LoggerStopped;
            }
            m_messages << "The logger stopped answering after " << m_readings << " readings; "
                       << TRYING_AGAIN << '\n';
            told = true;
            continue;
        }
        if (m_settings.MaxReadings > 0 && m_readings >= m_settings.MaxReadings) {
            EndRun(*m_lastReadingMs + m_periodMs);
            return StationEnd::Limit;
        }
    }
}

CStation::Start CStation::StartRun() {
    if (m_link.FindLogger() < 0) {
        return Start::Absent;
    }
    switch (m_link.RunDownload(m_doc, *this, DownloadScope::RealTimeOnly)) {
        case DownloadResult::RealTimeStarted:
            break;
        case DownloadResult::NotRealTime:
            return Start::NotRealTime;
        default:
            return Start::Absent;  // the link has said why, if the logger answered at all
    }
    const CMeasurementRecord& record = m_doc.Record();
    CStationRun run;
    run.Logger = LoggerName(m_bridge);
    run.SampleInterval = record.SampleInterval;
    run.IsDBA = record.IsDBA != 0;
    run.IsFast = record.IsFast != 0;
    m_dueMs = m_clock.NowMs() + m_periodMs;
    m_wallOffsetMs = m_clock.WallAheadMs();
    run.StartMs = m_dueMs + m_wallOffsetMs;
    run.IntervalSeconds = m_settings.IntervalSeconds;
    m_running = true;
    m_lastReadingMs.reset();
    if (m_settings.IntervalSeconds > 0) {
        m_intervals.emplace(m_settings.IntervalSeconds, run.SampleInterval, run.IsDBA);
    }
    for (CStationObserver* observer : m_observers) {
        observer->RunStarted(run);
    }
    return Start::Started;
}

void CStation::EndRun(std::int64_t endMs) {
    if (m_doc.RealTimeActive && !m_link.EndRealTimeRun(m_doc, *this)) {
        m_lastMeasurementKept = false;
    }
    RecordKept();
    m_running = false;
    if (m_intervals) {
        if (const auto last = m_intervals->Finish()) {
            for (CStationObserver* observer : m_observers) {
                observer->IntervalCompleted(*last);
            }
        }
        m_intervals.reset();
    }
    for (CStationObserver* observer : m_observers) {
        observer->RunEnded(endMs + m_wallOffsetMs);
    }
}

bool CStation::Poll() {
    const PollResult result = m_link.PollRealTime(m_doc, *this);
    if (result == PollResult::LoggerStopped) {
        // The link has ended the record and kept its readings.
        EndRun(m_lastReadingMs ? *m_lastReadingMs + m_periodMs : m_clock.NowMs());
        return false;
    }
    const CMeasurementRecord& record = m_doc.Record();
    TellReading(record.Levels[static_cast<std::size_t>(record.SampleCount - 1)]);
    // The record is full and kept: the next one starts now, before the next poll is due.
    if (result == PollResult::Ended && !NextRecord()) {
        return false;
    }
    m_dueMs += m_periodMs;
    // A station that fell further behind (a stopped process, a blocked output, a slow disk)
    // keeps the polls it missed as readings without a level, so that every later reading
    // keeps its true time.
    const std::int64_t period = m_periodMs;
    const std::int64_t tolerance = std::max<std::int64_t>(period, CATCH_UP_MS * m_clock.Speed());
    if (const std::int64_t late = m_clock.NowMs() - m_dueMs; late >= tolerance) {
        // No more of them than the readings and the duration asked for.
        std::int64_t missed = late / period;
        if (m_settings.MaxReadings > 0) {
            missed = std::min(missed, m_settings.MaxReadings - m_readings);
        }
        if (m_settings.DurationMs > 0) {
            missed = std::min(missed, (LimitMs() - m_dueMs + period - 1) / period);
        }
        return missed <= 0 || KeepMissedSlots(missed);
    }
    return true;
}

void CStation::TellReading(float level) {
    const CStationReading reading{++m_readings, m_dueMs + m_wallOffsetMs, level};
    m_lastReadingMs = m_dueMs;
    for (CStationObserver* observer : m_observers) {
        observer->Reading(reading);
    }
    if (m_intervals) {
        if (const auto completed = m_intervals->Add(reading.TimeMs, reading.LevelDb)) {
            for (CStationObserver* observer : m_observers) {
                observer->IntervalCompleted(*completed);
            }
        }
    }
}

bool CStation::NextRecord() {
    RecordKept();
    const std::uint32_t period = m_periodMs;
    if (m_link.RunDownload(m_doc, *this, DownloadScope::RealTimeOnly) !=
        DownloadResult::RealTimeStarted) {
        EndRun(*m_lastReadingMs + period);
        return false;
    }
    m_periodMs = period;
    return true;
}

bool CStation::KeepMissedSlots(std::int64_t missed) {
    m_messages << HeldUpRunText(missed) << '\n';
    while (missed > 0) {
        // A record that starts within the stall takes none: it begins at its first poll.
        const std::int32_t kept = m_link.KeepMissedSlots(m_doc, *this, missed, REAL_TIME_CAPACITY);
        const std::int64_t told = kept > 0 ? kept : missed;
        for (std::int64_t i = 0; i < told; ++i) {
            TellReading(std::numeric_limits<float>::quiet_NaN());
            m_dueMs += m_periodMs;
        }
        missed -= told;
        if (m_doc.Record().SampleCount >= REAL_TIME_CAPACITY) {
            if (!m_link.EndRealTimeRun(m_doc, *this)) {
                m_lastMeasurementKept = false;
            }
            if (!NextRecord()) {
                return false;
            }
        }
    }
    return true;
}

bool CStation::WaitUntil(std::int64_t dueMs, const std::function<bool()>& stopRequested) {
    for (;;) {
        if (stopRequested()) {
            return false;
        }
        const std::int64_t left = dueMs - m_clock.NowMs();
        if (left <= 0) {
            return true;
        }
        for (CStationObserver* observer : m_observers) {
            observer->Idle();
        }
        m_clock.Sleep(std::min(left, STOP_CHECK_PERIOD_MS * m_clock.Speed()));
    }
}
