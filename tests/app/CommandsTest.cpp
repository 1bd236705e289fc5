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

TEST(CommandRules, duringARealTimeRun_onlyTheSafeCommandsAreEnabled) {
    CCommandState running;
    running.SampleCount = 12;
    running.RealTimeActive = true;
    running.DisplayState = 1;
    running.ListShown = true;
    const std::vector<CommandId> expected = {
        CommandId::STOP_RUNNING, CommandId::HELP_TOPICS,
        CommandId::SAVE,         CommandId::WINDOW_INSTRUMENT,
        CommandId::WINDOW_INFO,  CommandId::WINDOW_LEVEL,
        CommandId::ABOUT,        CommandId::EXIT,
    };
    EXPECT_EQ(EnabledCommands(running), expected);
}

TEST(CommandRules, beforeAnyData_theDataCommandsAreDisabled) {
    const CCommandState empty;
    const std::vector<CommandId> expected = {
        CommandId::HELP_TOPICS,
        CommandId::OPEN,
        CommandId::DOWNLOAD,
        CommandId::SETUP,
        CommandId::PREVIOUS_MEASUREMENT,
        CommandId::WINDOW_INSTRUMENT,
        CommandId::CAL_ADJUST,
        CommandId::WINDOW_LEVEL,
        CommandId::ABOUT,
        CommandId::EXIT,
    };
    EXPECT_EQ(EnabledCommands(empty), expected);
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
