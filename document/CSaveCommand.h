#pragma once

#include <ctime>
#include <filesystem>
#include <string>

class CDTDoc;
class CPrompt;

// The two files one name chosen in the save dialog gives: the name cut before its last dot,
// plus ".sound" and ".xls", side by side in the chosen folder.
struct CSaveTargets {
    std::filesystem::path SoundFile;
    std::filesystem::path ReportFile;
};
CSaveTargets SaveTargetsFor(const std::filesystem::path& chosenName);

// What the user is told when one of the two files could not be written.
std::string CannotWriteMessage(const std::filesystem::path& file);

// The name the save dialog proposes: the local time as "%y-%m-%d  %H.%M.%S".
std::string DefaultSaveName(std::time_t now);

// The Save command after the dialog: writes the measurement file and the text report, both
// or neither, and then clears the document's SetupSinceSave and DownloadSinceSave. On any
// failure the files that existed before and the flags stay as they were, and the prompt
// names the file that could not be written.
bool RunSaveCommand(CDTDoc& doc, const std::filesystem::path& chosenName, CPrompt& prompt);

// The document's own save (Ctrl+S): the measurement file alone, no report, the save flags
// left as they are. On failure the file as it was stays and the prompt names it.
bool SaveMeasurementFile(const CDTDoc& doc, const std::filesystem::path& file, CPrompt& prompt);
