#include "app/CArchiveWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "app/CFileChooser.h"
#include "app/ExportCommands.h"
#include "document/CDTDoc.h"
#include "document/CSaveCommand.h"
#include "export/StatisticsFields.h"
#include "graph/CArchiveGraph.h"
#include "graph/CArchiveOverview.h"
#include "platform/CPrompt.h"
#include "platform/CSettings.h"
#include "platform/LocalTime.h"

namespace {

// The level axis: whole tens around the archive's levels.
constexpr double LEVEL_STEP = 10.0;

std::optional<double> AlarmLevel(const std::string& text) {
    char* end = nullptr;
    const double level = std::strtod(text.c_str(), &end);
    return end != text.c_str() && std::isfinite(level) ? std::optional(level) : std::nullopt;
}

std::string Quoted(const std::filesystem::path& file) {
    return "\"" + file.string() + "\"";
}

std::string Day(std::int64_t ms) {
    return FormatLocalTime(WholeSecond(ms), "%Y-%m-%d");
}

// What a range field shows of a time: local, to the second, as it is typed back.
QString FieldText(std::int64_t ms) {
    return QString::fromStdString(FormatLocalTime(WholeSecond(ms), "%Y-%m-%d %H:%M:%S"));
}

}  // namespace

std::unique_ptr<CArchiveWindow> CArchiveWindow::Open(const std::filesystem::path& file,
                                                     CFileChooser& files, CPrompt& prompt,
                                                     std::string& refusal) {
    auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal);
    if (!db) {
        return nullptr;
    }
    const auto span = ArchiveSpan(*db);
    if (!span) {
        refusal = "The archive " + Quoted(file) + " holds no run yet.";
        return nullptr;
    }
    return std::unique_ptr<CArchiveWindow>(
        new CArchiveWindow(file, std::move(db), *span, files, prompt));
}

