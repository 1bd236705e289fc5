#include "app/CRecentFilesMenu.h"

#include <QAction>
#include <QFile>
#include <QMenu>

#include <utility>

#include "platform/CSettings.h"
#include "platform/RecentFiles.h"

CRecentFilesMenu::CRecentFilesMenu(QMenu& menu, QAction& before, Open open,
                                   std::function<bool()> enabled)
    : QObject(&menu),
      m_menu(menu),
      m_before(before),
      m_open(std::move(open)),
      m_enabled(std::move(enabled)) {
    connect(&menu, &QMenu::aboutToShow, this, &CRecentFilesMenu::Rebuild);
}

void CRecentFilesMenu::Rebuild() {
    for (QAction* entry : m_entries) {
        m_menu.removeAction(entry);
        entry->deleteLater();
    }
    m_entries.clear();
    const auto files = ReadRecentFiles(ReadSettingsFile());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::filesystem::path& file = files[i];
        const QString path = QFile::decodeName(file.c_str());
        const QString name = QFile::decodeName(file.filename().c_str());
        auto* entry = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name), &m_menu);
        entry->setStatusTip(path);
        entry->setToolTip(path);
        entry->setEnabled(m_enabled());
        connect(entry, &QAction::triggered, this, [this, file] { m_open(file); });
        m_menu.insertAction(&m_before, entry);
        m_entries.push_back(entry);
    }
    if (!m_entries.empty()) {
        m_entries.push_back(m_menu.insertSeparator(&m_before));
    }
}
