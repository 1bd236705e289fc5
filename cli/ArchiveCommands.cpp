// datalogger-cli archive: what a monitor's archive holds, read while the monitor writes.

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cmath>
#include <map>
#include <ostream>

#include "cli/CConsolePrompt.h"
#include "cli/CliCommands.h"
#include "cli/StationMonitor.h"
#include "document/CDTDoc.h"
#include "document/CSaveCommand.h"
#include "export/AcousticStatistics.h"
#include "export/ExportFiles.h"
#include "export/StatisticsFields.h"
#include "export/StatisticsJson.h"
#include "platform/CAtomicFile.h"
#include "platform/CSettings.h"
#include "platform/LocalTime.h"
#include "station/ArchiveQueries.h"
#include "station/MqttPayloads.h"

namespace {

struct CArchiveOptions {
    std::string File;
    std::string From;
    std::string To;
    bool Json = false;
    std::string Out;
};

// The archive named, or the monitor's default one, opened for reading; empty (with the exit
// status set and the reason printed) when it cannot be.
std::filesystem::path ArchivePath(const std::string& file) {
    return file.empty() ? DefaultArchiveFile().value_or("archive.sqlite")
                        : std::filesystem::path(file);
}

std::unique_ptr<CArchiveDatabase> OpenArchive(const std::string& file, CCliContext& context) {
    const std::filesystem::path path = ArchivePath(file);
    std::string refusal;
    auto db = CArchiveDatabase::Open(path, CArchiveDatabase::Access::Read, refusal);
    if (!db) {
        context.Err << refusal << '\n';
        context.ExitCode = EXIT_BAD_FILE;
    }
    return db;
}

std::optional<CArchiveRange> RangeOf(const CArchiveOptions& options, CCliContext& context) {
    CArchiveRange range;
    for (const auto& [text, bound] :
         {std::pair{&options.From, &range.FromMs}, std::pair{&options.To, &range.ToMs}}) {
        if (text->empty()) {
            continue;
        }
        const auto time = ParseArchiveTime(*text);
        if (!time) {
            context.Err << "Cannot read the time \"" << *text
                        << "\" (ISO 8601, or YYYY-MM-DD[ HH:MM] local time).\n";
            context.ExitCode = EXIT_USAGE;
            return std::nullopt;
        }
        *bound = *time;
    }
    if (range.FromMs >= range.ToMs) {
        context.Err << "--from (" << options.From << ") must come before --to (" << options.To
                    << ").\n";
        context.ExitCode = EXIT_USAGE;
        return std::nullopt;
    }
    return range;
}

CAlarmSettings Alarms() {
    const CFrameSettings frame = ReadFrameSettings(ReadSettingsFile());
    return {frame.AlarmHigh, frame.AlarmLow};
}

std::string IsoTime(std::int64_t ms) {
    return IsoLocalTimeMs(ms, false);
}

void PrintRuns(const CArchiveOptions& options, CCliContext& context) {
    const auto db = OpenArchive(options.File, context);
    if (!db) {
        return;
    }
    context.Out << "run\tstart\tend\treadings\tinterval_s\tweighting\tlogger\n";
    for (const CArchivedRun& run : ArchivedRuns(*db, {})) {
        context.Out << run.Id << '\t' << IsoTime(run.StartMs) << '\t' << IsoTime(run.EndMs) << '\t'
                    << run.Readings << '\t' << run.IntervalS << '\t' << (run.IsDBA ? "A" : "C")
                    << '\t' << run.Logger << '\n';
    }
}

// The readings of the range split where their run changes.
struct CSegment {
    const CArchivedRun* Run;
    std::size_t First;
    std::size_t Count;
};

std::vector<CSegment> Segments(const std::vector<CArchivedRun>& runs,
                               const std::vector<CArchivedReading>& readings) {
    std::map<std::int64_t, const CArchivedRun*> byId;
    for (const CArchivedRun& run : runs) {
        byId[run.Id] = &run;
    }
    std::vector<CSegment> segments;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        if (segments.empty() || segments.back().Run->Id != readings[i].Run) {
            const auto run = byId.find(readings[i].Run);
            if (run == byId.end()) {
                continue;  // a reading of no run: the file was changed by hand
            }
            segments.push_back({run->second, i, 0});
        }
        ++segments.back().Count;
    }
    return segments;
}

// Why the readings cannot be taken as one series of one rate and weighting, or empty.
std::optional<std::string> MixedRuns(const std::vector<CSegment>& segments) {
    for (const CSegment& segment : segments) {
        if (segment.Run->IntervalS != segments.front().Run->IntervalS ||
            segment.Run->IsDBA != segments.front().Run->IsDBA) {
            return "The range holds runs of different rates or weightings; narrow --from and "
                   "--to to runs of one.";
        }
    }
    return std::nullopt;
}

