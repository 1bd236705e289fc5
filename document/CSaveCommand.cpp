#include "document/CSaveCommand.h"

#include "document/CDTDoc.h"
#include "document/CTextReport.h"
#include "platform/CArchive.h"
#include "platform/CAtomicFile.h"
#include "platform/CPrompt.h"
#include "platform/LocalTime.h"

namespace {

std::string CannotWriteMessage(const std::filesystem::path& file) {
    return "The file \"" + file.string() +
           "\" could not be written. The measurement was not saved; files that existed "
           "before are unchanged.";
}

}  // namespace

CSaveTargets SaveTargetsFor(const std::filesystem::path& chosenName) {
    // Only the file name is cut at its last dot: a dot in a folder name is not an extension,
    // and a name typed without one gets the extensions added as the dialog would.
    const std::string name = chosenName.filename().string();
    const auto dot = name.rfind('.');
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const auto folder = chosenName.parent_path();
    return {folder / (base + ".sound"), folder / (base + ".xls")};
}

std::string DefaultSaveName(std::time_t now) {
    return FormatLocalTime(now, "%y-%m-%d  %H.%M.%S");
}

bool RunSaveCommand(CDTDoc& doc, const std::filesystem::path& chosenName, CPrompt& prompt) {
    const CSaveTargets targets = SaveTargetsFor(chosenName);
    CAtomicFile sound(targets.SoundFile);
    CAtomicFile report(targets.ReportFile);

    // Both files are written completely before either replaces what was there.
    if (!sound.Open()) {
        prompt.Message(CannotWriteMessage(targets.SoundFile), PromptIcon::Warning);
        return false;
    }
    if (!report.Open() || !WriteTextReport(doc.Record(), report.Stream()) || !report.Finish()) {
        prompt.Message(CannotWriteMessage(targets.ReportFile), PromptIcon::Warning);
        return false;
    }
    CArchive archive(sound.Stream());
    if (!doc.Store(archive) || !archive.Flush() || !sound.Finish() || !sound.Replace()) {
        prompt.Message(CannotWriteMessage(targets.SoundFile), PromptIcon::Warning);
        return false;
    }
    if (!report.Replace()) {
        prompt.Message(CannotWriteMessage(targets.ReportFile), PromptIcon::Warning);
        return false;
    }
    doc.SetupSinceSave = false;
    doc.DownloadSinceSave = false;
    return true;
}

bool SaveMeasurementFile(const CDTDoc& doc, const std::filesystem::path& file, CPrompt& prompt) {
    if (!doc.StoreFile(file)) {
        prompt.Message(CannotWriteMessage(file), PromptIcon::Warning);
        return false;
    }
    return true;
}
