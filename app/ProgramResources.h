#pragma once

#include <QByteArray>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The pictures and desktop files compiled into the program. Each accessor makes sure the
// resources are loaded, so the program and the tests reach them the same way.
QIcon ProgramIcon();
QPixmap SplashPicture();
// A toolbar button picture by its name, such as "save".
QIcon ToolBarIcon(const QString& name);
// A compiled-in file by its resource path, such as ":/packaging/datalogger.desktop".
QByteArray ProgramResource(const QString& path);
