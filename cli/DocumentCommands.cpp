// Commands that work on measurement files alone.

#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include "cli/CConsolePrompt.h"
#include "cli/CliCommands.h"
#include "document/CDTDoc.h"
#include "document/CSaveCommand.h"
#include "document/CTextReport.h"
#include "document/DataListRows.h"

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

bool OutputIsInput(const std::string& in, const std::string& out, CCliContext& context) {
    std::error_code missing;  // an output that does not exist yet is another file
    if (!std::filesystem::equivalent(in, out, missing)) {
        return false;
    }
    context.Err << "The output \"" << out << "\" is the measurement file \"" << in
                << "\" itself; name another file to write.\n";
    context.ExitCode = EXIT_USAGE;
    return true;
}

namespace {

// A text from a file as it may go to a terminal: control characters, which a terminal
// would obey, are written as \xHH.
std::string Printable(const std::string& text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static constexpr char HEX[] = "0123456789ABCDEF";
            shown += {'\\', 'x', HEX[byte >> 4], HEX[byte & 0xF]};
        } else {
            shown += c;
        }
    }
    return shown;
}

void PrintInfo(const CMeasurementRecord& r, std::ostream& out) {
    for (const auto& [name, text] : InfoPanelFields(r)) {
        out << name << ": " << Printable(text) << '\n';
    }
}

// The data list's table: its headers, then one line per reading, tab-separated.
void PrintList(const CMeasurementRecord& r, std::ostream& out) {
    const auto printLine = [&out](const auto& texts) {
        for (std::size_t column = 0; column < texts.size(); ++column) {
            out << (column > 0 ? "\t" : "") << texts[column];
        }
        out << '\n';
    };
    printLine(LIST_HEADERS);
    for (std::int32_t i = 0; i < r.SampleCount; ++i) {
        printLine(ListRowTexts(r, i));
    }
}

// A command that prints something of one measurement file.
void AddPrintCommand(CLI::App& app, CCliContext& context, const char* name, const char* description,
                     void (*print)(const CMeasurementRecord&, std::ostream&)) {
    auto* command = app.add_subcommand(name, description);
    // The callback owns the option's storage, so it lives as long as the command.
    auto file = std::make_shared<std::string>();
    command->add_option("FILE", *file, "A .sound measurement file")->required();
    command->callback([&context, file, print] {
        CDTDoc doc;
        if (LoadMeasurement(*file, doc, context)) {
            print(doc.Record(), context.Out);
        }
    });
}

}  // namespace

void RegisterDocumentCommands(CLI::App& app, CCliContext& context) {
    AddPrintCommand(app, context, "info", "Print the info panel texts of a measurement file",
                    PrintInfo);

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

    AddPrintCommand(app, context, "list", "Print the data list of a measurement file", PrintList);

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
