#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>

// What the command line asks of a start.
struct CStartOptions {
    std::optional<std::filesystem::path> File;  // a measurement file to open at start
    bool Simulate = false;                      // the simulated logger instead of the USB bridge
};

struct CCommandLine {
    CStartOptions Options;
    // Set when the program ends at once: 0 after --help or --version, 64 after a usage error.
    std::optional<int> ExitCode;
};

// Reads `datalogger [--simulate] [FILE.sound]`, `--help` and `--version`. Help and the version
// go to `out`, usage errors to `err`.
CCommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                              std::ostream& err);
