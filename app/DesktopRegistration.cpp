#include "app/DesktopRegistration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

#include "app/ProgramResources.h"

namespace {

constexpr int REFRESH_TIMEOUT_MS = 10000;

// Where the registration lies in a freedesktop data directory.
const QString MIME_TYPE_FILE = QStringLiteral("mime/packages/datalogger.xml");
const QString DESKTOP_ENTRY_FILE = QStringLiteral("applications/datalogger.desktop");
const QString USER_ICON_FILE = QStringLiteral("icons/hicolor/128x128/apps/datalogger.png");

// Writes the file unless it already holds exactly these bytes; true when it was written.
bool WriteIfDifferent(const QString& path, const QByteArray& content) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content) {
        return false;
    }
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
           file.commit();
}

// Runs a desktop database tool if the system has it; its outcome does not matter.
void RunIfPresent(const QString& tool, const QString& directory) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
        return;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, {directory});
    if (!process.waitForFinished(REFRESH_TIMEOUT_MS)) {
        process.kill();
        process.waitForFinished();
    }
}

QByteArray DesktopEntry(const QString& programPath) {
    QList<QByteArray> lines =
        ProgramResource(QStringLiteral(":/packaging/datalogger.desktop")).split('\n');
    for (QByteArray& line : lines) {
        if (line.startsWith("Exec=")) {
            line = "Exec=" + DesktopExecArgument(programPath).toUtf8() + " %f";
        }
    }
    return lines.join('\n');
}

// True when the program runs from <prefix>/bin, the desktop entry and the MIME type are
// installed in <prefix>/share, and the desktop reads that folder: one of the system's data
// directories, not the user's own.
bool DesktopReadsInstalledRegistration(const QString& programPath, const QString& dataHome) {
    const QDir installedData(QFileInfo(programPath).absolutePath() + QStringLiteral("/../share"));
    if (!installedData.exists(DESKTOP_ENTRY_FILE) || !installedData.exists(MIME_TYPE_FILE)) {
        return false;
    }
    const QString installedPath = installedData.canonicalPath();
    const QString userPath = QDir(dataHome).canonicalPath();
    const QStringList dataDirectories =
        QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    return std::any_of(dataDirectories.begin(), dataDirectories.end(), [&](const QString& dir) {
        const QString path = QDir(dir).canonicalPath();
        return path == installedPath && path != userPath;
    });
}

// Removes the user's copies of the registration, which would stand before the installed
// ones; true when there were any.
bool RemoveUserRegistration(const QString& dataHome) {
    bool removed = false;
    for (const QString& file : {MIME_TYPE_FILE, DESKTOP_ENTRY_FILE, USER_ICON_FILE}) {
        removed = QFile::remove(dataHome + u'/' + file) || removed;
    }
    return removed;
}

void RefreshDesktopDatabases(const QString& dataHome, bool mimeTypesChanged,
                             bool applicationsChanged) {
    if (mimeTypesChanged) {
        RunIfPresent(QStringLiteral("update-mime-database"), dataHome + QStringLiteral("/mime"));
    }
    if (applicationsChanged) {
        RunIfPresent(QStringLiteral("update-desktop-database"),
                     dataHome + QStringLiteral("/applications"));
    }
}

}  // namespace

QString DesktopExecArgument(const QString& programPath) {
    QString argument = programPath;
    argument.replace(u'%', QStringLiteral("%%"));
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool needsQuotes =
        std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); });
    if (needsQuotes) {
        QString quoted;
        for (const QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
                quoted += u'\\';
            }
            quoted += c;
        }
        argument = u'"' + quoted + u'"';
    }
    // The Exec value is itself an escaped string, in which a backslash is written twice.
    argument.replace(u'\\', QStringLiteral("\\\\"));
    return argument;
}

CRegistrationResult RegisterSoundFileType(const QString& programPath) {
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty()) {
        return {};
    }
    CRegistrationResult result;
    if (DesktopReadsInstalledRegistration(programPath, dataHome)) {
        result.DeferredToInstalled = true;
        result.EarlierRegistrationRemoved = RemoveUserRegistration(dataHome);
        RefreshDesktopDatabases(dataHome, result.EarlierRegistrationRemoved,
                                result.EarlierRegistrationRemoved);
        return result;
    }
    result.MimeTypeWritten =
        WriteIfDifferent(dataHome + u'/' + MIME_TYPE_FILE,
                         ProgramResource(QStringLiteral(":/packaging/datalogger.xml")));
    result.DesktopEntryWritten =
        WriteIfDifferent(dataHome + u'/' + DESKTOP_ENTRY_FILE, DesktopEntry(programPath));
    result.IconWritten =
        WriteIfDifferent(dataHome + u'/' + USER_ICON_FILE,
                         ProgramResource(QStringLiteral(":/icons/datalogger-128.png")));
    RefreshDesktopDatabases(dataHome, result.MimeTypeWritten, result.DesktopEntryWritten);
    return result;
}
