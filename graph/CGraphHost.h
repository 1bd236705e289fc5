#pragma once

#include "dialogs/display/ColorTable.h"

class CPrompt;

// What the graph view needs of the main window. The main window implements it; tests pass
// their own.
class CGraphHost {
public:
    virtual ~CGraphHost() = default;
    virtual CGraphColorIndexes ColorIndexes() const = 0;
    // The colour dialog's OK: the main window keeps the new colours.
    virtual void SetColorIndexes(const CGraphColorIndexes& indexes) = 0;
    // Where the view's dialogs show their messages.
    virtual CPrompt& Prompt() = 0;

    // The graph's full-window toggle: the instrument pane goes away, or comes back when the
    // user has it shown.
    virtual void ExpandGraph(bool expanded) = 0;
    // Whether the user has the info panel shown (Window > Info Dialog).
    virtual bool InfoPanelWanted() const = 0;
    // A dialog's OK changed the display switches, the level axis or the colours: a host that
    // keeps a settings file writes it now, so that the choice outlives a crash.
    virtual void StoreSettings() {}
};
