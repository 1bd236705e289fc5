#include "app/FrameMenus.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <initializer_list>

#include "app/CCommandTable.h"
#include "app/ProgramResources.h"

namespace {

struct MenuItem {
    CommandId Id;
    const char* Text;
    QKeyCombination Key{};  // none when left out; the menu shows it beside the text
};

void AddItems(QMenu& menu, CCommandTable& commands, std::initializer_list<MenuItem> items,
              bool separated) {
    bool first = true;
    for (const MenuItem& item : items) {
        if (separated && !first) {
            menu.addSeparator();
        }
        QAction* action = commands.AddAction(item.Id, QString::fromLatin1(item.Text), &menu);
        if (item.Key != QKeyCombination()) {
            action->setShortcut(QKeySequence(item.Key));
        }
        menu.addAction(action);
        first = false;
    }
}

struct ToolButton {
    CommandId Id;
    const char* Picture;
};

constexpr ToolButton TOOL_BUTTONS[] = {
    {CommandId::SAVE, "save"},
    {CommandId::OPEN, "open"},
    {CommandId::CAL_ADJUST, "caladjust"},
    {CommandId::SETUP, "setup"},
    {CommandId::DOWNLOAD, "download"},
    {CommandId::STOP_RUNNING, "stop"},
    {CommandId::IMPORT_LIST, "importlist"},
    {CommandId::PRINT_GRAPH, "printgraph"},
    {CommandId::PRINT_LIST, "printlist"},
    {CommandId::HELP_TOPICS, "help"},
};

struct Accelerator {
    CommandId Id;
    const char* Text;
    QKeyCombination Key;
    QKeyCombination OtherKey{};  // none when left out
};

const Accelerator ACCELERATORS[] = {
    {CommandId::FILE_NEW, "New document", Qt::CTRL | Qt::Key_N},
    {CommandId::FILE_OPEN, "Open document", Qt::CTRL | Qt::Key_O},
    {CommandId::FILE_SAVE, "Save document", Qt::CTRL | Qt::Key_S},
    {CommandId::PRINT, "Print", Qt::CTRL | Qt::Key_P},
    {CommandId::NEXT_PANE, "Next Pane", Qt::Key_F6},
    {CommandId::PREV_PANE, "Previous Pane", Qt::SHIFT | Qt::Key_F6},
    {CommandId::EDIT_UNDO, "Undo", Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace},
    {CommandId::EDIT_CUT, "Cut", Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete},
    {CommandId::EDIT_COPY, "Copy", Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert},
    {CommandId::EDIT_PASTE, "Paste", Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert},
};

}  // namespace

