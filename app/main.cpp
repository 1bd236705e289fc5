#include <iostream>

#include "app/CDTApp.h"
#include "app/CommandLine.h"
#include "platform/StandardDescriptors.h"

int main(int argc, char** argv) {
    OpenMissingStandardDescriptors();
    // Help, the version and usage errors need no display, so they come before the
    // application object.
    const CCommandLine commandLine = ParseCommandLine(argc, argv, std::cout, std::cerr);
    if (commandLine.ExitCode) {
        return *commandLine.ExitCode;
    }
    CDTApp app(argc, argv);
    return app.Run(commandLine.Options);
}
