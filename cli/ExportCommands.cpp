// Commands that take a measurement into other programs: its acoustic statistics, and its
// readings as CSV or as a spreadsheet workbook.

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>
#include <string>

#include "cli/CliCommands.h"
#include "document/CDTDoc.h"
#include "export/AcousticStatistics.h"
#include "export/Assessment.h"
#include "export/AssessmentJson.h"
#include "export/CsvExport.h"
#include "export/ExportFiles.h"
#include "export/StatisticsFields.h"

namespace {

// The output name that means standard output.
constexpr const char* STANDARD_OUTPUT = "-";

struct CStatsOptions {
    std::string File;
    bool Json = false;
};

void PrintStatistics(const CAcousticStatistics& statistics, std::ostream& out) {
    for (const CStatisticsField& field : StatisticsFields(statistics)) {
        out << field.Label << ": " << field.Text << '\n';
    }
    for (const CHourlyLeq& hour : statistics.Hourly) {
        out << HourlyLabel(statistics, hour) << ": " << HourlyText(hour) << '\n';
    }
}

struct CExportArguments {
    std::string In;
    std::string Out;
};

void Export(const CExportArguments& arguments, ExportFormat format, CCliContext& context) {
    CDTDoc doc;
    if (OutputIsInput(arguments.In, arguments.Out, context) ||
        !LoadMeasurement(arguments.In, doc, context)) {
        return;
    }
    if (format == ExportFormat::Csv && arguments.Out == STANDARD_OUTPUT) {
        if (!WriteCsv(doc.Record(), context.Out)) {
            context.Err << "The readings could not be written to standard output.\n";
            context.ExitCode = EXIT_FAILURE_STATUS;
        }
        return;
    }
    if (!ExportToFile(doc.Record(), format, arguments.Out)) {
        context.Err << ExportFailedMessage(arguments.Out) << '\n';
        context.ExitCode = EXIT_FAILURE_STATUS;
    }
}

void AddExportCommand(CLI::App& app, CCliContext& context, ExportFormat format, const char* name,
                      const char* description, const char* outHelp) {
    auto* command = app.add_subcommand(name, description);
    // The callback owns the options' storage, so it lives as long as the command.
    auto arguments = std::make_shared<CExportArguments>();
    command->add_option("IN", arguments->In, "A .sound measurement file")->required();
    command->add_option("OUT", arguments->Out, outHelp)->required();
    command->callback([&context, arguments, format] { Export(*arguments, format, context); });
}

}  // namespace

void RegisterExportCommands(CLI::App& app, CCliContext& context) {
    auto* stats = app.add_subcommand(
        "stats",
        "Print the acoustic statistics of a measurement file: Leq, SEL, L10, L50, L90, "
        "extremes, time beyond the alarm levels and Leq per clock hour");
    auto options = std::make_shared<CStatsOptions>();
    stats->add_option("FILE", options->File, "A .sound measurement file")->required();
    stats->add_flag("--json", options->Json, "Print one JSON object, numbers unrounded");
    stats->callback([&context, options] {
        CDTDoc doc;
        if (!LoadMeasurement(options->File, doc, context)) {
            return;
        }
        const CAcousticStatistics statistics = ComputeAcousticStatistics(doc.Record());
        if (options->Json) {
            context.Out << StatisticsWithAssessmentJson(
                               statistics, AssessRecord(doc.Record(), CAssessmentOptions{}))
                        << '\n';
        } else {
            PrintStatistics(statistics, context.Out);
        }
    });

    AddExportCommand(app, context, ExportFormat::Csv, "csv",
                     "Write the readings of a measurement file as CSV: number, ISO 8601 time "
                     "with UTC offset, level, weighting",
                     "The CSV file to write, - for standard output");
    AddExportCommand(app, context, ExportFormat::Workbook, "xlsx",
                     "Write a measurement file as a spreadsheet workbook: its readings, a "
                     "summary with the statistics, and a chart",
                     "The .xlsx file to write");
}
