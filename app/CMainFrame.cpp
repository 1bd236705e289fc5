#include "app/CMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "app/CAboutDlg.h"
#include "app/CHelpFile.h"
#include "app/CHelpWindow.h"
#include "app/CInstrumentView.h"
#include "app/CRecentFilesMenu.h"
#include "platform/RecentFiles.h"
#include "app/ExportCommands.h"
#include "app/FrameMenus.h"
#include "app/OpenDocumentFile.h"
#include "app/ProgramResources.h"
#include "dialogs/display/CInfoDlg.h"
#include "dialogs/logger/CCalAdjustDlg.h"
#include "dialogs/logger/CDownloadDlg.h"
#include "dialogs/logger/CSetupDlg.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "graph/CReportPrinter.h"
#include "logger/CRunJournal.h"
#include "logger/PollGrid.h"
#include "logger/sim/MakeBridge.h"

namespace {

const QColor BACKGROUND(155, 155, 155);
constexpr int INSTRUMENT_PANE_WIDTH = 130;
constexpr int GRAPH_PANE_WIDTH = 200;
constexpr int MINIMUM_PANE_WIDTH = 10;
constexpr int CLOSE_DELAY_MS = 10;
constexpr int OPEN_LIST_DELAY_MS = 10;
constexpr int SHOWN_PANEL_HEIGHT = 115;  // the info panel once Window > Info Dialog showed it

}  // namespace

CMainFrame::CMainFrame(CDTDoc& doc, bool simulateLogger)
    : CMainFrame(doc, simulateLogger, ReadSettingsFile()) {}

// The settings file is read once: the frame takes its keys, then the graph view its own.
CMainFrame::CMainFrame(CDTDoc& doc, bool simulateLogger, const CProfile& settingsFile)
    : m_doc(doc), m_settings(ReadFrameSettings(settingsFile)), m_simulateLogger(simulateLogger) {
    setWindowTitle(QStringLiteral("Tesmer Brantel"));
    setWindowIcon(ProgramIcon());
    BuildClient(ReadViewSettings(settingsFile));
    m_fileCommands = std::make_unique<CFileCommands>(m_doc, *m_graphView, *m_prompt, *m_fileChooser,
                                                     [this] { InitialUpdate(); });
    m_statistics = std::make_unique<CStatisticsWindowCommand>(m_doc, *m_graphView, *this);
    m_liveLevel = std::make_unique<CLiveLevelWindowCommand>(m_doc, *this);
    BuildMainMenu(*menuBar(), m_commands);
    // The recent files stand above Exit and open while Open may.
    QAction* exit = m_commands.Actions(CommandId::EXIT).front();
    new CRecentFilesMenu(
        *qobject_cast<QMenu*>(exit->parent()), *exit,
        [this](const std::filesystem::path& file) {
            if (IsArchiveFile(file)) {
                OpenArchive(file);
            } else {
                m_fileCommands->OpenRecent(file);
            }
        },
        [this] { return EvaluateCommand(CommandId::OPEN, CommandState()).Enabled; });
    BuildMainToolBar(*this, m_commands);
    BuildAccelerators(*this, m_commands);
    statusBar()->setSizeGripEnabled(true);
    // Until the first measurement is shown the status bar says where to begin.
    m_firstStepHint = new QLabel(tr("To begin, choose Instrument > Download Data... to read the "
                                    "logger, or File > Open... to open a saved measurement."),
                                 statusBar());
    statusBar()->addWidget(m_firstStepHint);

    m_doc.SetupSinceSave = true;
    m_doc.DownloadSinceSave = false;
    m_doc.RealTimeActive = false;

    m_closeTimer.setSingleShot(true);
    m_closeTimer.setInterval(CLOSE_DELAY_MS);
    connect(&m_closeTimer, &QTimer::timeout, this, [this] {
        m_closeConfirmed = true;
        close();
    });
    m_openListTimer.setSingleShot(true);
    m_openListTimer.setInterval(OPEN_LIST_DELAY_MS);
    connect(&m_openListTimer, &QTimer::timeout, this, [this] {
        m_graphView->DataList().Open();
        m_graphView->State().ListShown = true;
        UpdateCommandUI();
    });

    m_doc.KeptInHistory = [this](const std::filesystem::path& kept) {
        statusBar()->showMessage(
            tr("The measurement %1 held before is kept in %2")
                .arg(QString::fromLatin1(LAST_MEASUREMENT_FILE), QFile::decodeName(kept.c_str())));
    };
    ConnectCommands();
    m_doc.AddView([this](DocumentChange) { UpdateCommandUI(); });
    connect(m_graphView, &CDTView::ListReportWithdrawn, this, &CMainFrame::UpdateCommandUI);
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    m_doc.KeptInHistory = nullptr;
}

