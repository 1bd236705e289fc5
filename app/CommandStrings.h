#pragma once

#include <QString>

#include "app/CommandRules.h"

// What the status bar says while the pointer rests on a command, and the command's tooltip.
struct CCommandPrompt {
    QString StatusTip;
    QString ToolTip;
};

// The command's prompt from the program's string table; empty texts for commands without one.
CCommandPrompt CommandPrompt(CommandId id);