void BuildMainMenu(QMenuBar& menuBar, CCommandTable& commands) {
    QMenu* file = menuBar.addMenu(QStringLiteral("&File(f)"));
    AddItems(*file, commands, {{CommandId::SAVE, "&Save..."}, {CommandId::OPEN, "&Open..."}},
             true);
    // A station's archive opens beside a measurement, in a window of its own.
    AddItems(*file, commands, {{CommandId::OPEN_ARCHIVE, "Open &Archive..."}}, false);
    file->addSeparator();
    AddItems(*file, commands, {{CommandId::PRINT_SETUP, "&Print Setup..."}}, false);
    file->addSeparator();
    QMenu* preview = file->addMenu(QStringLiteral("&Print Preview"));
    AddItems(*preview, commands,
             {{CommandId::PREVIEW_GRAPH, "&Graph"},
              {CommandId::PREVIEW_LIST, "&List"},
              {CommandId::PREVIEW_TABLE, "&Table"}},
             false);
    file->addSeparator();
    QMenu* print = file->addMenu(QStringLiteral("&Print..."));
    AddItems(*print, commands,
             {{CommandId::PRINT_GRAPH, "&Graph"},
              {CommandId::PRINT_LIST, "&List"},
              {CommandId::PRINT_TABLE, "&Table"}},
             false);
    file->addSeparator();
    QMenu* exportTo = file->addMenu(QStringLiteral("E&xport"));
    AddItems(*exportTo, commands,
             {{CommandId::EXPORT_CSV, "&CSV..."},
              {CommandId::EXPORT_WORKBOOK, "&Excel Workbook..."},
              {CommandId::EXPORT_ASSESSMENT, "&Assessment Report..."}},
             false);
    file->addSeparator();
    // The keys desktop programs quit with and open their help with.
    AddItems(*file, commands, {{CommandId::EXIT, "&Exit", Qt::CTRL | Qt::Key_Q}}, false);

    QMenu* instrument = menuBar.addMenu(QStringLiteral("&Instrument(I)"));
    AddItems(*instrument, commands,
             {{CommandId::CAL_ADJUST, "Cal Adjust..."},
              {CommandId::SETUP, "Datalogger Setup..."},
              {CommandId::DOWNLOAD, "&Download Data..."},
              {CommandId::STOP_RUNNING, "&Stop Running..."},
              {CommandId::PREVIOUS_MEASUREMENT, "Previous Measurement"}},
             true);

    // The graph's toolbar and the list, for the keyboard too.
    QMenu* graph = menuBar.addMenu(QStringLiteral("&Graph(G)"));
    const struct {
        CommandId Id;
        const char* Text;
        QList<QKeySequence> Keys;
    } graphItems[] = {
        {CommandId::IMPORT_LIST, "Import data to &list", {Qt::CTRL | Qt::Key_L}},
        {CommandId::GRAPH_UNDOZOOM, "&Undozoom", {Qt::CTRL | Qt::Key_0}},
        {CommandId::GRAPH_ZOOM_IN, "Zoom &In", QKeySequence::keyBindings(QKeySequence::ZoomIn)},
        {CommandId::GRAPH_ZOOM_OUT, "Zoom &Out", QKeySequence::keyBindings(QKeySequence::ZoomOut)},
        {CommandId::GRAPH_AXIS_SETUP, "&Axis Setup...", {}},
        {CommandId::GRAPH_COLOR_SETUP, "&Color Setup...", {}},
        {CommandId::GRAPH_VIEW, "&View...", {}},
    };
    for (const auto& item : graphItems) {
        if (item.Id == CommandId::GRAPH_UNDOZOOM || item.Id == CommandId::GRAPH_AXIS_SETUP) {
            graph->addSeparator();
        }
        QAction* action = commands.AddAction(item.Id, QString::fromLatin1(item.Text), graph);
        action->setShortcuts(item.Keys);
        graph->addAction(action);
    }

    QMenu* window = menuBar.addMenu(QStringLiteral("&Window(W)"));
    AddItems(*window, commands,
             {{CommandId::WINDOW_INSTRUMENT, "&Instrument"},
              {CommandId::WINDOW_INFO, "&Info Dialog"},
              {CommandId::WINDOW_STATISTICS, "&Statistics"},
              {CommandId::WINDOW_LIVE_LEVEL, "Live Le&vel"},
              {CommandId::WINDOW_LEVEL, "&Level Assessment"}},
             false);

    QMenu* help = menuBar.addMenu(QStringLiteral("&Help(H)"));
    AddItems(
        *help, commands,
        {{CommandId::ABOUT, "&About..."}, {CommandId::HELP_TOPICS, "&Help topics...", Qt::Key_F1}},
        true);
}

QToolBar* BuildMainToolBar(QMainWindow& frame, CCommandTable& commands) {
    auto* toolBar = new QToolBar(QStringLiteral("Toolbar"), &frame);
    toolBar->setObjectName(QStringLiteral("MainToolBar"));
    toolBar->setIconSize(QSize(27, 21));
    toolBar->setMovable(true);
    toolBar->setFloatable(true);
    toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    bool first = true;
    for (const ToolButton& button : TOOL_BUTTONS) {
        if (!first) {
            toolBar->addSeparator();
        }
        QAction* action = commands.AddAction(button.Id, QString(), toolBar);
        action->setText(action->toolTip());
        action->setIcon(ToolBarIcon(QString::fromLatin1(button.Picture)));
        toolBar->addAction(action);
        first = false;
    }
    frame.addToolBar(Qt::TopToolBarArea, toolBar);
    return toolBar;
}

void BuildAccelerators(QWidget& frame, CCommandTable& commands) {
    for (const Accelerator& accelerator : ACCELERATORS) {
        QAction* action =
            commands.AddAction(accelerator.Id, QString::fromLatin1(accelerator.Text), &frame);
        QList<QKeySequence> keys{QKeySequence(accelerator.Key)};
        if (accelerator.OtherKey != QKeyCombination()) {
            keys << QKeySequence(accelerator.OtherKey);
        }
        action->setShortcuts(keys);
        frame.addAction(action);
    }
}

QMenu* BuildInstrumentMenu(QWidget& parent, CCommandTable& commands) {
    auto* menu = new QMenu(&parent);
    AddItems(*menu, commands,
             {{CommandId::CAL_ADJUST, "Cal Adjust"},
              {CommandId::SETUP, "Datalogger Setup"},
              {CommandId::DOWNLOAD, "&Download Data"},
              {CommandId::STOP_RUNNING, "Stop Running"},
              {CommandId::PREVIOUS_MEASUREMENT, "&Previous Measurement"}},
             true);
    return menu;
}
