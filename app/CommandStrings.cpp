#include "app/CommandStrings.h"

namespace {

// One string per command: the status-bar prompt, a line break, the tooltip.
const char* CommandString(CommandId id) {
    switch (id) {
        case CommandId::STOP_RUNNING:
            return "\nStop Running";
        case CommandId::HELP_TOPICS:
            return "Help\nHelp";
        case CommandId::SAVE:
            return "Save as  record file for  Datalogger software and  xls document for Windows "
                   "Office Excel \nSave";
        case CommandId::OPEN:
            return "Open an existing document\nOpen";
        case CommandId::OPEN_ARCHIVE:
            return "Show a station's archive: its days, its readings across runs and the "
                   "figures of a range\nOpen Archive";
        case CommandId::IMPORT_LIST:
            return "Import data to  list\nImport data to list";
        case CommandId::DOWNLOAD:
            return "Download data from your datalogger\nData Download";
        case CommandId::SETUP:
            return "Datalogger Setup\nDatalogger Setup";
        case CommandId::PREVIOUS_MEASUREMENT:
            return "\nImport previous measurement data.";
        case CommandId::PRINT_GRAPH:
            return "Print Graph\nPrint Graph";
        case CommandId::PRINT_LIST:
            return "Print List\nPrint List";
        case CommandId::WINDOW_LEVEL:
            return "Assess two hours of levels from a point right-clicked on the graph\nLevel "
                   "Assessment";
        case CommandId::EXPORT_CSV:
            return "Export the readings as comma-separated values for other programs\nExport "
                   "CSV";
        case CommandId::EXPORT_WORKBOOK:
            return "Export the readings, their statistics and a chart as an Excel workbook\n"
                   "Export Excel Workbook";
        case CommandId::PREVIEW_TABLE:
        case CommandId::PRINT_TABLE:
            return "Print the readings in columns, 400 to a page\nPrint Table";
        case CommandId::EXPORT_ASSESSMENT:
            return "Write the day, evening and night levels, the exposure at work and the loudest "
                   "half hour as a PDF report\nAssessment Report";
        case CommandId::WINDOW_STATISTICS:
            return "Show Leq, SEL and the levels exceeded of the readings the graph shows\n"
                   "Statistics";
        case CommandId::WINDOW_LIVE_LEVEL:
            return "Show the newest level in large digits with Leq, Lmax and Lmin since the run "
                   "began\nLive Level";
        case CommandId::GRAPH_UNDOZOOM:
            return "Show the readings chosen last unzoomed\nUndozoom";
        case CommandId::GRAPH_ZOOM_IN:
            return "Zoom in around the cursor\nZoom In";
        case CommandId::GRAPH_ZOOM_OUT:
            return "Zoom out around the cursor\nZoom Out";
        case CommandId::GRAPH_AXIS_SETUP:
            return "Choose the level axis and the readings shown\nAxis Setup";
        case CommandId::GRAPH_COLOR_SETUP:
            return "Choose the graph's colours\nColor Setup";
        case CommandId::GRAPH_VIEW:
            return "Switch the curve, the grid, the marks and the alarm lines\nView";
        case CommandId::CAL_ADJUST:
            return "Cal adjustment at 1000 Hz to correct for variations\nCal Adjust";
        default:
            return "";
    }
}

}  // namespace

CCommandPrompt CommandPrompt(CommandId id) {
    const QString text = QString::fromLatin1(CommandString(id));
    const qsizetype lineBreak = text.indexOf(u'\n');
    if (lineBreak < 0) {
        return {text, QString()};
    }
    return {text.left(lineBreak), text.mid(lineBreak + 1)};
}
