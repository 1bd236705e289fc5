#include "app/CMainFrame.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSplitter>
#include <QStatusBar>

#include <stdexcept>

#include "app/CAboutDlg.h"
#include "app/CInstrumentView.h"
#include "app/CWaitCursor.h"
#include "app/FrameMenus.h"
#include "app/ProgramResources.h"
#include "dialogs/logger/CDownloadDlg.h"
#include "dialogs/logger/CSetupDlg.h"
#include "document/CDTDoc.h"
#include "document/CSaveCommand.h"
#include "graph/CDTView.h"
#include "logger/CRunJournal.h"
#include "logger/sim/MakeBridge.h"
#include "platform/LocalTime.h"

namespace {

const QColor BACKGROUND(155, 155, 155);
constexpr int INSTRUMENT_PANE_WIDTH = 130;
constexpr int GRAPH_PANE_WIDTH = 200;
constexpr int MINIMUM_PANE_WIDTH = 10;
constexpr int CLOSE_DELAY_MS = 10;

}  // namespace

CMainFrame::CMainFrame(CDTDoc& doc, bool simulateLogger)
    : CMainFrame(doc, simulateLogger, ReadSettingsFile()) {}

// The settings file is read once: the frame takes its keys, then the graph view its own.
CMainFrame::CMainFrame(CDTDoc& doc, bool simulateLogger, const CProfile& settingsFile)
    : m_doc(doc), m_settings(ReadFrameSettings(settingsFile)), m_simulateLogger(simulateLogger) {
    setWindowTitle(QStringLiteral("Tesmer Brantel"));
    setWindowIcon(ProgramIcon());
    BuildClient(ReadViewSettings(settingsFile));
    BuildMainMenu(*menuBar(), m_commands);
    BuildMainToolBar(*this, m_commands);
    statusBar()->setSizeGripEnabled(true);

    m_doc.SetupSinceSave = true;
    m_doc.DownloadSinceSave = false;
    m_doc.RealTimeActive = false;

    m_closeTimer.setSingleShot(true);
    m_closeTimer.setInterval(CLOSE_DELAY_MS);
    connect(&m_closeTimer, &QTimer::timeout, this, [this] {
        m_closeConfirmed = true;
        close();
    });

    ConnectCommands();
    m_doc.AddView([this](DocumentChange) { UpdateCommandUI(); });
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::UseDialogs(CPrompt& prompt, CSaveFileChooser& saveChooser) {
    m_prompt = &prompt;
    m_saveChooser = &saveChooser;
}

void CMainFrame::BuildClient(const CViewSettings& viewSettings) {
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_instrumentView = new CInstrumentView(*BuildInstrumentMenu(*this, m_commands), m_splitter);
    m_splitter->addWidget(m_instrumentView);
    m_graphView = new CDTView(m_doc, *this, viewSettings, m_splitter);
    m_splitter->addWidget(m_graphView);
    for (int column = 0; column < 2; ++column) {
        m_splitter->widget(column)->setMinimumWidth(MINIMUM_PANE_WIDTH);
    }
    // The instrument pane keeps its width; the graph pane takes whatever the window adds.
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({INSTRUMENT_PANE_WIDTH, GRAPH_PANE_WIDTH});
    setCentralWidget(m_splitter);
}

CGraphColorIndexes CMainFrame::ColorIndexes() const {
    return {m_settings.BackgroundColor, m_settings.CurveColor, m_settings.GridColor};
}

void CMainFrame::ExpandGraph(bool expanded) {
    const bool paneShown = !expanded && InstrumentPaneShown;
    m_instrumentView->setVisible(paneShown);
    if (paneShown) {
        m_splitter->setSizes({INSTRUMENT_PANE_WIDTH, m_splitter->width() - INSTRUMENT_PANE_WIDTH});
    }
}

void CMainFrame::ConnectCommands() {
    m_commands.SetHandler(CommandId::SAVE, [this] { OnSave(); });
    m_commands.SetHandler(CommandId::DOWNLOAD, [this] { OnDownload(); });
    m_commands.SetHandler(CommandId::SETUP, [this] { OnSetup(); });
    m_commands.SetHandler(CommandId::STOP_RUNNING, [this] { OnStopRunning(); });
    m_commands.SetHandler(CommandId::EXIT, [this] { close(); });
    m_commands.SetHandler(CommandId::ABOUT, [this] { OnAbout(); });
    m_commands.SetHandler(CommandId::WINDOW_LEVEL, [this] {
        m_graphView->ShowLevelWindow(m_graphView->LevelWindow() == nullptr);
    });
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
    return state;
}

void CMainFrame::UpdateCommandUI() {
    m_commands.Update(CommandState());
}

void CMainFrame::InitialUpdate() {
    m_instrumentView->OnInitialUpdate();
    UpdateCommandUI();
}

void CMainFrame::OnSave() {
    const auto name = m_saveChooser->ChooseSaveName(DefaultSaveName(CurrentTime()));
    if (!name) {
        return;
    }
    const CWaitCursor wait;
    RunSaveCommand(m_doc, *name, *m_prompt);
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
            m_doc, *bridge, *m_prompt, m_settings, *m_graphView, [this] { OnSave(); }, this);
        connect(m_downloadDlg.get(), &CDownloadDlg::LoggerStoppedAnswering, this,
                &CMainFrame::OnLoggerStoppedAnswering);
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
    m_setupDlg->DoModal();
}

void CMainFrame::OnStopRunning() {
    // The run's poll sees the flag at its next reading and ends there; the series so far is
    // kept as the last measurement at once. A run without a reading yet has nothing to keep.
    m_doc.RealTimeActive = false;
    if (m_doc.Record().SampleCount > 0) {
        static_cast<void>(m_doc.SaveLastMeasurement());  // as silent as the run's own saves
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
    auto record = FindUnfinishedRun();
    if (!record) {
        return;
    }
    const std::string question = "An unfinished real-time run was found. Recover its " +
                                 std::to_string(record->SampleCount) + " readings?";
    if (!m_prompt->AskYesNo(question, PromptIcon::Question)) {
        DiscardUnfinishedRun();
    } else if (!AdoptUnfinishedRun(m_doc, std::move(*record))) {
        m_prompt->Message(
            "The recovered readings could not be written to PreMeasure.sound; "
            "they will be offered again at the next start.",
            PromptIcon::Warning);
    }
}

void CMainFrame::OnAbout() {
    CAboutDlg about(this);
    about.exec();
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
            OnSave();
        }
        m_doc.DownloadSinceSave = false;
        m_doc.SetupSinceSave = false;
    }
}

void CMainFrame::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(centralWidget()->geometry(), BACKGROUND);
}