CArchiveWindow::CArchiveWindow(std::filesystem::path file, std::unique_ptr<CArchiveDatabase> db,
                               const CArchiveRange& span, CFileChooser& files, CPrompt& prompt)
    : m_file(std::move(file)), m_db(std::move(db)), m_files(files), m_prompt(prompt),
      m_span(span) {
    setWindowTitle(QStringLiteral("Archive - %1").arg(QString::fromStdString(m_file.string())));
    const CFrameSettings frame = ReadFrameSettings(ReadSettingsFile());
    m_alarms = {frame.AlarmHigh, frame.AlarmLow};

    m_overview = new CArchiveOverview;
    ReadDays();
    CArchiveSceneInputs settings;
    settings.View = span;
    settings.AlarmHigh = AlarmLevel(m_alarms.HighText);
    settings.AlarmLow = AlarmLevel(m_alarms.LowText);
    // Whole tens around every day's levels.
    double low = 200.0;
    double high = 0.0;
    for (const CArchiveDay& day : m_overview->Days()) {
        if (day.Levels.Levels > 0) {
            low = std::min<double>(low, day.Levels.Min);
            high = std::max<double>(high, day.Levels.Max);
        }
    }
    settings.LowDb = low < high ? std::floor(low / LEVEL_STEP) * LEVEL_STEP : 30.0;
    settings.HighDb = low < high ? std::ceil(high / LEVEL_STEP) * LEVEL_STEP + LEVEL_STEP : 130.0;
    m_graph = new CArchiveGraph(*m_db, settings);

    m_figuresView = new QPlainTextEdit;
    m_figuresView->setReadOnly(true);
    m_figuresView->setMinimumHeight(m_figuresView->fontMetrics().lineSpacing() * 4);
    m_figuresView->setPlaceholderText(
        QStringLiteral("Drag across the graph to choose a range: its figures show here."));
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_overview);
    // The figures below the graph, as high as the user drags them: on a low screen the graph
    // keeps most of the height.
    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(m_graph);
    split->addWidget(m_figuresView);
    split->setStretchFactor(0, 1);
    split->setChildrenCollapsible(false);
    split->setSizes({600, 130});
    layout->addWidget(split, 1);
    setCentralWidget(central);

    QToolBar* range = addToolBar(QStringLiteral("Range"));
    const QString timeHelp = QStringLiteral("ISO 8601, or YYYY-MM-DD[ HH:MM[:SS]] local time");
    for (auto [field, label, empty, help] :
         {std::tuple{&m_fromField, "From ", "archive start", "From this time on: "},
          std::tuple{&m_toField, " To ", "archive end", "Up to this time (not included): "}}) {
        range->addWidget(new QLabel(QLatin1String(label)));
        *field = new QLineEdit;
        (*field)->setPlaceholderText(QLatin1String(empty));
        (*field)->setToolTip(QLatin1String(help) + timeHelp);
        (*field)->setMaximumWidth(150);
        range->addWidget(*field);
        connect(*field, &QLineEdit::returnPressed, this, &CArchiveWindow::ChooseTyped);
    }
    connect(range->addAction(QStringLiteral("Figures")), &QAction::triggered, this,
            &CArchiveWindow::ChooseTyped);

    QToolBar* tools = addToolBar(QStringLiteral("Archive"));
    QAction* everything = tools->addAction(QStringLiteral("Everything"));
    everything->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    connect(everything, &QAction::triggered, m_graph, &CArchiveGraph::ShowEverything);
    m_follow = tools->addAction(QStringLiteral("Follow"));
    m_follow->setCheckable(true);
    m_follow->setChecked(true);
    m_follow->setToolTip(
        QStringLiteral("Show new readings as a monitor writes them while the view is at the end"));
    connect(m_follow, &QAction::toggled, this, [this](bool on) { m_graph->SetFollow(on); });
    tools->addSeparator();
    connect(tools->addAction(QStringLiteral("Export CSV...")), &QAction::triggered, this,
            &CArchiveWindow::ExportCsv);
    QAction* sound = tools->addAction(
        QStringLiteral("Export .sound (one run, at most %1 readings)...").arg(FILE_CAPACITY));
    connect(sound, &QAction::triggered, this, &CArchiveWindow::ExportSound);
    connect(tools->addAction(QStringLiteral("Export .xlsx...")), &QAction::triggered, this,
            &CArchiveWindow::ExportWorkbook);
    connect(tools->addAction(QStringLiteral("Assessment Report...")), &QAction::triggered, this,
            &CArchiveWindow::ExportAssessmentReport);
    for (QAction* limited : tools->actions().mid(tools->actions().size() - 3)) {
        limited->setToolTip(QStringLiteral("The readings of one run, at most %1").arg(FILE_CAPACITY));
    }

    m_readout = new QLabel;
    statusBar()->addWidget(m_readout, 1);
    connect(m_graph, &CArchiveGraph::Readout, m_readout, &QLabel::setText);
    // What lay under the pointer before a scroll or zoom lies there no more.
    connect(m_graph, &CArchiveGraph::ViewChanged, m_readout, &QLabel::clear);
    connect(m_graph, &CArchiveGraph::RangeChosen, this, &CArchiveWindow::Choose);
    connect(m_overview, &CArchiveOverview::DayChosen, m_graph, &CArchiveGraph::SetView);
    connect(&m_followTimer, &QTimer::timeout, this, &CArchiveWindow::LookForNewReadings);
    m_followTimer.start(FOLLOW_PERIOD_MS);
    resize(1200, 760);
}

CArchiveWindow::~CArchiveWindow() = default;

void CArchiveWindow::ReadDays() {
    std::string error;
    auto days = ArchiveDays(*m_db, {}, error);
    if (days) {
        m_overview->SetDays(std::move(*days), ArchivedRuns(*m_db, {}));
    }
}

void CArchiveWindow::LookForNewReadings() {
    const auto span = ArchiveSpan(*m_db);
    if (!span || (span->FromMs == m_span.FromMs && span->ToMs == m_span.ToMs)) {
        return;
    }
    m_span = *span;
    m_graph->ArchiveGrew(*span);
    // Only the newest day changes: the days before it are kept as they were read.
    std::vector<CArchiveDay> days = m_overview->Days();
    const std::int64_t from = days.empty() ? span->FromMs : days.back().StartMs;
    std::string error;
    if (auto latest = ArchiveDays(*m_db, {from, INT64_MAX}, error)) {
        std::erase_if(days, [&](const CArchiveDay& day) { return day.StartMs >= from; });
        days.insert(days.end(), latest->begin(), latest->end());
        m_overview->SetDays(std::move(days), ArchivedRuns(*m_db, {}));
    }
}

