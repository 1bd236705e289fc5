// Commands that work on measurement files alone.

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include "cli/CConsolePrompt.h"
#include "cli/CliCommands.h"
#include "document/CDTDoc.h"
#include "document/CSaveCommand.h"
#include "document/CTextReport.h"

namespace {

// Loads a measurement file as the program opens one; false (with the exit status set and
// a message printed) when it cannot.
bool LoadMeasurement(const std::string& file, CDTDoc& doc, CCliContext& context) {
    CConsolePrompt prompt(context.Out, context.Err);
    switch (doc.LoadFile(file, prompt)) {
        case LoadResult::Loaded:
            doc.Record().DeriveTextsAfterLoad();
            return true;
        case LoadResult::CannotOpen:
            context.Err << "Cannot open the file \"" << file << "\".\n";
            break;
        case LoadResult::WrongSignature:
        case LoadResult::Damaged:
            break;  // the loader has already said why
    }
    context.ExitCode = EXIT_BAD_FILE;
    return false;
}

void PrintInfo(const CMeasurementRecord& r, std::ostream& out) {
    out << "Start Time: " << r.Info.StartTime << '\n'
        << "Sample Rate: " << r.Info.SampleRate << '\n'
        << "DataNo.: " << r.Info.DataNo << '\n'
        << "Unit: " << r.Info.Unit << '\n'
        << "Speed: " << r.Info.Speed << '\n'
        << "Mode: " << r.ModeText << '\n'
        << "Sound MAX: " << r.Info.SoundMax << '\n'
        << "MIN: " << r.Info.SoundMin << '\n'
        << "AVG: " << r.Info.SoundAvg << '\n'
        << "Sound Alarm Hi: " << r.AlarmHighText << '\n'
        << "Sound Alarm Low: " << r.AlarmLowText << '\n';
}

}  // namespace

void RegisterDocumentCommands(CLI::App& app, CCliContext& context) {
    auto* info = app.add_subcommand("info", "Print the info panel texts of a measurement file");
    // The callback owns the option's storage, so it lives as long as the command.
    auto infoFile = std::make_shared<std::string>();
    info->add_option("FILE", *infoFile, "A .sound measurement file")->required();
    info->callback([&context, infoFile] {
        CDTDoc doc;
        if (LoadMeasurement(*infoFile, doc, context)) {
            PrintInfo(doc.Record(), context.Out);
        }
    });

    auto* save = app.add_subcommand(
        "save", "Save a measurement as the Save command does: NAME.sound and NAME.xls");
    auto saveArguments = std::make_shared<std::pair<std::string, std::string>>();
    save->add_option("IN", saveArguments->first, "A .sound measurement file")->required();
    save->add_option("NAME", saveArguments->second, "The name typed in the save dialog")
        ->required();
    save->callback([&context, saveArguments] {
        CDTDoc doc;
        if (!LoadMeasurement(saveArguments->first, doc, context)) {
            return;
        }
        CConsolePrompt prompt(context.Out, context.Err);
        if (!RunSaveCommand(doc, saveArguments->second, prompt)) {
            context.ExitCode = EXIT_FAILURE_STATUS;
            return;
        }
        const CSaveTargets written = SaveTargetsFor(saveArguments->second);
        context.Out << written.SoundFile.string() << '\n' << written.ReportFile.string() << '\n';
    });

    auto* report = app.add_subcommand("report", "Write the text report of a measurement file");
    auto reportFile = std::make_shared<std::string>();
    report->add_option("IN", *reportFile, "A .sound measurement file")->required();
    report->callback([&context, reportFile] {
        CDTDoc doc;
        if (LoadMeasurement(*reportFile, doc, context) &&
            !WriteTextReport(doc.Record(), context.Out)) {
            context.Err << "The report could not be written to standard output.\n";
            context.ExitCode = EXIT_FAILURE_STATUS;
        }
    });
}
