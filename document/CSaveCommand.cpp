#include "document/CSaveCommand.h"

#include "document/CDTDoc.h"
#include "document/CTextReport.h"
#include "platform/CArchive.h"
#include "platform/CAtomicFile.h"
#include "platform/CPrompt.h"
#include "platform/LocalTime.h"

namespace {

// When the report could not take its place and the measurement file could not be put back
// either: which file holds what.
std::string PartlySavedMessage(const CSaveTargets& targets,
                               const std::filesystem::path& earlierMeasurement) {
    std::string text = "The measurement was saved only in part: \"" + targets.SoundFile.string() +
                       "\" holds the new measurement, but \"" + targets.ReportFile.string() +
                       "\" could not be written and is as it was.";
    if (!earlierMeasurement.empty()) {
        text += " The earlier measurement is kept in \"" + earlierMeasurement.string() + "\".";
    }
    return text;
}

}  // namespace

std::string CannotWriteMessage(const std::filesystem::path& file) {
    return "The file \"" + file.string() +
           "\" could not be written. The measurement was not saved; files that existed "
           "before are unchanged.";
}

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
    const auto refuse = [&prompt](const std::filesystem::path& file) {
        prompt.Message(CannotWriteMessage(file), PromptIcon::Warning);
        return false;
    };

    // Both files are written completely, and both targets checked, before either replaces
    // what was there.
    if (!sound.Open()) {
        return refuse(targets.SoundFile);
    }
    if (!report.Open() || !WriteTextReport(doc.Record(), report.Stream()) || !report.Finish()) {
        return refuse(targets.ReportFile);
    }
    CArchive archive(sound.Stream());
    if (!doc.Store(archive) || !archive.Flush() || !sound.Finish()) {
        return refuse(targets.SoundFile);
    }
    // Checked again: the folder may have changed while the files were written.
    if (!sound.TargetReplaceable()) {
        return refuse(targets.SoundFile);
    }
    if (!report.TargetReplaceable()) {
        return refuse(targets.ReportFile);
    }
    if (!sound.ReplaceKeepingPrevious()) {
        return refuse(targets.SoundFile);
    }
    if (!report.Replace()) {
        if (sound.Undo()) {
            return refuse(targets.ReportFile);
        }
        prompt.Message(PartlySavedMessage(targets, sound.KeptPrevious()), PromptIcon::Warning);
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
