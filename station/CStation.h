#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <vector>

#include "document/CDTDoc.h"
#include "logger/CLinkHost.h"
#include "logger/CLoggerLink.h"
#include "logger/RunClock.h"
#include "station/CStationObserver.h"
#include "station/IntervalLevels.h"

struct CStationSettings {
    std::int64_t MaxReadings = 0;  // 0: no limit
    std::int64_t DurationMs = 0;   // 0: no limit
    int IntervalSeconds = 0;       // 0: no interval levels
    // A logger that stops answering, or is not there, is tried again every few seconds.
    bool Reconnect = false;
    // An archive holds every reading: a record the station kept as the last measurement does
    // not go into the history when its next one replaces it.
    bool Archived = false;
    CAlarmSettings Alarms;
};

// Why a station stopped.
enum class StationEnd {
    Stopped,        // a stop was asked for
    Limit,          // the readings or the duration asked for were taken
    LoggerStopped,  // the logger stopped answering, and no reconnect was asked for
    NotRealTime,    // the logger is set up for stored mode, and no reconnect was asked for
    NotConnected,   // no logger answered at the start, and no reconnect was asked for
};

// Unattended monitoring: a real-time run that goes on past the 10000 readings of one record
// (the next record starts at once, without missing a poll), polls on a fixed schedule of its
// clock, gathers interval levels, and tells its observers each run, reading and interval.
// The last record's readings are kept as the last measurement, as a run of the program keeps
// them.
class CStation : private CLinkHost {
public:
    // The logger's messages go to `prompt`, the station's own to `messages`.
    CStation(CBridge& bridge, CPrompt& prompt, CRunClock& clock, CStationSettings settings,
             std::ostream& messages);

    void AddObserver(CStationObserver& observer) { m_observers.push_back(&observer); }

    // Polls until a stop is asked for, a limit is reached or the logger is gone for good.
    StationEnd Run(const std::function<bool()>& stopRequested);

    std::int64_t Readings() const { return m_readings; }
    // False once a record's readings could not be kept as the last measurement.
    bool LastMeasurementKept() const { return m_lastMeasurementKept; }
    // The link to the logger, which tells why it was not found.
    const CLoggerLink& Link() const { return m_link; }

    static constexpr std::int64_t RECONNECT_PERIOD_MS = 5000;

private:
    enum class Start { Started, NotRealTime, Absent };

    Start StartRun();
    // Ends the run the station polls; `endMs`: when it was found to have ended, on the steady
    // clock.
    void EndRun(std::int64_t endMs);
    // One poll; false when the logger stopped answering.
    bool Poll();
    // Tells the observers and the interval levels of a reading at the time now due.
    void TellReading(float level);
    // The next record of the run, once one is full; false, with the run ended, when the
    // logger does not start it.
    bool NextRecord();
    // `missed` polls that fell due while the station was held up become readings without a
    // level, in the record and for the observers; the user is told. False as NextRecord.
    bool KeepMissedSlots(std::int64_t missed);
    // Waits on the station's clock until `dueMs`: false when a stop is asked for first.
    bool WaitUntil(std::int64_t dueMs, const std::function<bool()>& stopRequested);
    // True, with the user told, when the system's clock was set (or the system slept) since
    // the run began: its later readings would not be on its time grid.
    bool ClockStepped();
    std::int64_t LimitMs() const;
    // After the end of a record: one of this station's may now be the last measurement.
    void RecordKept();

    // The host side of the logger link.
    void BeginProgress(std::uint32_t) override {}
    void StepProgress(std::uint32_t) override {}
    void EndProgress() override {}
    CAlarmSettings AlarmSettings() const override { return m_settings.Alarms; }
    void StartPollTimer(std::uint32_t periodMs) override { m_periodMs = periodMs; }
    void StopPollTimer() override {}
    std::time_t Now() const override;

    CBridge& m_bridge;
    CRunClock& m_clock;
    CStationSettings m_settings;
    std::ostream& m_messages;
    CLoggerLink m_link;
    CDTDoc m_doc;
    std::vector<CStationObserver*> m_observers;
    std::optional<CIntervalGatherer> m_intervals;

    bool m_running = false;
    std::int64_t m_startMs = 0;
    std::int64_t m_dueMs = 0;  // the next poll, on the steady clock
    // What the system's clock was ahead of the steady one as the run began: readings are
    // stamped by the system's clock, polls kept to the steady one.
    std::int64_t m_wallOffsetMs = 0;
    std::uint32_t m_periodMs = 0;
    std::optional<std::int64_t> m_lastReadingMs;  // on the steady clock
    std::int64_t m_readings = 0;
    bool m_lastMeasurementKept = true;
};
