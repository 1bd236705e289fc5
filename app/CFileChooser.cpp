#include "app/CFileChooser.h"

#include <QFile>
#include <QFileDialog>

namespace {

const QString MEASUREMENT_FILTER = QStringLiteral("DataLogger Files (*.sound)");

std::optional<std::filesystem::path> RunDialog(QFileDialog& dialog,
                                               const QString& suffix = QStringLiteral("sound")) {
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(
        QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString());
}

std::optional<std::filesystem::path> ChooseNameToSave(
    QWidget* parent, const QString& filter, const std::string& defaultName,
    const QString& suffix = QStringLiteral("sound")) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    // The proposed name may be a time such as "14-06-05  14.02.07", whose last dot would
    // otherwise pass for an extension: the seconds would be cut off the saved files, and a
    // second save within the same minute would replace the first without the overwrite
    // question. With the extension written out, the question covers the file really written.
    dialog.selectFile(QString::fromLocal8Bit(defaultName) + QLatin1Char('.') + suffix);
    return RunDialog(dialog, suffix);
}

}  // namespace

std::optional<std::filesystem::path> CFileDialogs::ChooseOpenName() {
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(MEASUREMENT_FILTER);
    return RunDialog(dialog);
}

std::optional<std::filesystem::path> CFileDialogs::ChooseSaveName(const std::string& defaultName) {
    return ChooseNameToSave(m_parent, QStringLiteral("DataLogger Files (*.sound *.xls)"),
                            defaultName);
}

std::optional<std::filesystem::path> CFileDialogs::ChooseMeasurementSaveName(
    const std::string& defaultName) {
    return ChooseNameToSave(m_parent, MEASUREMENT_FILTER, defaultName);
}

std::optional<std::filesystem::path> CFileDialogs::ChooseExportName(
    ExportFormat format, const std::string& defaultName) {
    if (format == ExportFormat::Csv) {
        return ChooseNameToSave(m_parent, QStringLiteral("CSV Files (*.csv)"), defaultName,
                                QStringLiteral("csv"));
    }
    return ChooseNameToSave(m_parent, QStringLiteral("Excel Workbooks (*.xlsx)"), defaultName,
                            QStringLiteral("xlsx"));
}