void CMainFrame::UseDialogs(CPrompt& prompt, CFileChooser& fileChooser) {
    m_prompt = &prompt;
    m_fileChooser = &fileChooser;
    m_fileCommands->UseDialogs(prompt, fileChooser);
}

void CMainFrame::BuildClient(const CViewSettings& viewSettings) {
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_instrumentView = new CInstrumentView(*BuildInstrumentMenu(*this, m_commands), m_splitter);
    m_splitter->addWidget(m_instrumentView);
    m_graphView = new CDTView(m_doc, *this, viewSettings, m_splitter);
    m_splitter->addWidget(m_graphView);
    // The graph pane keeps the least size its content needs (CDTView::minimumSizeHint), which
    // makes the window's own least size.
    m_instrumentView->setMinimumWidth(MINIMUM_PANE_WIDTH);
    // The window's least width holds the instrument pane at its usual width beside it.
    setMinimumWidth(INSTRUMENT_PANE_WIDTH + m_splitter->handleWidth() +
                    m_graphView->minimumSizeHint().width());
    // The instrument pane keeps its width; the graph pane takes whatever the window adds.
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({INSTRUMENT_PANE_WIDTH, GRAPH_PANE_WIDTH});
    setCentralWidget(m_splitter);
}

CGraphColorIndexes CMainFrame::ColorIndexes() const {
    return {m_settings.BackgroundColor, m_settings.CurveColor, m_settings.GridColor};
}

void CMainFrame::SetColorIndexes(const CGraphColorIndexes& indexes) {
    m_settings.BackgroundColor = indexes.Background;
    m_settings.CurveColor = indexes.Curve;
    m_settings.GridColor = indexes.Grid;
}

void CMainFrame::StoreSettings() {
    // Nothing the user sees depends on it now; the close writes the settings once more.
    static_cast<void>(WriteSettingsFile(m_settings, m_graphView->Settings()));
}

// Runs a logger dialog; what its OK (or a failed setup, which keeps the values) changed is
// stored at once.
void CMainFrame::RunStoringSettings(const std::function<void()>& dialog) {
    const CFrameSettings before = m_settings;
    dialog();
    if (m_settings != before) {
        StoreSettings();
    }
}

void CMainFrame::ExpandGraph(bool expanded) {
    ShowInstrumentPane(!expanded && InstrumentPaneShown);
}

void CMainFrame::ShowInstrumentPane(bool shown) {
    // The focus of a pane that goes goes to the graph: handed on along the tab order, it would
    // land in the info panel's first field and select its whole text.
    if (!shown && m_instrumentView->hasFocus()) {
        m_graphView->setFocus(Qt::OtherFocusReason);
    }
    m_instrumentView->setVisible(shown);
    if (shown) {
        m_splitter->setSizes(
            {INSTRUMENT_PANE_WIDTH,
             std::max(m_splitter->width() - INSTRUMENT_PANE_WIDTH, GRAPH_PANE_WIDTH)});
    }
}

bool CMainFrame::OpenArchive(const std::filesystem::path& file) {
    std::string refusal;
    auto window = CArchiveWindow::Open(file, *m_fileChooser, *m_prompt, refusal);
    if (!window) {
        m_prompt->Message(refusal, PromptIcon::Warning);
        return false;
    }
    static_cast<void>(AddRecentFile(file));  // a history that cannot be written is no reason to stop
    window->show();
    m_archiveWindows.push_back(std::move(window));
    return true;
}

bool CMainFrame::OpenFileAtStart(const std::filesystem::path& file) {
    return IsArchiveFile(file) ? OpenArchive(file) : OpenDocumentFileAtStart(m_doc, file, *m_prompt);
}

