#include "app/CCommandTable.h"

#include <QAction>

#include "app/CommandStrings.h"

QAction* CCommandTable::AddAction(CommandId id, const QString& text, QObject* parent) {
    auto* action = new QAction(text, parent);
    const CCommandPrompt prompt = CommandPrompt(id);
    action->setStatusTip(prompt.StatusTip);
    if (!prompt.ToolTip.isEmpty()) {
        action->setToolTip(prompt.ToolTip);
    }
    action->setCheckable(id == CommandId::WINDOW_INSTRUMENT || id == CommandId::WINDOW_INFO ||
                         id == CommandId::WINDOW_LEVEL || id == CommandId::WINDOW_STATISTICS ||
                         id == CommandId::WINDOW_LIVE_LEVEL);
    action->setEnabled(false);
    // Menus and buttons respect a disabled action; a direct trigger() must as well.
    QObject::connect(action, &QAction::triggered, action, [this, id, action] {
        if (action->isEnabled()) {
            Run(id);
        }
    });
    m_actions[id].push_back(action);
    return action;
}

void CCommandTable::SetHandler(CommandId id, Handler handler) {
    m_handlers[id] = std::move(handler);
}

void CCommandTable::Update(const CCommandState& state) const {
    for (const auto& [id, actions] : m_actions) {
        const CCommandUpdate update = EvaluateCommand(id, state);
        const bool enabled = update.Enabled && m_handlers.contains(id);
        for (const QPointer<QAction>& action : actions) {
            if (action) {
                action->setEnabled(enabled);
                action->setChecked(update.Checked);
            }
        }
    }
}

std::vector<QAction*> CCommandTable::Actions(CommandId id) const {
    std::vector<QAction*> result;
    if (const auto found = m_actions.find(id); found != m_actions.end()) {
        for (const QPointer<QAction>& action : found->second) {
            if (action) {
                result.push_back(action);
            }
        }
    }
    return result;
}

void CCommandTable::Run(CommandId id) const {
    if (const auto found = m_handlers.find(id); found != m_handlers.end()) {
        found->second();
    }
}
