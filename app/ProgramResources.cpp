#include "app/ProgramResources.h"

#include <QFile>

#include "resources/LoadResources.h"

QIcon ProgramIcon() {
    LoadProgramResources();
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/datalogger-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QPixmap SplashPicture() {
    LoadProgramResources();
    return QPixmap(QStringLiteral(":/pictures/splash.png"));
}

QIcon ToolBarIcon(const QString& name) {
    LoadProgramResources();
    return QIcon(QStringLiteral(":/toolbar/%1.png").arg(name));
}

QByteArray ProgramResource(const QString& path) {
    LoadProgramResources();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