void CMainFrame::ConnectCommands() {
    m_commands.SetHandler(CommandId::SAVE, [this] { m_fileCommands->Save(); });
    m_commands.SetHandler(CommandId::OPEN, [this] { m_fileCommands->Open(); });
    m_commands.SetHandler(CommandId::OPEN_ARCHIVE, [this] {
        if (const auto file = m_fileChooser->ChooseArchiveName()) {
            OpenArchive(*file);
        }
    });
    m_commands.SetHandler(CommandId::DOWNLOAD, [this] { OnDownload(); });
    m_commands.SetHandler(CommandId::SETUP, [this] { OnSetup(); });
    m_commands.SetHandler(CommandId::CAL_ADJUST, [this] { OnCalAdjust(); });
    m_commands.SetHandler(CommandId::STOP_RUNNING, [this] { OnStopRunning(); });
    m_commands.SetHandler(CommandId::PREVIOUS_MEASUREMENT,
                          [this] { m_fileCommands->OpenPreviousMeasurement(); });
    m_commands.SetHandler(CommandId::WINDOW_INSTRUMENT, [this] { OnToggleInstrumentPane(); });
    m_commands.SetHandler(CommandId::WINDOW_INFO, [this] { OnToggleInfoPanel(); });
    m_commands.SetHandler(CommandId::IMPORT_LIST, [this] { OnImportList(); });
    m_commands.SetHandler(CommandId::GRAPH_UNDOZOOM, [this] { m_graphView->UndoZoom(); });
    m_commands.SetHandler(CommandId::GRAPH_ZOOM_IN,
                          [this] { m_graphView->ZoomAroundCursor(ZoomStep::In); });
    m_commands.SetHandler(CommandId::GRAPH_ZOOM_OUT,
                          [this] { m_graphView->ZoomAroundCursor(ZoomStep::Out); });
    m_commands.SetHandler(CommandId::GRAPH_AXIS_SETUP, [this] { m_graphView->OnAxisSetup(); });
    m_commands.SetHandler(CommandId::GRAPH_COLOR_SETUP, [this] { m_graphView->OnColorSetup(); });
    m_commands.SetHandler(CommandId::GRAPH_VIEW, [this] { m_graphView->OnViewSetup(); });
    m_commands.SetHandler(CommandId::EXIT, [this] { close(); });
    m_commands.SetHandler(CommandId::ABOUT, [this] { OnAbout(); });
    m_commands.SetHandler(CommandId::WINDOW_LEVEL, [this] {
        m_graphView->ShowLevelWindow(m_graphView->LevelWindow() == nullptr);
    });
    m_commands.SetHandler(CommandId::HELP_TOPICS, [this] { OnHelpTopics(); });
    for (const auto& [id, format] :
         {std::pair{CommandId::EXPORT_CSV, ExportFormat::Csv},
          std::pair{CommandId::EXPORT_WORKBOOK, ExportFormat::Workbook}}) {
        m_commands.SetHandler(
            id, [this, format] { RunExportCommand(m_doc, format, *m_fileChooser, *m_prompt); });
    }
    m_commands.SetHandler(CommandId::WINDOW_STATISTICS, [this] {
        m_statistics->Toggle();
        UpdateCommandUI();
    });
    m_commands.SetHandler(CommandId::WINDOW_LIVE_LEVEL, [this] {
        m_liveLevel->Toggle();
        UpdateCommandUI();
    });
    m_commands.SetHandler(CommandId::PRINT_GRAPH,
                          [this] { OnPrintReport(GraphDisplay::Graph, false); });
    m_commands.SetHandler(CommandId::PRINT_LIST,
                          [this] { OnPrintReport(GraphDisplay::ListReport, false); });
    m_commands.SetHandler(CommandId::PREVIEW_GRAPH,
                          [this] { OnPrintReport(GraphDisplay::Graph, true); });
    m_commands.SetHandler(CommandId::PREVIEW_LIST,
                          [this] { OnPrintReport(GraphDisplay::ListReport, true); });
    m_commands.SetHandler(CommandId::PRINT_TABLE,
                          [this] { OnPrintReport(GraphDisplay::TableReport, false); });
    m_commands.SetHandler(CommandId::PREVIEW_TABLE,
                          [this] { OnPrintReport(GraphDisplay::TableReport, true); });
    m_commands.SetHandler(CommandId::EXPORT_ASSESSMENT, [this] {
        if (const auto file = RunAssessmentReportCommand(m_doc, *m_fileChooser, *m_prompt)) {
            statusBar()->showMessage(
                tr("Assessment report written to %1").arg(QFile::decodeName(file->c_str())));
        }
    });
    m_commands.SetHandler(CommandId::PRINT,
                          [this] { ReportPrinter().Print(*m_printDialogs, *m_prompt); });
    m_commands.SetHandler(CommandId::PRINT_SETUP,
                          [this] { ReportPrinter().PageSetup(*m_printDialogs); });
    m_commands.SetHandler(CommandId::FILE_NEW, [this] { m_fileCommands->NewDocument(); });
    m_commands.SetHandler(CommandId::FILE_OPEN, [this] { m_fileCommands->OpenDocument(); });
    m_commands.SetHandler(CommandId::FILE_SAVE, [this] { m_fileCommands->SaveDocument(); });
    // With two panes the next one is also the previous one.
    m_commands.SetHandler(CommandId::NEXT_PANE, [this] { OnNextPane(); });
    m_commands.SetHandler(CommandId::PREV_PANE, [this] { OnNextPane(); });
    for (QMenu* menu : findChildren<QMenu*>()) {
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    }
}