// The hours of the clock across all runs: each run's hours, joined where they meet.
std::vector<CHourlyLeq> JoinedHours(const std::vector<CSegment>& segments,
                                    const std::vector<CArchivedReading>& readings,
                                    const CAlarmSettings& alarms) {
    struct CEnergy {
        std::int32_t Count = 0;
        std::int32_t Levels = 0;
        double Sum = 0.0;  // Σ n × 10^(Leq/10)
    };
    std::map<std::time_t, CEnergy> hours;
    for (const CSegment& segment : segments) {
        const CMeasurementRecord record =
            ArchivedRecord(*segment.Run, readings, segment.First, segment.Count, alarms);
        for (const CHourlyLeq& hour : ComputeAcousticStatistics(record).Hourly) {
            CEnergy& energy = hours[hour.Start];
            energy.Count += hour.Count;
            if (hour.LeqDb) {
                energy.Levels += hour.Count;
                energy.Sum += hour.Count * std::pow(10.0, *hour.LeqDb / 10.0);
            }
        }
    }
    std::vector<CHourlyLeq> joined;
    for (const auto& [start, energy] : hours) {
        joined.push_back({start, energy.Count,
                          energy.Levels > 0
                              ? std::optional<double>(10.0 * std::log10(energy.Sum / energy.Levels))
                              : std::nullopt});
    }
    return joined;
}

void PrintStatistics(const CArchiveOptions& options, CCliContext& context) {
    const auto range = RangeOf(options, context);
    const auto db = range ? OpenArchive(options.File, context) : nullptr;
    if (!db) {
        return;
    }
    const auto runs = ArchivedRuns(*db, *range);
    const auto readings = ArchivedReadings(*db, *range);
    const auto intervals = ArchivedIntervals(*db, *range);
    const auto allRuns = ArchivedRuns(*db, {});
    const auto segments = Segments(allRuns, readings);
    if (const auto mixed = MixedRuns(segments)) {
        context.Err << *mixed << '\n';
        context.ExitCode = EXIT_USAGE;
        return;
    }
    const CAlarmSettings alarms = Alarms();
    CAcousticStatistics statistics;
    if (!segments.empty()) {
        const CMeasurementRecord all =
            ArchivedRecord(*segments.front().Run, readings, 0, readings.size(), alarms);
        statistics = ComputeAcousticStatistics(all);
        statistics.Hourly = JoinedHours(segments, readings, alarms);
    }
    if (options.Json) {
        nlohmann::json object = nlohmann::json::parse(StatisticsJson(statistics));
        object["runs"] = runs.size();
        object["intervals"] = nlohmann::json::array();
        for (const CIntervalLevels& interval : intervals) {
            object["intervals"].push_back(nlohmann::json(IntervalObject(interval)));
        }
        context.Out << object.dump(2) << '\n';
        return;
    }
    context.Out << "Runs: " << runs.size() << '\n';
    for (const CStatisticsField& field : StatisticsFields(statistics)) {
        context.Out << field.Label << ": " << field.Text << '\n';
    }
    for (const CHourlyLeq& hour : statistics.Hourly) {
        context.Out << HourlyLabel(statistics, hour) << ": " << HourlyText(hour) << '\n';
    }
    for (const CIntervalLevels& interval : intervals) {
        context.Out << IntervalLine(interval) << '\n';
    }
}

// The readings as the csv command writes a measurement's, numbered from 1 across runs, each
// with its own time: the runs' gaps stay gaps.
bool WriteArchivedCsv(const std::vector<CSegment>& segments,
                      const std::vector<CArchivedReading>& readings, const std::string& file) {
    CAtomicFile out(file);
    if (!out.Open()) {
        return false;
    }
    out.Stream() << "number,time,level_db,weighting\r\n";
    for (const CSegment& segment : segments) {
        const bool milliseconds = segment.Run->IntervalS < 1.0;
        const char* unit = segment.Run->IsDBA ? ",dBA\r\n" : ",dBC\r\n";
        for (std::size_t i = segment.First; i < segment.First + segment.Count; ++i) {
            const std::string time = IsoLocalTimeMs(readings[i].TimeMs, milliseconds);
            std::string level;
            if (std::isfinite(readings[i].LevelDb)) {
                AppendLevelText(level, readings[i].LevelDb);
            }
            out.Stream() << (i + 1) << ',' << time << ',' << level << unit;
        }
    }
    return out.Commit();
}

