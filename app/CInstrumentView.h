#pragma once

#include <QTreeWidget>

class QMenu;

// The instrument pane, splitter column 0: a tree with the one root item "-INSTRUMENT" and
// the program icon. A right click on the item opens the instrument pop-up menu, whose items
// are the main window's commands.
class CInstrumentView : public QTreeWidget {
public:
    CInstrumentView(QMenu& popup, QWidget* parent);

    // The tree starts afresh for a new document: every item goes and the root comes back.
    void OnInitialUpdate();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QMenu& m_popup;
};
