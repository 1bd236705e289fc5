// datalogger-cli assess: the noise assessment report of a measurement file as a PDF.

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>
#include <string>

#include "cli/CliCommands.h"
#include "cli/OffscreenGui.h"
#include "document/CDTDoc.h"
#include "export/Assessment.h"
#include "platform/CAtomicFile.h"
#include "reports/AssessmentReport.h"

namespace {

struct CAssessArguments {
    std::string In;
    std::string Out;
    CAssessmentOptions Options;
};

void Assess(const CAssessArguments& arguments, CCliContext& context) {
    const std::string problem = OptionsProblem(arguments.Options);
    if (!problem.empty()) {
        context.Err << problem << '\n';
        context.ExitCode = EXIT_USAGE;
        return;
    }
    CDTDoc doc;
    if (OutputIsInput(arguments.In, arguments.Out, context) ||
        !LoadMeasurement(arguments.In, doc, context)) {
        return;
    }
    const COffscreenGui gui;
    CAtomicFile file(arguments.Out);
    if (!file.Open() || !WriteAssessmentPdf(file.Stream(), doc.Record(), arguments.Options) ||
        !file.Commit()) {
        context.Err << "The PDF file \"" << arguments.Out
                    << "\" could not be written; nothing was written in its place.\n";
        context.ExitCode = EXIT_FAILURE_STATUS;
    }
}

// A period option, "HH-HH" in local hours; the range and the fit of the three periods are
// checked together once all are read.
void AddPeriodOption(CLI::App& command, const char* name, CDayPeriod& period, const char* help) {
    command
        .add_option_function<std::string>(
            name, [&period](const std::string& text) { period = *ParseDayPeriod(text); }, help)
        ->check(
            [](const std::string& text) {
                return ParseDayPeriod(text) ? std::string() : "HH-HH, local hours from 0 to 24";
            },
            "HH-HH");
}

}  // namespace

void RegisterAssessCommand(CLI::App& app, CCliContext& context) {
    auto* assess = app.add_subcommand(
        "assess",
        "Write the noise assessment of a measurement file to a PDF file on A4 paper: day, "
        "evening, night and day-evening-night levels, the daily exposure and dose at work, the "
        "loudest half hour and hour, loud stretches, and charts");
    // The callback owns the options' storage, so it lives as long as the command.
    auto arguments = std::make_shared<CAssessArguments>();
    CAssessmentOptions& options = arguments->Options;
    assess->add_option("IN", arguments->In, "A .sound measurement file")->required();
    assess->add_option("OUT", arguments->Out, "The PDF file to write")->required();
    AddPeriodOption(*assess, "--day", options.Day, "The day period (default 07-19)");
    AddPeriodOption(*assess, "--evening", options.Evening, "The evening period (default 19-23)");
    AddPeriodOption(*assess, "--night", options.Night, "The night period (default 23-07)");
    assess->add_option("--evening-penalty", options.EveningPenaltyDb,
                       "dB added to the evening in Lden (default 5)");
    assess->add_option("--night-penalty", options.NightPenaltyDb,
                       "dB added to the night in Lden (default 10)");
    assess->add_option("--limit-30min", options.Limit30MinDb,
                       "The limit of the highest 30-minute Leq (default 99)");
    assess->add_option("--limit-60min", options.Limit60MinDb,
                       "The limit of the highest 60-minute Leq (default 95)");
    assess->add_option("--event-level", options.EventThresholdDb,
                       "A loud stretch is at or above this level in dB (default 85)");
    assess->add_option("--event-time", options.EventMinimumS,
                       "... for at least this many seconds (default 60)");
    assess->callback([&context, arguments] { Assess(*arguments, context); });
}
