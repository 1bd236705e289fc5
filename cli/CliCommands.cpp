#include "cli/CliCommands.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{
        "Datalogger command-line tool: reads measurement files and talks to the "
        "sound level datalogger without a display.",
        "datalogger-cli"};
    app.set_version_flag("--version", "datalogger-cli 2.2");
    app.require_subcommand(1);
    app.fallthrough(false);

    CCliContext context{out, err};
    app.add_flag("--simulate", context.Simulate,
                 "Talk to the simulated logger instead of the USB bridge");
    RegisterDocumentCommands(app, context);
    RegisterLoggerCommands(app, context);
    RegisterMonitorCommand(app, context);
    RegisterArchiveCommands(app, context);
    RegisterExportCommands(app, context);
    RegisterPrintCommand(app, context);
    RegisterAssessCommand(app, context);

    try {
        // CLI11 wants the arguments in reverse order when given as a vector.
        std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
        std::reverse(arguments.begin(), arguments.end());
        app.parse(arguments);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return EXIT_OK;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return EXIT_OK;
    } catch (const CLI::CallForVersion&) {
        out << app.version() << '\n';
        return EXIT_OK;
    } catch (const CLI::ParseError& error) {
        err << error.what() << "\n\n" << app.help();
        return EXIT_USAGE;
    }
    // What a command printed reaches its reader only now, when it can still fail (a full
    // disk, a closed pipe).
    if (!out.flush() && context.ExitCode == EXIT_OK) {
        err << "The output could not be written.\n";
        context.ExitCode = EXIT_FAILURE_STATUS;
    }
    return context.ExitCode;
}
