#pragma once

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>

#include "app/CCommandTable.h"
#include "app/CArchiveWindow.h"
#include "app/CFileChooser.h"
#include "app/CFileCommands.h"
#include "app/CLiveLevelWindowCommand.h"
#include "app/CStatisticsWindowCommand.h"
#include "dialogs/display/CMessageBoxPrompt.h"
#include "graph/CGraphHost.h"
#include "graph/CGraphState.h"
#include "graph/CPrintDialogs.h"
#include "platform/CSettings.h"

class CBridge;
class CDTDoc;
class CDTView;
class CDownloadDlg;
class CHelpWindow;
class CSetupDlg;
class CInstrumentView;
class CReportPrinter;
class QLabel;
class QSplitter;

// The main window "Tesmer Brantel": menu, toolbar, accelerators, a one-pane status bar, and a
// splitter with the instrument tree in column 0 and the graph pane in column 1. It holds the
// settings of the next logger setup and the graph colours, runs the commands, and runs the
// close sequence: settings written, a running real-time series kept as the last measurement,
// the question whether to save unsaved data, and the end of the program 10 ms later. The
// document keeps telling it of changes, so it must not change after the window has gone.
class CMainFrame : public QMainWindow, public CGraphHost {
    Q_OBJECT
public:
    // `simulateLogger`: the logger commands talk to the simulated logger, not the USB bus.
    explicit CMainFrame(CDTDoc& doc, bool simulateLogger = false);
    ~CMainFrame() override;

    // Puts scripted answers in place of the message boxes and the file dialogs.
    void UseDialogs(CPrompt& prompt, CFileChooser& fileChooser);
    // Puts scripted answers in place of the print, preview and page setup dialogs.
    void UsePrintDialogs(CPrintDialogs& printDialogs) { m_printDialogs = &printDialogs; }

    // The setup, calibration and colour dialogs change these when the user confirms them.
    CFrameSettings& Settings() { return m_settings; }
    CInstrumentView& InstrumentView() { return *m_instrumentView; }
    CDTView& GraphView() { return *m_graphView; }
    // The Statistics window while Window > Statistics has it open, else nullptr.
    CStatisticsDlg* StatisticsWindow() const { return m_statistics->Window(); }
    CLiveLevelDlg* LiveLevelWindow() const { return m_liveLevel->Window(); }

    CGraphColorIndexes ColorIndexes() const override;
    void SetColorIndexes(const CGraphColorIndexes& indexes) override;
    CPrompt& Prompt() override { return *m_prompt; }
    void ExpandGraph(bool expanded) override;
    bool InfoPanelWanted() const override { return InfoPanelShown; }
    // Writes every setting to the settings file, as the close does.
    void StoreSettings() override;

    // A station's archive in a window of its own beside this one; false (the user has been told
    // why) when it cannot be read. It joins the recent files.
    bool OpenArchive(const std::filesystem::path& file);
    // The file named on the command line: an archive, told from a measurement by what it holds
    // whatever its name, in its own window, else the measurement. False when the start should
    // stop (the user has been told why).
    bool OpenFileAtStart(const std::filesystem::path& file);
    const std::vector<std::unique_ptr<CArchiveWindow>>& ArchiveWindows() const {
        return m_archiveWindows;
    }

    // A new document or a loaded file: the panes start afresh.
    void InitialUpdate();

    // Evaluates every enabling rule and sets each command's menu items and buttons. Runs
    // when the document or the window's state changes and before any menu opens.
    void UpdateCommandUI();

    // "Download Data...": the download dialog, which the window keeps from its first use on,
    // so that the real-time run its link carries outlives the dialog.
    void OnDownload();
    // "Datalogger Setup...": the setup dialog, kept from its first use on.
    void OnSetup();
    // "Cal Adjust...": a calibration dialog of its own for each use.
    void OnCalAdjust();

    // Runs `action` once, just after the window's first paint: a question asked at start then
    // stands over the painted window instead of alone at a corner of the screen.
    void RunAfterFirstPaint(std::function<void()> action);

    // At start: a real-time run the program did not end (killed, power cut) left its readings
    // in a journal; the user may make them the current measurement or let them go.
    void OfferUnfinishedRun();

    // Shows a file that Open or Previous Measurement has just read whole, unzoomed.
    const QTimer& ZoomResetTimer() const { return m_fileCommands->ZoomResetTimer(); }
    // Opens the data list shortly after "Import data to list".
    const QTimer& OpenListTimer() const { return m_openListTimer; }

    bool InstrumentPaneShown = true;
    bool InfoPanelShown = true;

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CMainFrame(CDTDoc& doc, bool simulateLogger, const CProfile& settingsFile);
    void BuildClient(const CViewSettings& viewSettings);
    void ConnectCommands();
    CCommandState CommandState() const;
    void RunCloseSequence();
    void RunStoringSettings(const std::function<void()>& dialog);
    void OnNextPane();
    void OnToggleInstrumentPane();
    void ShowInstrumentPane(bool shown);
    void OnToggleInfoPanel();
    void OnImportList();
    void OnHelpTopics();
    void OnStopRunning();
    void OnLoggerStoppedAnswering(int readings);
    void OnAbout();
    // The print commands: the graph report (DisplayState 1) or the list report (2), printed
    // or previewed; Ctrl+P prints the report chosen last.
    void OnPrintReport(GraphDisplay report, bool preview);
    // The printer with the user's page setup, made at the first print command: finding the
    // system's printers takes a noticeable part of a start, and most starts print nothing.
    CReportPrinter& ReportPrinter();
    // The one bridge of the program, made on first use; nullptr (the user has been told why)
    // when the environment names one that cannot be made.
    CBridge* LoggerBridge();

    CDTDoc& m_doc;
    CFrameSettings m_settings;
    CMessageBoxPrompt m_messageBoxes{this};
    CFileDialogs m_fileDialogs{this};
    CPrompt* m_prompt = &m_messageBoxes;
    CFileChooser* m_fileChooser = &m_fileDialogs;
    CQtPrintDialogs m_qtPrintDialogs{this};
    CPrintDialogs* m_printDialogs = &m_qtPrintDialogs;
    CCommandTable m_commands;
    QSplitter* m_splitter = nullptr;
    QLabel* m_firstStepHint = nullptr;
    CInstrumentView* m_instrumentView = nullptr;
    CDTView* m_graphView = nullptr;
    bool m_simulateLogger;
    std::unique_ptr<CBridge> m_bridge;
    std::unique_ptr<CDownloadDlg> m_downloadDlg;
    std::unique_ptr<CSetupDlg> m_setupDlg;
    std::unique_ptr<CHelpWindow> m_helpWindow;  // made at the first Help topics
    std::unique_ptr<CStatisticsWindowCommand> m_statistics;
    std::unique_ptr<CLiveLevelWindowCommand> m_liveLevel;
    std::unique_ptr<CReportPrinter> m_reportPrinter;
    std::unique_ptr<CFileCommands> m_fileCommands;
    std::vector<std::unique_ptr<CArchiveWindow>> m_archiveWindows;
    QTimer m_closeTimer;     // ends the program once the close sequence has run
    QTimer m_openListTimer;  // opens the data list once the command has returned
    bool m_closeConfirmed = false;
    std::function<void()> m_afterFirstPaint;
};
