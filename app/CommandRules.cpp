#include "app/CommandRules.h"

CCommandUpdate EvaluateCommand(CommandId id, const CCommandState& state) {
    const bool haveData = state.SampleCount != 0;
    const bool idle = !state.RealTimeActive;
    switch (id) {
        case CommandId::SAVE:
            return {haveData, false};
        case CommandId::OPEN:
        // Loading a file while a run still fills the record would mix the two.
        case CommandId::FILE_OPEN:
        case CommandId::CAL_ADJUST:
        case CommandId::SETUP:
        case CommandId::DOWNLOAD:
        case CommandId::PREVIOUS_MEASUREMENT:
            return {idle, false};
        case CommandId::PRINT_SETUP:
        case CommandId::PRINT:
        case CommandId::PREVIEW_GRAPH:
        case CommandId::PRINT_GRAPH:
        case CommandId::IMPORT_LIST:
        // An export of a series still growing would be out of date at once.
        case CommandId::EXPORT_CSV:
        case CommandId::EXPORT_WORKBOOK:
        case CommandId::EXPORT_ASSESSMENT:
        // The table report reads the readings, not the list window.
        case CommandId::PREVIEW_TABLE:
        case CommandId::PRINT_TABLE:
            return {haveData && idle, false};
        case CommandId::PREVIEW_LIST:
        case CommandId::PRINT_LIST:
            return {haveData && state.ListShown && idle, false};
        case CommandId::STOP_RUNNING:
            return {state.RealTimeActive, false};
        case CommandId::WINDOW_INSTRUMENT:
            return {true, state.InstrumentPaneShown};
        case CommandId::WINDOW_INFO:
            return {state.DisplayState != 0, state.InfoPanelShown};
        // The graph's toolbar is there once a measurement has been shown.
        case CommandId::GRAPH_UNDOZOOM:
        case CommandId::GRAPH_ZOOM_IN:
        case CommandId::GRAPH_ZOOM_OUT:
        case CommandId::GRAPH_AXIS_SETUP:
        case CommandId::GRAPH_COLOR_SETUP:
        case CommandId::GRAPH_VIEW:
            return {state.DisplayState != 0, false};
        case CommandId::WINDOW_LEVEL:
            return {true, state.LevelWindowShown};
        case CommandId::WINDOW_STATISTICS:
            return {true, state.StatisticsWindowShown};
        // It follows a run; an open one can be closed after the run too.
        case CommandId::WINDOW_LIVE_LEVEL:
            return {state.RealTimeActive || state.LiveLevelShown, state.LiveLevelShown};
        // The archive's window reads a file of its own, whatever the record does.
        case CommandId::OPEN_ARCHIVE:
        case CommandId::EXIT:
        case CommandId::ABOUT:
        case CommandId::HELP_TOPICS:
        case CommandId::FILE_NEW:
        case CommandId::FILE_SAVE:
        case CommandId::NEXT_PANE:
        case CommandId::PREV_PANE:
            return {true, false};
        case CommandId::EDIT_COPY:
        case CommandId::EDIT_CUT:
        case CommandId::EDIT_PASTE:
        case CommandId::EDIT_UNDO:
            return {false, false};
    }
    return {};
}
