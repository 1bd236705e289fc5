#pragma once

#include <functional>

#include <QApplication>
#include <QTimer>

// Runs `open`, which shows a modal dialog and returns once it has closed; while the dialog is
// up, `inDialog` acts on it and must close it. False when no modal dialog of the class came
// up.
template <typename TDialog>
bool WhileModal(const std::function<void()>& open, const std::function<void(TDialog&)>& inDialog) {
    bool found = false;
    // A timer of this scope: when no dialog comes up it never fires after the return.
    QTimer inLoop;
    inLoop.setSingleShot(true);
    QObject::connect(&inLoop, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<TDialog*>(QApplication::activeModalWidget())) {
            found = true;
            inDialog(*dialog);
        }
    });
    inLoop.start(0);
    open();
    return found;
}
