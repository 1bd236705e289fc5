#pragma once

#include <QTimer>

#include <filesystem>
#include <functional>

class CDTDoc;
class CDTView;
class CFileChooser;
class CPrompt;

// The main window's file commands: Save (the measurement beside its text report), Open and
// Previous Measurement (a measurement read whole and shown unzoomed, with the question whether
// to save unsaved logger data first), and the document's own New, Open and Save (Ctrl+N, Ctrl+O,
// Ctrl+S), which keep to the document's file name.
class CFileCommands {
public:
    // `startPanesAfresh` runs when Ctrl+N or Ctrl+O has given the document a new start.
    CFileCommands(CDTDoc& doc, CDTView& view, CPrompt& prompt, CFileChooser& fileChooser,
                  std::function<void()> startPanesAfresh);

    // Puts other message boxes and file dialogs in place of those given at the start.
    void UseDialogs(CPrompt& prompt, CFileChooser& fileChooser);

    // The Save command: the file dialog, then both files written.
    void Save();
    void Open();
    void OpenPreviousMeasurement();
    // A file of the File menu's recent list, opened as Open opens the file its dialog chose;
    // a file that has gone is taken off the list, and the user is told.
    void OpenRecent(const std::filesystem::path& file);
    void NewDocument();
    void OpenDocument();
    void SaveDocument();

    // Shows a file that Open or Previous Measurement has just read whole, unzoomed.
    const QTimer& ZoomResetTimer() const { return m_zoomResetTimer; }

private:
    void AskToSaveBeforeOpen();
    // True when the file was read; a failure has been told.
    bool LoadMeasurement(const std::filesystem::path& file);

    CDTDoc& m_doc;
    CPrompt* m_prompt;
    CFileChooser* m_fileChooser;
    std::function<void()> m_startPanesAfresh;
    QTimer m_zoomResetTimer;
};
