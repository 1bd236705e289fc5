#pragma once

#include <array>
#include <cstdint>

// Every command of the program with its resource id, which the menus, the toolbar, the
// keyboard accelerators and the instrument tree's pop-up menu share.
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
    // Exports for other programs and the Statistics window.
    EXPORT_CSV = 32910,
    EXPORT_WORKBOOK = 32911,
    WINDOW_STATISTICS = 32912,
    // The compact table report and the noise assessment report.
    PREVIEW_TABLE = 32913,
    PRINT_TABLE = 32914,
    EXPORT_ASSESSMENT = 32915,
    // The live readout of a real-time run.
    WINDOW_LIVE_LEVEL = 32916,
    // The graph's own toolbar on the Graph menu, with the keyboard's zoom.
    GRAPH_UNDOZOOM = 32920,
    GRAPH_ZOOM_IN = 32921,
    GRAPH_ZOOM_OUT = 32922,
    GRAPH_AXIS_SETUP = 32923,
    GRAPH_COLOR_SETUP = 32924,
    GRAPH_VIEW = 32925,
    // A station's archive in a window of its own.
    OPEN_ARCHIVE = 32930,
    // The document's own commands, reached by the keyboard only: Ctrl+N, Ctrl+O, Ctrl+S, Ctrl+P.
    FILE_NEW = 57600,
    FILE_OPEN = 57601,
    FILE_SAVE = 57603,
    PRINT_SETUP = 57606,
    PRINT = 57607,
    // Editing keys the program has nothing to do with; they stay bound so that they do nothing.
    EDIT_COPY = 57634,
    EDIT_CUT = 57635,
    EDIT_PASTE = 57637,
    EDIT_UNDO = 57643,
    ABOUT = 57664,
    EXIT = 57665,
    NEXT_PANE = 57680,  // F6
    PREV_PANE = 57681,  // Shift+F6
};

inline constexpr std::array ALL_COMMANDS = {
    CommandId::STOP_RUNNING,
    CommandId::HELP_TOPICS,
    CommandId::SAVE,
    CommandId::OPEN,
    CommandId::IMPORT_LIST,
    CommandId::DOWNLOAD,
    CommandId::SETUP,
    CommandId::PREVIOUS_MEASUREMENT,
    CommandId::WINDOW_INSTRUMENT,
    CommandId::WINDOW_INFO,
    CommandId::PREVIEW_GRAPH,
    CommandId::PREVIEW_LIST,
    CommandId::PRINT_GRAPH,
    CommandId::PRINT_LIST,
    CommandId::CAL_ADJUST,
    CommandId::WINDOW_LEVEL,
    CommandId::EXPORT_CSV,
    CommandId::EXPORT_WORKBOOK,
    CommandId::WINDOW_STATISTICS,
    CommandId::PREVIEW_TABLE,
    CommandId::PRINT_TABLE,
    CommandId::EXPORT_ASSESSMENT,
    CommandId::WINDOW_LIVE_LEVEL,
    CommandId::GRAPH_UNDOZOOM,
    CommandId::GRAPH_ZOOM_IN,
    CommandId::GRAPH_ZOOM_OUT,
    CommandId::GRAPH_AXIS_SETUP,
    CommandId::GRAPH_COLOR_SETUP,
    CommandId::GRAPH_VIEW,
    CommandId::OPEN_ARCHIVE,
    CommandId::FILE_NEW,
    CommandId::FILE_OPEN,
    CommandId::FILE_SAVE,
    CommandId::PRINT_SETUP,
    CommandId::PRINT,
    CommandId::EDIT_COPY,
    CommandId::EDIT_CUT,
    CommandId::EDIT_PASTE,
    CommandId::EDIT_UNDO,
    CommandId::ABOUT,
    CommandId::EXIT,
    CommandId::NEXT_PANE,
    CommandId::PREV_PANE,
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
    bool StatisticsWindowShown = false;
    bool LiveLevelShown = false;
};

struct CCommandUpdate {
    bool Enabled = false;
    bool Checked = false;
};

// Whether a command may run now and whether its menu item carries a check mark.
CCommandUpdate EvaluateCommand(CommandId id, const CCommandState& state);
