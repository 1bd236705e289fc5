// datalogger-cli archive: what a monitor's archive holds, read while the monitor writes.

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <ostream>

#include "cli/CConsolePrompt.h"
#include "cli/CliCommands.h"
#include "cli/StationMonitor.h"
#include "document/CDTDoc.h"
#include "document/CSaveCommand.h"
#include "export/AcousticStatistics.h"
#include "export/AssessmentJson.h"
#include "export/ExportFiles.h"
#include "export/StatisticsFields.h"
#include "platform/CAtomicFile.h"
#include "platform/CSettings.h"
#include "platform/LocalTime.h"
#include "station/ArchiveQueries.h"
#include "station/ArchiveRange.h"
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

// Says why a range could not be read: a range to narrow is a usage error.
void Refuse(const CRangeProblem& problem, CCliContext& context) {
    context.Err << problem.Text << '\n';
    context.ExitCode = problem.Archive ? EXIT_BAD_FILE : EXIT_USAGE;
}

// `text` with every line after the first indented by `indent` more.
std::string Indented(std::string text, const std::string& indent) {
    for (std::size_t at = text.find('\n'); at != std::string::npos;
         at = text.find('\n', at + 1 + indent.size())) {
        text.insert(at + 1, indent);
    }
    return text;
}

void PrintStatistics(const CArchiveOptions& options, CCliContext& context) {
    const auto range = RangeOf(options, context);
    const auto db = range ? OpenArchive(options.File, context) : nullptr;
    if (!db) {
        return;
    }
    CRangeProblem problem;
    const auto figures = ArchiveFigures(*db, *range, Alarms(), problem);
    if (!figures) {
        Refuse(problem, context);
        return;
    }
    // The intervals are printed as they are read: a year of them is more than memory should
    // hold at once.
    std::string readError;
    if (options.Json) {
        nlohmann::json object = nlohmann::json::parse(
            StatisticsWithAssessmentJson(figures->Statistics, figures->Assessment));
        object["runs"] = figures->Runs;
        std::string text = object.dump(2);
        text.erase(text.size() - 2);  // "\n}": the intervals come last
        context.Out << text << ",\n  \"intervals\": [";
        const char* separator = "\n    ";
        readError = ForEachArchivedInterval(*db, *range, [&](const CIntervalLevels& interval) {
            context.Out << separator << Indented(IntervalObject(interval).dump(2), "    ");
            separator = ",\n    ";
        });
        context.Out << (*separator == ',' ? "\n  ]\n}\n" : "]\n}\n");
    } else {
        context.Out << "Runs: " << figures->Runs << '\n';
        const CAcousticStatistics& statistics = figures->Statistics;
        for (const CStatisticsField& field : StatisticsFields(statistics)) {
            context.Out << field.Label << ": " << field.Text << '\n';
        }
        for (const CHourlyLeq& hour : statistics.Hourly) {
            context.Out << HourlyLabel(statistics, hour) << ": " << HourlyText(hour) << '\n';
        }
        readError = ForEachArchivedInterval(*db, *range, [&](const CIntervalLevels& interval) {
            context.Out << IntervalLine(interval) << '\n';
        });
    }
    if (!readError.empty()) {
        Refuse({true, "The archive cannot be read: " + readError + "."}, context);
    }
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
    CRangeProblem problem;
    bool written = false;
    if (extension == ".csv") {
        written = WriteArchiveCsv(*db, *range, options.Out, problem);
    } else {
        const auto record = ArchivedMeasurement(*db, *range, Alarms(), problem);
        if (!record) {
            if (!problem.Archive) {
                problem.Text = "A " + extension + " file " + problem.Text +
                               ". Narrow --from and --to, or export to .csv.";
            }
            Refuse(problem, context);
            return;
        }
        CDTDoc doc;
        doc.Record() = *record;
        CConsolePrompt prompt(context.Out, context.Err);
        written = extension == ".sound"
                      ? SaveMeasurementFile(doc, options.Out, prompt)
                      : ExportToFile(doc.Record(), ExportFormat::Workbook, options.Out);
    }
    if (!problem.Text.empty()) {
        Refuse(problem, context);
        return;
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
