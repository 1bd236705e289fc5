#include "app/DesktopRegistration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include "app/ProgramResources.h"

namespace {

constexpr int REFRESH_TIMEOUT_MS = 10000;

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
    result.MimeTypeWritten =
        WriteIfDifferent(dataHome + QStringLiteral("/mime/packages/datalogger.xml"),
                         ProgramResource(QStringLiteral(":/packaging/datalogger.xml")));
    result.DesktopEntryWritten = WriteIfDifferent(
        dataHome + QStringLiteral("/applications/datalogger.desktop"), DesktopEntry(programPath));
    result.IconWritten =
        WriteIfDifferent(dataHome + QStringLiteral("/icons/hicolor/128x128/apps/datalogger.png"),
                         ProgramResource(QStringLiteral(":/icons/datalogger-128.png")));
    if (result.MimeTypeWritten) {
        RunIfPresent(QStringLiteral("update-mime-database"), dataHome + QStringLiteral("/mime"));
    }
    if (result.DesktopEntryWritten) {
        RunIfPresent(QStringLiteral("update-desktop-database"),
                     dataHome + QStringLiteral("/applications"));
    }
    return result;
}
