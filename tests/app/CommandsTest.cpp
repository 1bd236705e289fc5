#include <QAction>

#include <gtest/gtest.h>

#include "app/CCommandTable.h"
#include "app/CommandRules.h"
#include "app/CommandStrings.h"

namespace {

std::vector<CommandId> EnabledCommands(const CCommandState& state) {
    std::vector<CommandId> enabled;
    for (const CommandId id : ALL_COMMANDS) {
        if (EvaluateCommand(id, state).Enabled) {
            enabled.push_back(id);
        }
    }
    return enabled;
}

// The enabling table in its three states: nothing yet, a measurement, a real-time run.
TEST(CommandRules, enablingFollowsTheRecordAndTheRun) {
    CCommandState running;
    running.SampleCount = 12;
    running.RealTimeActive = true;
    running.DisplayState = 1;
    running.ListShown = true;
    CCommandState starting = running;
    starting.SampleCount = 0;  // shown before its first reading
    CCommandState loaded;
    loaded.SampleCount = 3;
    loaded.DisplayState = 1;
    using enum CommandId;
    const struct {
        const char* Name;
        CCommandState State;
        std::vector<CommandId> Enabled;
    } cases[] = {
        {"no data yet",
         CCommandState{},
         {HELP_TOPICS, OPEN, DOWNLOAD, SETUP, PREVIOUS_MEASUREMENT, WINDOW_INSTRUMENT, CAL_ADJUST,
          WINDOW_LEVEL, WINDOW_STATISTICS, OPEN_ARCHIVE, FILE_NEW, FILE_OPEN, FILE_SAVE, ABOUT, EXIT, NEXT_PANE,
          PREV_PANE}},
        {"a measurement",
         loaded,
         {HELP_TOPICS,
          SAVE,
          OPEN,
          IMPORT_LIST,
          DOWNLOAD,
          SETUP,
          PREVIOUS_MEASUREMENT,
          WINDOW_INSTRUMENT,
          WINDOW_INFO,
          PREVIEW_GRAPH,
          PRINT_GRAPH,
          CAL_ADJUST,
          WINDOW_LEVEL,
          EXPORT_CSV,
          EXPORT_WORKBOOK,
          WINDOW_STATISTICS,
          PREVIEW_TABLE,
          PRINT_TABLE,
          EXPORT_ASSESSMENT,
          GRAPH_UNDOZOOM,
          GRAPH_ZOOM_IN,
          GRAPH_ZOOM_OUT,
          GRAPH_AXIS_SETUP,
          GRAPH_COLOR_SETUP,
          GRAPH_VIEW,
          OPEN_ARCHIVE, FILE_NEW,
          FILE_OPEN,
          FILE_SAVE,
          PRINT_SETUP,
          PRINT,
          ABOUT,
          EXIT,
          NEXT_PANE,
          PREV_PANE}},
        {"a real-time run",
         running,
         {STOP_RUNNING,
          HELP_TOPICS,
          SAVE,
          WINDOW_INSTRUMENT,
          WINDOW_INFO,
          WINDOW_LEVEL,
          WINDOW_STATISTICS,
          WINDOW_LIVE_LEVEL,
          GRAPH_UNDOZOOM,
          GRAPH_ZOOM_IN,
          GRAPH_ZOOM_OUT,
          GRAPH_AXIS_SETUP,
          GRAPH_COLOR_SETUP,
          GRAPH_VIEW,
          OPEN_ARCHIVE, FILE_NEW,
          FILE_SAVE,
          ABOUT,
          EXIT,
          NEXT_PANE,
          PREV_PANE}},
        {"a real-time run before its first reading",
         starting,
         {STOP_RUNNING, HELP_TOPICS, WINDOW_INSTRUMENT, WINDOW_INFO, WINDOW_LEVEL,
          WINDOW_STATISTICS, WINDOW_LIVE_LEVEL, GRAPH_UNDOZOOM, GRAPH_ZOOM_IN, GRAPH_ZOOM_OUT,
          GRAPH_AXIS_SETUP, GRAPH_COLOR_SETUP, GRAPH_VIEW, OPEN_ARCHIVE, FILE_NEW, FILE_SAVE, ABOUT, EXIT,
          NEXT_PANE, PREV_PANE}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EnabledCommands(c.State), c.Enabled) << c.Name;
    }
}

TEST(CommandRules, listPrinting_waitsForTheListToBeShown) {
    CCommandState loaded;
    loaded.SampleCount = 3;
    loaded.DisplayState = 1;
    EXPECT_FALSE(EvaluateCommand(CommandId::PRINT_LIST, loaded).Enabled);
    EXPECT_FALSE(EvaluateCommand(CommandId::PREVIEW_LIST, loaded).Enabled);
    EXPECT_TRUE(EvaluateCommand(CommandId::PRINT_GRAPH, loaded).Enabled);
    EXPECT_TRUE(EvaluateCommand(CommandId::IMPORT_LIST, loaded).Enabled);
    loaded.ListShown = true;
    EXPECT_TRUE(EvaluateCommand(CommandId::PRINT_LIST, loaded).Enabled);
    EXPECT_TRUE(EvaluateCommand(CommandId::PREVIEW_LIST, loaded).Enabled);
}

TEST(CommandRules, windowItems_carryTheirPaneSwitchAsCheckMark) {
    CCommandState state;
    EXPECT_TRUE(EvaluateCommand(CommandId::WINDOW_INSTRUMENT, state).Checked);
    EXPECT_TRUE(EvaluateCommand(CommandId::WINDOW_INFO, state).Checked);
    state.InstrumentPaneShown = false;
    state.InfoPanelShown = false;
    EXPECT_FALSE(EvaluateCommand(CommandId::WINDOW_INSTRUMENT, state).Checked);
    EXPECT_FALSE(EvaluateCommand(CommandId::WINDOW_INFO, state).Checked);
    EXPECT_FALSE(EvaluateCommand(CommandId::WINDOW_LEVEL, state).Checked);
    state.LevelWindowShown = true;
    EXPECT_TRUE(EvaluateCommand(CommandId::WINDOW_LEVEL, state).Checked);
}

TEST(CommandTable, aCommandWithoutHandlerStaysDisabled) {
    CCommandTable table;
    QObject owner;
    QAction* save = table.AddAction(CommandId::SAVE, "&Save...", &owner);
    QAction* saveButton = table.AddAction(CommandId::SAVE, "Save", &owner);
    QAction* open = table.AddAction(CommandId::OPEN, "&Open...", &owner);
    int saves = 0;
    table.SetHandler(CommandId::SAVE, [&saves] { ++saves; });

    CCommandState state;
    table.Update(state);
    EXPECT_FALSE(save->isEnabled());  // no data
    EXPECT_FALSE(open->isEnabled());  // its rule allows it, but it has no handler
    save->trigger();
    EXPECT_EQ(saves, 0);

    state.SampleCount = 2;
    table.Update(state);
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(saveButton->isEnabled());
    saveButton->trigger();
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(save->statusTip(), CommandPrompt(CommandId::SAVE).StatusTip);
    EXPECT_EQ(saveButton->toolTip(), "Save");
    EXPECT_EQ(table.Actions(CommandId::SAVE).size(), 2u);
}

}  // namespace