CCommandState CMainFrame::CommandState() const {
    CCommandState state;
    state.SampleCount = m_doc.Record().SampleCount;
    state.RealTimeActive = m_doc.RealTimeActive;
    state.InstrumentPaneShown = InstrumentPaneShown;
    state.InfoPanelShown = InfoPanelShown;
    state.DisplayState = static_cast<int>(m_graphView->State().DisplayState);
    state.ListShown = m_graphView->State().ListShown;
    state.LevelWindowShown = m_graphView->LevelWindow() != nullptr;
    state.StatisticsWindowShown = m_statistics->Window() != nullptr;
    state.LiveLevelShown = m_liveLevel->Window() != nullptr;
    return state;
}

void CMainFrame::UpdateCommandUI() {
    m_commands.Update(CommandState());
    m_firstStepHint->setVisible(m_graphView->State().DisplayState == GraphDisplay::Nothing);
}

void CMainFrame::InitialUpdate() {
    m_instrumentView->OnInitialUpdate();
    UpdateCommandUI();
}

CBridge* CMainFrame::LoggerBridge() {
    if (!m_bridge) {
        try {
            m_bridge = MakeBridge(m_simulateLogger);
        } catch (const std::invalid_argument& error) {
            m_prompt->Message(error.what(), PromptIcon::Error);
        }
    }
    return m_bridge.get();
}

void CMainFrame::OnDownload() {
    if (!m_downloadDlg) {
        CBridge* bridge = LoggerBridge();
        if (!bridge) {
            return;
        }
        m_downloadDlg = std::make_unique<CDownloadDlg>(
            m_doc, *bridge, *m_prompt, m_settings, *m_graphView, [this] { m_fileCommands->Save(); },
            this);
        connect(m_downloadDlg.get(), &CDownloadDlg::LoggerStoppedAnswering, this,
                &CMainFrame::OnLoggerStoppedAnswering);
        connect(m_downloadDlg.get(), &CDownloadDlg::RunHeldUp, this, [this](int missed) {
            statusBar()->showMessage(QString::fromStdString(HeldUpRunText(missed)));
        });
    }
    m_downloadDlg->DoModal();
}

void CMainFrame::OnSetup() {
    if (!m_setupDlg) {
        CBridge* bridge = LoggerBridge();
        if (!bridge) {
            return;
        }
        m_setupDlg = std::make_unique<CSetupDlg>(m_settings, m_doc, *bridge, *m_prompt, this);
    }
    RunStoringSettings([this] { m_setupDlg->DoModal(); });
}

void CMainFrame::OnNextPane() {
    QWidget* focus = QApplication::focusWidget();
    const bool inGraph =
        focus != nullptr && (focus == m_graphView || m_graphView->isAncestorOf(focus));
    if (inGraph && m_instrumentView->isVisible()) {
        m_instrumentView->setFocus(Qt::OtherFocusReason);
    } else {
        m_graphView->setFocus(Qt::OtherFocusReason);
    }
}

void CMainFrame::OnToggleInstrumentPane() {
    InstrumentPaneShown = !InstrumentPaneShown;
    ShowInstrumentPane(InstrumentPaneShown);
    UpdateCommandUI();
}

void CMainFrame::OnToggleInfoPanel() {
    InfoPanelShown = !InfoPanelShown;
    // Never lower than the panel's rows: at the usual 115 pixels larger fonts would clip them.
    m_graphView->SetInfoPanelHeight(
        InfoPanelShown ? std::max(SHOWN_PANEL_HEIGHT, CInfoDlg::ContentSize().height()) : 0);
    UpdateCommandUI();
}

void CMainFrame::OnImportList() {
    if (m_graphView->DataList().IsOpen()) {
        return;
    }
    m_doc.ListCountStale = true;
    m_graphView->State().ListShown = true;
    m_openListTimer.start();
    UpdateCommandUI();
}

void CMainFrame::OnCalAdjust() {
    CBridge* bridge = LoggerBridge();
    if (!bridge) {
        return;
    }
    CCalAdjustDlg dialog(m_settings, *bridge, *m_prompt, this);
    RunStoringSettings([&dialog] { dialog.DoModal(); });
}

