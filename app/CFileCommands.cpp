#include "app/CFileCommands.h"

#include <system_error>
#include <utility>

#include "app/CFileChooser.h"
#include "app/CWaitCursor.h"
#include "app/OpenDocumentFile.h"
#include "document/CDTDoc.h"
#include "document/CSaveCommand.h"
#include "graph/CDTView.h"
#include "platform/CPrompt.h"
#include "platform/LocalTime.h"
#include "platform/RecentFiles.h"

namespace {

constexpr int ZOOM_RESET_DELAY_MS = 50;
// The document's own save proposes the name an untitled document has.
constexpr const char* UNTITLED = "Untitled";
constexpr const char* NO_PREVIOUS_MEASUREMENT =
    "There is no previous measurement yet: the last one is kept after each download and "
    "each real-time run.";

// The list of recent files only helps the next open: a settings file that cannot be written
// loses that help and nothing else.
void Remember(const std::filesystem::path& file) {
    static_cast<void>(AddRecentFile(file));
}

}  // namespace

CFileCommands::CFileCommands(CDTDoc& doc, CDTView& view, CPrompt& prompt, CFileChooser& fileChooser,
                             std::function<void()> startPanesAfresh)
    : m_doc(doc),
      m_prompt(&prompt),
      m_fileChooser(&fileChooser),
      m_startPanesAfresh(std::move(startPanesAfresh)) {
    m_zoomResetTimer.setSingleShot(true);
    m_zoomResetTimer.setInterval(ZOOM_RESET_DELAY_MS);
    QObject::connect(&m_zoomResetTimer, &QTimer::timeout, &view, &CDTView::UndoZoom);
}

void CFileCommands::UseDialogs(CPrompt& prompt, CFileChooser& fileChooser) {
    m_prompt = &prompt;
    m_fileChooser = &fileChooser;
}

void CFileCommands::Save() {
    const auto name = m_fileChooser->ChooseSaveName(DefaultSaveName(CurrentTime()));
    if (!name) {
        return;
    }
    const CWaitCursor wait;
    if (RunSaveCommand(m_doc, *name, *m_prompt)) {
        Remember(SaveTargetsFor(*name).SoundFile);
    }
}

void CFileCommands::Open() {
    AskToSaveBeforeOpen();
    if (const auto file = m_fileChooser->ChooseOpenName(); file && LoadMeasurement(*file)) {
        Remember(*file);
    }
}

void CFileCommands::OpenRecent(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        static_cast<void>(RemoveRecentFile(file));
        m_prompt->Message("The file " + file.string() +
                              " is no longer there; it has been taken off the list of recent "
                              "files.",
                          PromptIcon::Warning);
        return;
    }
    AskToSaveBeforeOpen();
    if (LoadMeasurement(file)) {
        Remember(file);
    }
}

void CFileCommands::OpenPreviousMeasurement() {
    const auto file = LastMeasurementPath();
    std::error_code error;
    if (!file || !std::filesystem::exists(*file, error)) {
        m_prompt->Message(NO_PREVIOUS_MEASUREMENT, PromptIcon::Information);
        return;
    }
    LoadMeasurement(*file);
}

// Data never saved would be lost under the file: the user may save it first, and is asked once.
void CFileCommands::AskToSaveBeforeOpen() {
    if (m_doc.Record().SampleCount > 0 && !m_doc.LoadedFromFile && m_doc.DownloadSinceSave &&
        m_doc.SetupSinceSave) {
        if (m_prompt->AskYesNo("Do you want to save the existing graph data before continuing?",
                               PromptIcon::Question)) {
            Save();
        }
        m_doc.DownloadSinceSave = false;
        m_doc.SetupSinceSave = false;
    }
}

bool CFileCommands::LoadMeasurement(const std::filesystem::path& file) {
    LoadResult result = LoadResult::CannotOpen;
    {
        const CWaitCursor wait;
        result = m_doc.LoadFile(file, *m_prompt);
    }
    if (result == LoadResult::Loaded) {
        m_zoomResetTimer.start();
    } else if (result == LoadResult::CannotOpen) {
        m_prompt->Message(CannotOpenMessage(file), PromptIcon::Warning);
    }
    return result == LoadResult::Loaded;
}

void CFileCommands::NewDocument() {
    // The document's own New keeps the record; it forgets the file name, and the panes start
    // afresh.
    m_doc.PathName.clear();
    m_startPanesAfresh();
}

void CFileCommands::OpenDocument() {
    const auto file = m_fileChooser->ChooseOpenName();
    if (!file) {
        return;
    }
    bool opened = false;
    {
        const CWaitCursor wait;
        opened = OpenDocumentFile(m_doc, *file, *m_prompt);
    }
    if (opened) {
        Remember(*file);
        m_startPanesAfresh();
    }
}

void CFileCommands::SaveDocument() {
    std::filesystem::path file = m_doc.PathName;
    if (file.empty()) {
        const auto chosen = m_fileChooser->ChooseMeasurementSaveName(UNTITLED);
        if (!chosen) {
            return;
        }
        file = *chosen;
    }
    const CWaitCursor wait;
    if (SaveMeasurementFile(m_doc, file, *m_prompt)) {
        m_doc.PathName = file;
        Remember(file);
    }
}
