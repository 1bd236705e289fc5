#pragma once

#include <QPointer>

#include <functional>
#include <map>
#include <vector>

#include "app/CommandRules.h"

class QAction;
class QObject;
class QString;

// The commands of the main window: every menu item, toolbar button and pop-up item is an
// action of one command id, and one update sets all of them from the enabling rules. A
// command runs its handler; a command that has none yet stays disabled whatever its rule
// says, so no source can invoke it.
class CCommandTable {
public:
    using Handler = std::function<void()>;

    // A new action of the command, with the command's status-bar prompt and tooltip.
    QAction* AddAction(CommandId id, const QString& text, QObject* parent);
    void SetHandler(CommandId id, Handler handler);

    // Enables, disables and checks every action by the rules and the handlers present.
    void Update(const CCommandState& state) const;

    std::vector<QAction*> Actions(CommandId id) const;

private:
    void Run(CommandId id) const;

    std::map<CommandId, std::vector<QPointer<QAction>>> m_actions;
    std::map<CommandId, Handler> m_handlers;
};
