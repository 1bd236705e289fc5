#pragma once

#include <array>
#include <cstdint>

// Every command of the program with its resource id, which the menus, the toolbar and the
// instrument tree's pop-up menu share.
enum class CommandId : int {
    STOP_RUNNING = 32772,
    HELP_TOPICS = 32779,
    SAVE = 32814,
    OPEN = 32827,
    IMPORT_LIST = 32836,
    DOWNLOAD = 32847,
    SETUP = 32869,
    PREVIOUS_MEASUREMENT = 32882,
    WINDOW_INSTRUMENT = 32884,
    WINDOW_INFO = 32885,
    PREVIEW_GRAPH = 32889,
    PREVIEW_LIST = 32890,
    PRINT_GRAPH = 32891,
    PRINT_LIST = 32892,
    CAL_ADJUST = 32898,
    WINDOW_LEVEL = 32900,
    PRINT_SETUP = 57606,
    ABOUT = 57664,
    EXIT = 57665,
};

inline constexpr std::array ALL_COMMANDS = {
    CommandId::STOP_RUNNING, CommandId::HELP_TOPICS,          CommandId::SAVE,
    CommandId::OPEN,         CommandId::IMPORT_LIST,          CommandId::DOWNLOAD,
    CommandId::SETUP,        CommandId::PREVIOUS_MEASUREMENT, CommandId::WINDOW_INSTRUMENT,
    CommandId::WINDOW_INFO,  CommandId::PREVIEW_GRAPH,        CommandId::PREVIEW_LIST,
    CommandId::PRINT_GRAPH,  CommandId::PRINT_LIST,           CommandId::CAL_ADJUST,
    CommandId::WINDOW_LEVEL, CommandId::PRINT_SETUP,          CommandId::ABOUT,
    CommandId::EXIT,
};

// The values the enabling rules read: the record's size, the real-time run, the two pane
// switches of the main window and two values of the graph view.
struct CCommandState {
    std::int32_t SampleCount = 0;
    bool RealTimeActive = false;
    bool InstrumentPaneShown = true;
    bool InfoPanelShown = true;
    int DisplayState = 0;  // 0 nothing shown yet, 1 graph, 2 list report
    bool ListShown = false;
    bool LevelWindowShown = false;
};

struct CCommandUpdate {
    bool Enabled = false;
    bool Checked = false;
};

// Whether a command may run now and whether its menu item carries a check mark.
CCommandUpdate EvaluateCommand(CommandId id, const CCommandState& state);
