#include "station/ArchiveRange.h"

#include <cmath>
#include <map>
#include <set>

#include "export/CsvExport.h"
#include "platform/CAtomicFile.h"
#include "platform/LocalTime.h"

namespace {

// Lines are gathered and handed to the file in pieces of about this size.
constexpr std::size_t CSV_CHUNK = 64 * 1024;

// The run each reading belongs to, looked up again only when the run changes.
class CRunLookup {
public:
    explicit CRunLookup(CArchiveDatabase& db) {
        for (CArchivedRun& run : ArchivedRuns(db, {})) {
            m_runs.emplace(run.Id, std::move(run));
        }
    }

    // Empty for a reading of no run: the file was changed by hand.
    const CArchivedRun* Of(const CArchivedReading& reading) {
        if (!m_last || m_last->Id != reading.Run) {
            const auto run = m_runs.find(reading.Run);
            m_last = run == m_runs.end() ? nullptr : &run->second;
        }
        return m_last;
    }

private:
    std::map<std::int64_t, CArchivedRun> m_runs;
    const CArchivedRun* m_last = nullptr;
};

CReadingTime TimeOf(std::int64_t ms) {
    const std::time_t second = WholeSecond(ms);
    return {second, static_cast<int>(ms - std::int64_t{second} * 1000)};
}

std::optional<CArchiveFigures> ReadFailed(const CArchiveCursor& cursor, CRangeProblem& problem) {
    problem = {true, "The archive cannot be read: " + cursor.Error() + "."};
    return std::nullopt;
}

}  // namespace

std::optional<CArchiveFigures> ArchiveFigures(CArchiveDatabase& db, const CArchiveRange& range,
                                              const CAlarmSettings& alarms,
                                              CRangeProblem& problem) {
    CArchiveFigures figures;
    figures.Runs = ArchivedRuns(db, range).size();
    CRunLookup runs(db);
    const CArchivedRun* first = nullptr;
    std::optional<CMeasurementRecord> header;
    std::optional<CStatisticsAccumulator> statistics;
    std::optional<CAssessmentAccumulator> assessment;
    std::int64_t lastMs = 0;
    CArchiveCursor cursor(db, range);
    for (CArchivedReading reading; cursor.Next(reading);) {
        const CArchivedRun* run = runs.Of(reading);
        if (!run) {
            continue;
        }
        if (!first) {
            first = run;
            header = ArchivedRunRecord(*run, alarms);
            statistics.emplace(*header);
            assessment.emplace(*header, CAssessmentOptions{});
        } else if (run->IntervalS != first->IntervalS || run->IsDBA != first->IsDBA) {
            problem = {false,
                       "The range holds runs of different rates or weightings; narrow --from "
                       "and --to to runs of one."};
            return std::nullopt;
        }
        const std::time_t second = WholeSecond(reading.TimeMs);
        statistics->Add(second, reading.LevelDb);
        assessment->Add(second, reading.TimeMs, reading.LevelDb);
        lastMs = reading.TimeMs;
    }
    if (!cursor.Error().empty()) {
        return ReadFailed(cursor, problem);
    }
    if (first) {
        figures.Statistics = statistics->Result();
        figures.Assessment = assessment->Result(
            lastMs + std::llround(static_cast<double>(header->SampleInterval) * 1000.0));
    } else {
        figures.Assessment = CAssessmentAccumulator(CMeasurementRecord{}, {}).Result(0);
    }
    return figures;
}

bool WriteArchiveCsv(CArchiveDatabase& db, const CArchiveRange& range, const std::string& file,
                     CRangeProblem& problem) {
    CAtomicFile out(file);
    if (!out.Open()) {
        return false;
    }
    CRunLookup runs(db);
    CCsvLines lines;
    const std::string units[] = {UnitText(0), UnitText(1)};
    std::string text = CSV_HEADER_LINE;
    text.reserve(CSV_CHUNK + 128);
    std::int64_t number = 0;
    CArchiveCursor cursor(db, range);
    for (CArchivedReading reading; cursor.Next(reading);) {
        const CArchivedRun* run = runs.Of(reading);
        if (!run) {
            continue;
        }
        lines.Append(text, ++number, TimeOf(reading.TimeMs), run->IntervalS < 1.0, reading.LevelDb,
                     units[run->IsDBA ? 1 : 0]);
        if (text.size() >= CSV_CHUNK) {
            out.Stream().write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    if (!cursor.Error().empty()) {
        ReadFailed(cursor, problem);
        return false;
    }
    out.Stream().write(text.data(), static_cast<std::streamsize>(text.size()));
    return out.Commit();
}

std::optional<CMeasurementRecord> ArchivedMeasurement(CArchiveDatabase& db,
                                                      const CArchiveRange& range,
                                                      const CAlarmSettings& alarms,
                                                      CRangeProblem& problem) {
    CRunLookup runs(db);
    std::set<std::int64_t> seen;  // the runs read
    const CArchivedRun* first = nullptr;
    std::int64_t firstMs = 0;
    std::int64_t count = 0;
    std::vector<float> levels;
    CArchiveCursor cursor(db, range);
    for (CArchivedReading reading; cursor.Next(reading);) {
        const CArchivedRun* run = runs.Of(reading);
        if (!run) {
            continue;
        }
        seen.insert(run->Id);
        if (!first) {
            first = run;
            firstMs = reading.TimeMs;
        }
        // Past what one record holds the readings are only counted, for the message.
        if (++count <= FILE_CAPACITY && seen.size() == 1) {
            levels.push_back(reading.LevelDb);
        }
    }
    if (!cursor.Error().empty()) {
        ReadFailed(cursor, problem);
        return std::nullopt;
    }
    // A measurement holds one series: one run, of one rate, within the file's limit.
    if (seen.size() != 1 || count > FILE_CAPACITY) {
        problem = {false, "holds the readings of one run, at most " +
                              std::to_string(FILE_CAPACITY) + "; the range holds " +
                              std::to_string(count) + " readings of " +
                              std::to_string(seen.size()) + " runs"};
        return std::nullopt;
    }
    CMeasurementRecord record = ArchivedRunRecord(*first, alarms);
    const auto held = static_cast<std::int32_t>(levels.size());
    record.ReplaceSeries(held);
    std::copy(levels.begin(), levels.end(), record.Levels.begin());
    record.SampleCount = held;
    record.StartTime = WholeSecond(firstMs);
    record.Info.StartTime = StartTimeText(record.StartTime);
    record.Info.DataNo = std::to_string(held);
    record.RecomputeStatistics();
    return record;
}
