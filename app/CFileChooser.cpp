#include "app/CFileChooser.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <system_error>

#include "document/MeasurementHistory.h"
#include "platform/CProfile.h"
#include "platform/CSettings.h"
#include "platform/ProgramDirectory.h"

namespace {

const QString MEASUREMENT_FILTER = QStringLiteral("DataLogger Files (*.sound)");

QUrl FolderUrl(const std::filesystem::path& folder) {
    return QUrl::fromLocalFile(QFile::decodeName(folder.c_str()));
}

// A dialog of a kind starts in the folder the last one of that kind chose, while it exists.
// A report, made to be handed on, starts in the documents folder before that.
void StartInLastFolder(QFileDialog& dialog, FileKind kind) {
    const std::filesystem::path folder = ReadLastFolder(ReadSettingsFile(), kind);
    std::error_code error;
    if (!folder.empty() && std::filesystem::is_directory(folder, error)) {
        dialog.setDirectory(QFile::decodeName(folder.c_str()));
    } else if (kind == FileKind::Report) {
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!documents.isEmpty() && QFileInfo(documents).isDir()) {
            dialog.setDirectory(documents);
        }
    }
}

std::optional<std::filesystem::path> RunDialog(QFileDialog& dialog, FileKind kind,
                                               const QString& suffix = QStringLiteral("sound")) {
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    std::filesystem::path chosen(
        QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString());
    // Only the next dialog's start depends on it.
    static_cast<void>(RememberLastFolder(kind, chosen.parent_path()));
    return chosen;
}

std::optional<std::filesystem::path> ChooseNameToSave(
    QWidget* parent, const QString& filter, const std::string& defaultName, FileKind kind,
    const QString& suffix = QStringLiteral("sound")) {
    QFileDialog dialog(parent);
    StartInLastFolder(dialog, kind);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    // The proposed name may be a time such as "14-06-05  14.02.07", whose last dot would
    // otherwise pass for an extension: the seconds would be cut off the saved files, and a
    // second save within the same minute would replace the first without the overwrite
    // question. With the extension written out, the question covers the file really written.
    dialog.selectFile(QString::fromLocal8Bit(defaultName) + QLatin1Char('.') + suffix);
    return RunDialog(dialog, kind, suffix);
}

}  // namespace

std::optional<std::filesystem::path> CFileDialogs::ChooseOpenName() {
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(MEASUREMENT_FILTER);
    StartInLastFolder(dialog, FileKind::Measurement);
    // The last measurement and the ones it replaced lie in the hidden program folder: the
    // dialog's places lead there.
    QList<QUrl> places = dialog.sidebarUrls();
    if (const auto history = HistoryFolder()) {
        places << FolderUrl(ProgramDirectory()) << FolderUrl(*history);
    }
    dialog.setSidebarUrls(places);
    return RunDialog(dialog, FileKind::Measurement);
}

std::optional<std::filesystem::path> CFileDialogs::ChooseArchiveName() {
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Station archives (*.sqlite *.db);;All files (*)"));
    if (const auto folder = ProgramDirectory(); !folder.empty()) {
        dialog.setDirectory(QString::fromStdString(folder.string()));
    }
    const auto chosen = dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(chosen.front().toStdString());
}

std::optional<std::filesystem::path> CFileDialogs::ChooseSaveName(const std::string& defaultName) {
    return ChooseNameToSave(m_parent, QStringLiteral("DataLogger Files (*.sound *.xls)"),
                            defaultName, FileKind::Measurement);
}

std::optional<std::filesystem::path> CFileDialogs::ChooseMeasurementSaveName(
    const std::string& defaultName) {
    return ChooseNameToSave(m_parent, MEASUREMENT_FILTER, defaultName, FileKind::Measurement);
}

std::optional<std::filesystem::path> CFileDialogs::ChooseExportName(
    ExportFormat format, const std::string& defaultName) {
    if (format == ExportFormat::Csv) {
        return ChooseNameToSave(m_parent, QStringLiteral("CSV Files (*.csv)"), defaultName,
                                FileKind::Csv, QStringLiteral("csv"));
    }
    return ChooseNameToSave(m_parent, QStringLiteral("Excel Workbooks (*.xlsx)"), defaultName,
                            FileKind::Workbook, QStringLiteral("xlsx"));
}

std::optional<std::filesystem::path> CFileDialogs::ChooseReportName(
    const std::string& defaultName) {
    return ChooseNameToSave(m_parent, QStringLiteral("PDF Files (*.pdf)"), defaultName,
                            FileKind::Report, QStringLiteral("pdf"));
}
