#include "app/CSaveFileChooser.h"

#include <QFile>
#include <QFileDialog>

std::optional<std::filesystem::path> CSaveFileDialog::ChooseSaveName(
    const std::string& defaultName) {
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("DataLogger Files (*.sound *.xls)"));
    dialog.setDefaultSuffix(QStringLiteral("sound"));
    // The proposed name is a time such as "14-06-05  14.02.07", whose last dot would
    // otherwise pass for an extension: the seconds would be cut off the saved files, and a
    // second save within the same minute would replace the first without the overwrite
    // question. With the extension written out, the question covers the file really written.
    dialog.selectFile(QString::fromLocal8Bit(defaultName) + QStringLiteral(".sound"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(
        QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString());
}
