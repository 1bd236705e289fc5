#include <iostream>

#include "cli/CliCommands.h"
#include "platform/StandardDescriptors.h"

int main(int argc, char** argv) {
    OpenMissingStandardDescriptors();
    return RunCli(argc, argv, std::cout, std::cerr);
}
