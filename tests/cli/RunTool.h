#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"

// One run of datalogger-cli inside the test process, with what it printed.
struct CToolRun {
    int Status;
    std::string Out;
    std::string Err;
};

// `out`: where standard output goes; a string the run gives back when none is named.
inline CToolRun RunTool(std::vector<std::string> arguments, std::ostream* out = nullptr) {
    arguments.insert(arguments.begin(), "datalogger-cli");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    std::ostringstream printed;
    std::ostringstream err;
    const int status =
        RunCli(static_cast<int>(argv.size()), argv.data(), out ? *out : printed, err);
    return {status, printed.str(), err.str()};
}
