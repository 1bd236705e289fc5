#include "app/ProgramResources.h"

#include <QFile>

// The resources live in a static library: naming their initialiser keeps the linker from
// dropping them. Q_INIT_RESOURCE must be used outside any namespace.
static void LoadResources() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(datalogger);
        return true;
    }();
    static_cast<void>(loaded);
}

QIcon ProgramIcon() {
    LoadResources();
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/datalogger-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QPixmap SplashPicture() {
    LoadResources();
    return QPixmap(QStringLiteral(":/pictures/splash.png"));
}

QIcon ToolBarIcon(const QString& name) {
    LoadResources();
    return QIcon(QStringLiteral(":/toolbar/%1.png").arg(name));
}

QByteArray ProgramResource(const QString& path) {
    LoadResources();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