void ExportArchive(CArchiveOptions options, CCliContext& context) {
    // One name alone is what to write, from the default archive.
    if (options.Out.empty()) {
        std::swap(options.File, options.Out);
    }
    if (options.Out.empty()) {
        context.Err << "archive export: name the file to write (OUT), a .csv, .xlsx or .sound.\n";
        context.ExitCode = EXIT_USAGE;
        return;
    }
    // Whatever the name (a link, another path), the export never writes over its archive.
    std::error_code missing;  // an output that does not exist yet is another file
    if (std::filesystem::equivalent(ArchivePath(options.File), options.Out, missing)) {
        context.Err << "The output \"" << options.Out << "\" is the archive \""
                    << ArchivePath(options.File).string()
                    << "\" itself; name another file to write.\n";
        context.ExitCode = EXIT_USAGE;
        return;
    }
    const auto range = RangeOf(options, context);
    const auto db = range ? OpenArchive(options.File, context) : nullptr;
    if (!db) {
        return;
    }
    const std::string extension = std::filesystem::path(options.Out).extension().string();
    if (extension != ".csv" && extension != ".xlsx" && extension != ".sound") {
        context.Err << "\"" << options.Out << "\": the archive exports to .csv, .xlsx or .sound.\n";
        context.ExitCode = EXIT_USAGE;
        return;
    }
    const auto readings = ArchivedReadings(*db, *range);
    const auto allRuns = ArchivedRuns(*db, {});
    const auto segments = Segments(allRuns, readings);
    bool written = false;
    if (extension == ".csv") {
        written = WriteArchivedCsv(segments, readings, options.Out);
    } else {
        // A measurement holds one series: one run, of one rate, within the file's limit.
        if (segments.size() != 1 || readings.size() > static_cast<std::size_t>(FILE_CAPACITY)) {
            context.Err << "A " << extension << " file holds the readings of one run, at most "
                        << FILE_CAPACITY << "; the range holds " << readings.size()
                        << " readings of " << segments.size()
                        << " runs. Narrow --from and --to, or export to .csv.\n";
            context.ExitCode = EXIT_USAGE;
            return;
        }
        CDTDoc doc;
        doc.Record() =
            ArchivedRecord(*segments.front().Run, readings, 0, readings.size(), Alarms());
        CConsolePrompt prompt(context.Out, context.Err);
        written = extension == ".sound"
                      ? SaveMeasurementFile(doc, options.Out, prompt)
                      : ExportToFile(doc.Record(), ExportFormat::Workbook, options.Out);
    }
    if (!written) {
        if (extension != ".sound") {  // the save has named the file itself
            context.Err << ExportFailedMessage(options.Out) << '\n';
        }
        context.ExitCode = EXIT_FAILURE_STATUS;
    }
}

void AddRange(CLI::App& command, CArchiveOptions& options) {
    command.add_option("--from", options.From,
                       "From this time on: ISO 8601, or YYYY-MM-DD[ HH:MM] local time");
    command.add_option("--to", options.To, "Up to this time (not included)");
}

}  // namespace

void RegisterArchiveCommands(CLI::App& app, CCliContext& context) {
    auto* archive = app.add_subcommand(
        "archive", "Read the archive a monitor keeps, also while it writes: runs, stats, export");
    archive->require_subcommand(1);
    const char* fileHelp = "The archive (default archive.sqlite in the program directory)";

    auto runsOptions = std::make_shared<CArchiveOptions>();
    auto* runs = archive->add_subcommand("runs", "List the runs: start, end, readings, rate");
    runs->add_option("FILE", runsOptions->File, fileHelp);
    runs->callback([&context, runsOptions] { PrintRuns(*runsOptions, context); });

    auto statsOptions = std::make_shared<CArchiveOptions>();
    auto* stats = archive->add_subcommand(
        "stats", "The statistics of stats over a time range across runs, and its intervals");
    stats->add_option("FILE", statsOptions->File, fileHelp);
    AddRange(*stats, *statsOptions);
    stats->add_flag("--json", statsOptions->Json, "Print one JSON object, numbers unrounded");
    stats->callback([&context, statsOptions] { PrintStatistics(*statsOptions, context); });

    auto exportOptions = std::make_shared<CArchiveOptions>();
    auto* exportCommand = archive->add_subcommand(
        "export", "Write the readings of a time range to .csv, .xlsx or .sound (one run)");
    exportCommand->add_option("FILE", exportOptions->File, fileHelp);
    exportCommand->add_option("OUT", exportOptions->Out, "The .csv, .xlsx or .sound file");
    AddRange(*exportCommand, *exportOptions);
    exportCommand->callback([&context, exportOptions] { ExportArchive(*exportOptions, context); });
}
