// The real-time run of CLoggerLink: one reading of the logger's level at every tick of the
// poll timer that the download started, until the run is stopped, the record is full or the
// logger stops answering.

#include <algorithm>
#include <limits>

#include "document/AlarmIndicator.h"
#include "document/CDTDoc.h"
#include "logger/CLinkHost.h"
#include "logger/CLoggerLink.h"
#include "platform/CProfile.h"

PollResult CLoggerLink::PollRealTime(CDTDoc& doc, CLinkHost& host) {
    if (m_handle == INVALID_BRIDGE_HANDLE) {
        // A failed open shows in the transfer that follows.
        (void)OpenLogger();
    }
    std::uint16_t raw = 0;
    if (!ReadLevel(raw)) {
        (void)EndRealTimeRun(doc, host);  // the caller tells the user that the logger stopped
        return PollResult::LoggerStopped;
    }
    const CMeasurementRecord& r = doc.Record();
    const auto level = static_cast<float>(raw * 0.1);
    // The logger answers 0 when it has no level to give; the previous level stands for it.
    AppendReading(doc, host,
                  level == 0.0f && r.SampleCount >= 1
                      ? r.Levels[static_cast<std::size_t>(r.SampleCount - 1)]
                      : level);
    if (!doc.RealTimeActive || doc.Record().SampleCount >= REAL_TIME_CAPACITY) {
        (void)EndRealTimeRun(doc, host);  // a journal that stays is offered at the next start
        return PollResult::Ended;
    }
    return PollResult::Polling;
}

std::int32_t CLoggerLink::KeepMissedSlots(CDTDoc& doc, CLinkHost& host, CPollGrid& grid,
                                          CPollGrid::Clock::time_point now, std::int32_t limit) {
    const std::chrono::milliseconds period = RunPollPeriod(doc.Record().SampleInterval);
    const std::int32_t kept = KeepMissedSlots(doc, host, grid.Missed(now, period), limit);
    grid.Advance(period * kept);
    return kept;
}

std::int32_t CLoggerLink::KeepMissedSlots(CDTDoc& doc, CLinkHost& host, std::int64_t missed,
                                          std::int32_t limit) {
    const CMeasurementRecord& r = doc.Record();
    if (r.SampleCount == 0) {
        return 0;
    }
    const auto kept = static_cast<std::int32_t>(
        std::max<std::int64_t>(0, std::min<std::int64_t>(missed, limit - r.SampleCount)));
    SkipReadings(doc, host, kept);
    return kept;
}

void CLoggerLink::SkipReadings(CDTDoc& doc, CLinkHost& host, std::int32_t count) {
    for (std::int32_t i = 0; i < count && doc.Record().SampleCount > 0; ++i) {
        AppendReading(doc, host, std::numeric_limits<float>::quiet_NaN());
    }
}

bool CLoggerLink::ReadLevel(std::uint16_t& raw) {
    std::uint32_t count = 0;
    if (!WriteCommand(CMD_READ_LEVEL, 0, 0, count) || !ReadReply(LEVEL_REPLY_SIZE)) {
        return false;
    }
    raw = static_cast<std::uint16_t>(m_receive[0] | (m_receive[1] << 8));
    return true;
}

void CLoggerLink::AppendReading(CDTDoc& doc, CLinkHost& host, float level) {
    CMeasurementRecord& r = doc.Record();
    if (r.SampleCount >= r.Capacity()) {
        return;  // a record that is not a prepared real-time series takes nothing
    }
    r.Levels[static_cast<std::size_t>(r.SampleCount)] = level;
    const bool first = r.SampleCount == 0;
    if (first) {
        host.StartPollTimer(static_cast<std::uint32_t>(RunPollPeriod(r.SampleInterval).count()));
        r.StartTime = host.Now();
        r.Info.StartTime = StartTimeText(r.StartTime);
    }
    ++r.SampleCount;
    r.Info.DataNo = std::to_string(r.SampleCount);

    const CAlarmSettings alarms = host.AlarmSettings();
    doc.RealTimeAlarm = DecideAlarmIndicator(level, LeadingInteger(alarms.HighText),
                                             LeadingInteger(alarms.LowText));
    doc.StoredData = false;
    r.RecomputeStatistics();

    if (first) {
        if (const auto file = RunJournalPath()) {
            m_journal.emplace(*file);
        }
        // Without a journal the run still keeps its readings, but a crash would lose them.
        m_journalFailed = !m_journal || !m_journal->Begin(r);
    } else if (m_journal && !m_journal->Append(level)) {
        m_journalFailed = true;
    }
    doc.UpdateAllViews(DocumentChange::ReadingAppended);
}

bool CLoggerLink::EndRealTimeRun(CDTDoc& doc, CLinkHost& host) {
    doc.RealTimeActive = false;
    host.StopPollTimer();
    CloseLogger();
    // The journal goes only once the readings are safe in the last measurement; a run that
    // took none leaves the last measurement as it was.
    const bool kept = doc.Record().SampleCount == 0 || doc.SaveLastMeasurement(m_historyRule);
    m_runKept = kept;
    if (kept && m_journal) {
        m_journal->Remove();
    }
    m_journal.reset();
    m_runLock.reset();
    doc.UpdateAllViews(DocumentChange::RunEnded);
    return kept;
}
