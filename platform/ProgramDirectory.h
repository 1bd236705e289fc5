#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

// The per-user folder that holds the settings file and the last measurement:
// $DATALOGGER_HOME, else $XDG_CONFIG_HOME/datalogger, else ~/.config/datalogger with the
// home folder from $HOME or, without it, from the user database. Empty when the user has no
// home folder at all: the program then keeps no settings and no last measurement.
std::filesystem::path ProgramDirectory();

// The full path of a file in the program directory, creating the directory when it is
// missing. Empty when the directory cannot be created.
std::optional<std::filesystem::path> ProgramFile(std::string_view name);
