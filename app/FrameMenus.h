#pragma once

class CCommandTable;
class QMainWindow;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

// The main menu: File, Instrument, Window and Help, with separators between the items of
// the File, Instrument and Help menus.
void BuildMainMenu(QMenuBar& menuBar, CCommandTable& commands);

// The main toolbar: ten buttons with a separator after each but the last, docked at the top
// and movable to every side.
QToolBar* BuildMainToolBar(QMainWindow& frame, CCommandTable& commands);

// The keyboard accelerators of the main window, each the action of its command.
void BuildAccelerators(QWidget& frame, CCommandTable& commands);

// The instrument tree's pop-up menu.
QMenu* BuildInstrumentMenu(QWidget& parent, CCommandTable& commands);
