#pragma once

#include <iosfwd>
#include <string>

class CDTDoc;
class CLoggerLink;
namespace CLI {
class App;
}

// Exit statuses of datalogger-cli.
inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILURE_STATUS = 1;  // the logger or a file write failed
inline constexpr int EXIT_BAD_FILE = 2;        // a measurement file that cannot be read
inline constexpr int EXIT_REAL_TIME = 3;       // the logger is in the other mode: live readings
                                               // for download, stored for monitor
inline constexpr int EXIT_LOGGER_TAKEN = 4;     // another monitor is watching the logger
inline constexpr int EXIT_BROKER_REFUSED = 5;   // the MQTT broker refused us (monitor without
                                                // an archive)
inline constexpr int EXIT_USAGE = 64;

// What every command gets: the global options and where to print.
struct CCliContext {
    std::ostream& Out;
    std::ostream& Err;
    bool Simulate = false;
    int ExitCode = EXIT_OK;
};

// Each group of commands registers its subcommands on the application.
void RegisterDocumentCommands(CLI::App& app, CCliContext& context);
void RegisterLoggerCommands(CLI::App& app, CCliContext& context);
void RegisterMonitorCommand(CLI::App& app, CCliContext& context);
void RegisterArchiveCommands(CLI::App& app, CCliContext& context);
void RegisterExportCommands(CLI::App& app, CCliContext& context);
void RegisterPrintCommand(CLI::App& app, CCliContext& context);
void RegisterAssessCommand(CLI::App& app, CCliContext& context);

// Loads a measurement file as the program opens one; false (with the exit status set and
// a message printed) when it cannot.
bool LoadMeasurement(const std::string& file, CDTDoc& doc, CCliContext& context);

// Whether `out` is the file `in` under any name (a link, another path): writing it would
// destroy the measurement being read. Says so and sets the usage exit status when it is.
bool OutputIsInput(const std::string& in, const std::string& out, CCliContext& context);

// "Not Connected" after a failed search for the logger, and what to do when a logger is there
// that this user may not open.
void SayNotConnected(const CLoggerLink& link, std::ostream& out);

// Runs the tool on a command line and returns its exit status.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
