#pragma once

#include <QObject>

#include <filesystem>
#include <functional>
#include <vector>

class QAction;
class QMenu;

// The File menu's list of the measurement files opened or saved last, numbered from &1. It is
// read from the settings file each time the menu opens, so that a file saved by another window
// of the program shows too.
class CRecentFilesMenu : public QObject {
public:
    using Open = std::function<void(const std::filesystem::path&)>;

    // The entries stand in `menu` before `before`, followed by a separator; `open` runs for the
    // entry chosen, which is enabled while `enabled` says that a file may be opened.
    CRecentFilesMenu(QMenu& menu, QAction& before, Open open, std::function<bool()> enabled);

    void Rebuild();
    const std::vector<QAction*>& Entries() const { return m_entries; }

private:
    QMenu& m_menu;
    QAction& m_before;
    Open m_open;
    std::function<bool()> m_enabled;
    std::vector<QAction*> m_entries;  // the files, then the separator below them
};