void CMainFrame::OnStopRunning() {
    // The series so far is kept as the last measurement at once. A run without a reading yet
    // has nothing to keep.
    m_doc.RealTimeActive = false;
    if (m_doc.Record().SampleCount > 0) {
        static_cast<void>(m_doc.SaveLastMeasurement());  // as silent as the run's own saves
    }
    // The run's last reading is taken now rather than at the next tick, up to a minute away:
    // until the run has ended, its link holds the logger and the other logger commands fail.
    if (m_downloadDlg && m_downloadDlg->RunPolling()) {
        m_downloadDlg->PollRealTime();
    }
    UpdateCommandUI();
}

void CMainFrame::OnLoggerStoppedAnswering(int readings) {
    statusBar()->showMessage(
        tr("The datalogger stopped answering: the real-time run ended, its %1 readings are kept "
           "in PreMeasure.sound.")
            .arg(readings));
}

void CMainFrame::OfferUnfinishedRun() {
    std::filesystem::path keptAside;
    auto record = FindUnfinishedRun(&keptAside);
    if (!keptAside.empty()) {
        m_prompt->Message(DamagedJournalText(keptAside), PromptIcon::Warning);
    }
    if (!record) {
        return;
    }
    const std::string question = "An unfinished real-time run was found. Recover its " +
                                 std::to_string(record->SampleCount) + " readings?";
    if (!m_prompt->AskYesNo(question, PromptIcon::Question)) {
        const auto kept = DiscardUnfinishedRun();
        m_prompt->Message(DeclinedRunText(kept),
                          kept ? PromptIcon::Information : PromptIcon::Warning);
    } else if (!AdoptUnfinishedRun(m_doc, std::move(*record))) {
        m_prompt->Message(MSG_RECOVERY_NOT_WRITTEN, PromptIcon::Warning);
    }
}

CReportPrinter& CMainFrame::ReportPrinter() {
    if (!m_reportPrinter) {
        m_reportPrinter = std::make_unique<CReportPrinter>(m_doc, *m_graphView);
    }
    return *m_reportPrinter;
}

void CMainFrame::OnPrintReport(GraphDisplay report, bool preview) {
    // The choice stays: Ctrl+P prints this report again until another print command.
    m_graphView->State().DisplayState = report;
    if (preview) {
        ReportPrinter().Preview(*m_printDialogs, *m_prompt);
    } else {
        ReportPrinter().Print(*m_printDialogs, *m_prompt);
    }
    UpdateCommandUI();
}

void CMainFrame::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::OnHelpTopics() {
    if (!m_helpWindow) {
        const std::filesystem::path programDirectory =
            QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
        const auto file = FindHelpFile(programDirectory);
        if (!file) {
            m_prompt->Message(MissingHelpMessage(programDirectory), PromptIcon::Warning);
            return;
        }
        auto help = CHelpFile::Open(*file);
        if (!help) {
            m_prompt->Message(UnreadableHelpMessage(*file), PromptIcon::Warning);
            return;
        }
        m_helpWindow = std::make_unique<CHelpWindow>(std::move(help));
        const QRect screenArea = screen()->availableGeometry();
        m_helpWindow->move(screenArea.center() - m_helpWindow->rect().center());
    }
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_closeConfirmed) {
        event->accept();
        return;
    }
    // The close sequence cannot be cancelled; the window goes when the timer fires, after
    // the handler that asked for the close has returned.
    event->ignore();
    if (!m_closeTimer.isActive()) {
        RunCloseSequence();
        m_closeTimer.start();
    }
}

void CMainFrame::RunCloseSequence() {
    // Nothing more can be done about a settings file or a last measurement that cannot be
    // written while the program ends; the user's own save comes next.
    static_cast<void>(WriteSettingsFile(m_settings, m_graphView->Settings()));
    if (m_downloadDlg && m_downloadDlg->RunPolling()) {
        m_downloadDlg->EndRealTimeRun();
    } else if (m_doc.RealTimeActive && m_doc.Record().SampleCount > 0) {
        static_cast<void>(m_doc.SaveLastMeasurement());
    }
    if (m_doc.Record().SampleCount > 1 && m_doc.DownloadSinceSave && m_doc.SetupSinceSave) {
        if (m_prompt->AskYesNo("Do you want to save the data before closing?",
                               PromptIcon::Question)) {
            m_fileCommands->Save();
        }
        m_doc.DownloadSinceSave = false;
        m_doc.SetupSinceSave = false;
    }
    m_graphView->DataList().Close();
}

void CMainFrame::RunAfterFirstPaint(std::function<void()> action) {
    m_afterFirstPaint = std::move(action);
}

void CMainFrame::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(centralWidget()->geometry(), BACKGROUND);
    if (m_afterFirstPaint) {
        // After the paint has returned: a modal question inside it would hold the paint up.
        QTimer::singleShot(0, this, std::exchange(m_afterFirstPaint, {}));
    }
}
