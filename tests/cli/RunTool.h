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

inline CToolRun RunTool(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "datalogger-cli");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}
