#include "app/CommandLine.h"

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>

namespace {

constexpr int EXIT_USAGE = 64;

}  // namespace

CCommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                              std::ostream& err) {
    CLI::App app{
        "Datalogger: sets up the USB sound level datalogger, downloads or watches its "
        "readings, and shows, prints and saves measurements.",
        "datalogger"};
    app.set_version_flag("--version", "datalogger 2.2");

    CCommandLine result;
    std::string file;
    app.add_option("FILE", file, "A measurement file (.sound) or a station's archive to open at start");
    app.add_flag("--simulate", result.Options.Simulate,
                 "Talk to the simulated logger instead of the USB bridge");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        result.ExitCode = 0;
    } catch (const CLI::CallForVersion&) {
        out << app.version() << '\n';
        result.ExitCode = 0;
    } catch (const CLI::ParseError& error) {
        err << error.what() << "\n\n" << app.help();
        result.ExitCode = EXIT_USAGE;
    }
    if (!file.empty()) {
        result.Options.File = file;
    }
    return result;
}