void CArchiveWindow::ChooseTyped() {
    CArchiveRange range = m_span;
    for (const auto& [field, bound] : {std::pair{m_fromField, &range.FromMs},
                                       std::pair{m_toField, &range.ToMs}}) {
        const std::string text = field->text().trimmed().toStdString();
        if (text.empty()) {
            continue;
        }
        const auto time = ParseArchiveTime(text);
        if (!time) {
            m_figuresView->setPlainText(
                QStringLiteral("Cannot read the time \"%1\" (ISO 8601, or YYYY-MM-DD[ HH:MM] "
                               "local time).")
                    .arg(QString::fromStdString(text)));
            return;
        }
        *bound = *time;
    }
    if (range.FromMs >= range.ToMs) {
        m_figuresView->setPlainText(QStringLiteral("From (%1) must come before To (%2).")
                                        .arg(FieldText(range.FromMs), FieldText(range.ToMs)));
        return;
    }
    Choose(range);
}

void CArchiveWindow::Choose(const CArchiveRange& range) {
    m_chosen = range;
    m_fromField->setText(FieldText(range.FromMs));
    // The end rounded up to its second, so that typing the fields back gives the same readings.
    m_toField->setText(FieldText(range.ToMs + 999));
    m_graph->SetChosen(range);
    CRangeProblem problem;
    m_figures = ArchiveFigures(*m_db, range, m_alarms, problem);
    const QString heading =
        QStringLiteral("%1 to %2\n")
            .arg(QString::fromStdString(IsoLocalTimeMs(range.FromMs, false)),
                 QString::fromStdString(IsoLocalTimeMs(range.ToMs, false)));
    m_figuresView->setPlainText(heading +
                                (m_figures ? FiguresText() : QString::fromStdString(problem.Text)));
}

QString CArchiveWindow::FiguresText() const {
    if (!m_figures) {
        return {};
    }
    std::string text = "Runs: " + std::to_string(m_figures->Runs) + '\n';
    const CAcousticStatistics& statistics = m_figures->Statistics;
    for (const CStatisticsField& field : StatisticsFields(statistics)) {
        text += field.Label + ": " + field.Text + '\n';
    }
    for (const CHourlyLeq& hour : statistics.Hourly) {
        text += HourlyLabel(statistics, hour) + ": " + HourlyText(hour) + '\n';
    }
    return QString::fromStdString(text);
}

CArchiveRange CArchiveWindow::ExportRange() const {
    return m_chosen.value_or(m_graph->View());
}

void CArchiveWindow::ExportCsv() {
    const CArchiveRange range = ExportRange();
    const auto file = m_files.ChooseExportName(ExportFormat::Csv, Day(range.FromMs));
    if (!file) {
        return;
    }
    CRangeProblem problem;
    if (!WriteArchiveCsv(*m_db, range, file->string(), problem)) {
        m_prompt.Message(problem.Text.empty() ? ExportFailedMessage(*file) : problem.Text,
                         PromptIcon::Error);
    }
}

std::optional<CMeasurementRecord> CArchiveWindow::RangeRecord(const std::string& what) {
    CRangeProblem problem;
    auto record = ArchivedMeasurement(*m_db, ExportRange(), m_alarms, problem);
    if (!record) {
        m_prompt.Message(problem.Archive ? problem.Text
                                         : what + " " + problem.Text +
                                               ". Choose a narrower range, or export to CSV.",
                         PromptIcon::Warning);
    }
    return record;
}

void CArchiveWindow::ExportSound() {
    const auto record = RangeRecord("A .sound file");
    if (!record) {
        return;
    }
    const auto file = m_files.ChooseMeasurementSaveName(Day(ExportRange().FromMs));
    if (!file) {
        return;
    }
    CDTDoc doc;
    doc.Record() = *record;
    SaveMeasurementFile(doc, *file, m_prompt);
}

void CArchiveWindow::ExportWorkbook() {
    const auto record = RangeRecord("A workbook");
    if (!record) {
        return;
    }
    const auto file = m_files.ChooseExportName(ExportFormat::Workbook, Day(ExportRange().FromMs));
    if (file && !ExportToFile(*record, ExportFormat::Workbook, *file)) {
        m_prompt.Message(ExportFailedMessage(*file), PromptIcon::Warning);
    }
}

void CArchiveWindow::ExportAssessmentReport() {
    const auto record = RangeRecord("The assessment report");
    if (!record) {
        return;
    }
    CDTDoc doc;
    doc.Record() = *record;
    RunAssessmentReportCommand(doc, m_files, m_prompt);
}
