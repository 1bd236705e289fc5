// File > Open Archive...: the archive's picture against its readings, gaps left empty, a
// dragged range's figures, following a monitor that writes, and media that cannot be written.

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/CArchiveWindow.h"
#include "export/StatisticsFields.h"
#include "export/WorkbookCheck.h"
#include "graph/CArchiveGraph.h"
#include "graph/CArchiveOverview.h"
#include "platform/LocalTime.h"
#include "platform/RecentFiles.h"
#include "platform/CSettings.h"
#include "station/CStationArchive.h"
#include "tests/FileText.h"
#include "tests/PdfTools.h"
#include "tests/ReadOnlyFolder.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"

namespace {

// 2024-06-03 10:00:00 in the tests' time zone.
constexpr std::int64_t START_MS = 1717401600000;
constexpr int FIRST_RUN = 6000;   // readings, one a second
constexpr int GAP_S = 1200;
constexpr int SECOND_RUN = 4000;
constexpr std::int64_t SECOND_START_MS = START_MS + (FIRST_RUN + GAP_S) * 1000LL;

// Levels from 40 to 80 dB in a fixed order, one in 97 without a level.
float LevelOf(std::int64_t number) {
    return number % 97 == 0 ? std::nanf("") : 40.0f + static_cast<float>(number * 37 % 400) / 10.0f;
}

// An archive made by the station's own writer: two runs with a gap between them, the second
// left open for more readings.
class CTestArchive {
public:
    explicit CTestArchive(const std::filesystem::path& file) : File(file) {
        std::string refusal;
        bool busy = false;
        m_writer = CStationArchive::Open(file, m_messages, refusal, busy);
        EXPECT_TRUE(m_writer) << refusal;
        Run(START_MS, FIRST_RUN);
        m_writer->RunEnded(START_MS + FIRST_RUN * 1000LL);
        Run(SECOND_START_MS, SECOND_RUN);
    }
    ~CTestArchive() { Close(); }

    void Append(int readings) {
        for (int i = 0; i < readings; ++i, ++m_number) {
            m_writer->Reading({m_number, m_nextMs, LevelOf(m_number)});
            m_nextMs += 1000;
        }
        Stored();
    }
    // Waits up to a minute until every reading told is in the file.
    void Stored() {
        ASSERT_TRUE(WaitFor([&] {
            m_writer->Idle();
            return m_writer->PendingReadings() == 0;
        }, 60000)) << m_messages.str();
    }
    void Close() {
        if (m_writer) {
            m_writer->RunEnded(m_nextMs);
            EXPECT_EQ(m_writer->Close(), 0);
            m_writer.reset();
        }
    }
    std::int64_t LastMs() const { return m_nextMs - 1000; }

    std::filesystem::path File;

private:
    void Run(std::int64_t startMs, int readings) {
        m_writer->RunStarted({"logger", 1.0f, true, true, startMs});
        m_nextMs = startMs;
        Append(readings);
    }

    std::ostringstream m_messages;
    std::unique_ptr<CStationArchive> m_writer;
    std::int64_t m_number = 1;
    std::int64_t m_nextMs = 0;
};

std::unique_ptr<CArchiveDatabase> Reader(const std::filesystem::path& file) {
    std::string refusal;
    auto db = CArchiveDatabase::Open(file, CArchiveDatabase::Access::Read, refusal);
    EXPECT_TRUE(db) << refusal;
    return db;
}

// The rows of the picture's column `x` drawn in one of `colors`, top and bottom.
std::optional<std::pair<int, int>> Drawn(const QImage& picture, const QRect& plot, int x,
                                         std::initializer_list<QColor> colors) {
    std::optional<std::pair<int, int>> rows;
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
        const QColor pixel = picture.pixelColor(x, y);
        if (std::find(colors.begin(), colors.end(), pixel) != colors.end()) {
            rows = rows ? std::pair(rows->first, y) : std::pair(y, y);
        }
    }
    return rows;
}

// The figures shown are those expected, field by field as the Statistics window shows them.
void ExpectShownAs(const CAcousticStatistics& shown, const CAcousticStatistics& expected) {
    const auto fields = StatisticsFields(shown);
    const auto wanted = StatisticsFields(expected);
    ASSERT_EQ(fields.size(), wanted.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i].Label + ": " + fields[i].Text, wanted[i].Label + ": " + wanted[i].Text);
    }
}

class ArchiveWindow : public CMainFrameTest<> {
protected:
    CArchiveWindow* Opened(const std::filesystem::path& file) {
        m_files.ArchiveAnswer = file;
        Run(QStringLiteral("Open &Archive..."));
        return m_frame->ArchiveWindows().empty() ? nullptr
                                                 : m_frame->ArchiveWindows().back().get();
    }

    CTempDir m_folder;
};

TEST_F(ArchiveWindow, picture_holdsEachColumnsLowestToHighestLevelAndLeavesGapsEmpty) {
    CTestArchive archive(m_folder / "archive.sqlite");
    archive.Close();
    const auto db = Reader(archive.File);
    ASSERT_TRUE(db);
    const std::int64_t firstEndMs = START_MS + (FIRST_RUN - 1) * 1000LL;
    const CArchiveRange span = *ArchiveSpan(*db);
    const struct {
        const char* Name;
        CArchiveRange View;
        int Width;
        bool Readings;  // the readings themselves rather than columns
        bool Minutes;   // columns of a minute or more, from the minute rollups
    } cases[] = {
        {"the whole archive", span, 900, false, false},
        {"the whole archive by minutes", span, 200, false, true},
        {"readings either side of the gap",
         {firstEndMs - 100000, SECOND_START_MS + 100000},
         900,
         true,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        CArchiveSceneInputs inputs;
        inputs.View = c.View;
        inputs.LowDb = 30.0;
        inputs.HighDb = 90.0;
        CArchiveGraph graph(*db, inputs);
        graph.resize(c.Width, 400);
        const QImage& picture = graph.Picture();
        ASSERT_TRUE(graph.Scene()) << graph.Error();
        const CArchiveAxes& axes = graph.Scene()->Axes;
        ASSERT_EQ(graph.Scene()->Readings, c.Readings);
        ASSERT_EQ(c.View.ToMs - c.View.FromMs >= MINUTE_MS * axes.Plot.width(), c.Minutes);
        // The lowest and highest level of each column, from the readings: by their time, or
        // by the start of their minute where the columns are minutes.
        std::map<int, std::pair<float, float>> columns;
        for (const CArchivedReading& reading : ArchivedReadings(*db, c.View)) {
            const std::int64_t ms =
                c.Minutes ? std::max(MinuteStartOf(reading.TimeMs), c.View.FromMs) : reading.TimeMs;
            if (std::isfinite(reading.LevelDb)) {
                auto [at, added] =
                    columns.try_emplace(axes.Column(ms), reading.LevelDb, reading.LevelDb);
                at->second = {std::min(at->second.first, reading.LevelDb),
                              std::max(at->second.second, reading.LevelDb)};
            }
        }
        const int lastOfFirst = axes.X(firstEndMs);
        const int firstOfSecond = axes.X(SECOND_START_MS);
        ASSERT_GT(firstOfSecond - lastOfFirst, 5);  // a gap wide enough to see
        if (c.Readings) {
            // Beside the gap the readout tells the reading nearest the pointer: the run's last.
            EXPECT_EQ(graph.ReadoutAt(lastOfFirst + 1, axes.Plot.center().y()).toStdString(),
                      FormatLocalTimeMs(firstEndMs, "%d/%m/%y %H:%M:%S", false) + "  " +
                          QString::number(LevelOf(FIRST_RUN), 'f', 1).toStdString() + " dB");
        }
        for (int x = axes.Plot.left(); x <= axes.Plot.right(); ++x) {
            const auto column = columns.find(x - axes.Plot.left());
            if (c.Readings) {
                // The last reading before the gap and the first after it are drawn, nothing
                // between them.
                if (x >= lastOfFirst && x <= firstOfSecond) {
                    const auto drawn = Drawn(picture, axes.Plot, x, {ArchiveColors::READING});
                    EXPECT_EQ(drawn.has_value(), x == lastOfFirst || x == firstOfSecond) << x;
                }
                continue;
            }
            const auto drawn =
                Drawn(picture, axes.Plot, x, {ArchiveColors::ENVELOPE, ArchiveColors::AVERAGE});
            ASSERT_EQ(drawn.has_value(), column != columns.end()) << x;
            if (drawn) {
                EXPECT_EQ(drawn->first, axes.Y(column->second.second)) << x;
                EXPECT_EQ(drawn->second, axes.Y(column->second.first)) << x;
            }
        }
    }
}

// The keys zoom around the middle of the view and Ctrl+0 shows everything again.
TEST_F(ArchiveWindow, zoomKeys_narrowAndWidenTheViewAroundItsMiddle) {
    CTestArchive archive(m_folder / "archive.sqlite");
    archive.Close();
    CArchiveWindow* window = Opened(archive.File);
    ASSERT_TRUE(window);
    CArchiveGraph& graph = window->Graph();
    const CArchiveRange whole = graph.View();
    const auto width = [](const CArchiveRange& r) { return r.ToMs - r.FromMs; };
    QTest::keyClick(&graph, Qt::Key_Plus);
    const CArchiveRange zoomed = graph.View();
    EXPECT_LT(width(zoomed), width(whole));
    EXPECT_GT(zoomed.FromMs, whole.FromMs);
    EXPECT_LT(zoomed.ToMs, whole.ToMs);
    QTest::keyClick(&graph, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(graph.View().FromMs, whole.FromMs);
    EXPECT_EQ(graph.View().ToMs, whole.ToMs);
}

TEST_F(ArchiveWindow, dragAcrossTheGraph_givesTheFiguresOfTheDraggedColumnsReadings) {
    CTestArchive archive(m_folder / "archive.sqlite");
    archive.Close();
    CArchiveWindow* window = Opened(archive.File);
    ASSERT_TRUE(window) << (m_prompt.Log.empty() ? "" : m_prompt.Log.back().Text);
    CArchiveGraph& graph = window->Graph();
    graph.Picture();
    ASSERT_TRUE(graph.Scene());
    const CArchiveAxes axes = graph.Scene()->Axes;
    // From the middle of the first run into the second.
    const int from = axes.X(START_MS + FIRST_RUN * 500LL);
    const int to = axes.X(SECOND_START_MS + SECOND_RUN * 500LL);
    QTest::mousePress(&graph, Qt::LeftButton, {}, QPoint(from, axes.Plot.center().y()));
    QTest::mouseMove(&graph, QPoint(to, axes.Plot.center().y()));
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, QPoint(to, axes.Plot.center().y()));
    ASSERT_TRUE(window->Figures());

    // The readings of the dragged columns, and what archive stats gives for their span.
    const auto db = Reader(archive.File);
    std::int64_t first = INT64_MAX;
    std::int64_t last = INT64_MIN;
    std::int64_t count = 0;
    for (const CArchivedReading& reading : ArchivedReadings(*db, {})) {
        const int x = axes.X(reading.TimeMs);
        if (x >= from && x <= to) {
            first = std::min(first, reading.TimeMs);
            last = std::max(last, reading.TimeMs);
            ++count;
        }
    }
    CRangeProblem problem;
    const auto expected = ArchiveFigures(*db, {first, last + 1}, {"130", "30"}, problem);
    ASSERT_TRUE(expected) << problem.Text;
    EXPECT_EQ(window->Figures()->Statistics.Count, count);
    EXPECT_EQ(window->Figures()->Runs, 2u);
    ExpectShownAs(window->Figures()->Statistics, expected->Statistics);
}

// A range typed as From and To is read as archive stats reads --from and --to, and its figures
// are that range's; a time it cannot read or a reversed range is said instead.
TEST_F(ArchiveWindow, typedRange_givesTheFiguresOfThatRangeOrSaysWhatIsWrong) {
    CTestArchive archive(m_folder / "archive.sqlite");
    archive.Close();
    CArchiveWindow* window = Opened(archive.File);
    ASSERT_TRUE(window);
    const auto db = Reader(archive.File);
    const auto local = [](std::int64_t ms, const char* format) {
        return QString::fromStdString(FormatLocalTime(WholeSecond(ms), format));
    };
    const struct {
        const char* Name;
        QString From;
        QString To;
        const char* Said;  // empty: the figures of the range typed
    } cases[] = {
        {"minutes across both runs", local(START_MS + 1800000, "%Y-%m-%d %H:%M"),
         local(SECOND_START_MS + 600000, "%Y-%m-%dT%H:%M:%S"), ""},
        {"from the start", "", local(START_MS + 60000, "%Y-%m-%d %H:%M"), ""},
        {"unreadable", "3 June", "", "Cannot read the time \"3 June\""},
        {"reversed", local(SECOND_START_MS, "%Y-%m-%d %H:%M"), local(START_MS, "%Y-%m-%d %H:%M"),
         "From ("},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        window->FromField().setText(c.From);
        window->ToField().setText(c.To);
        QTest::keyClick(&window->ToField(), Qt::Key_Return);
        if (*c.Said != 0) {
            const QString shown = window->findChild<QPlainTextEdit*>()->toPlainText();
            EXPECT_TRUE(shown.startsWith(c.Said)) << shown.toStdString();
            continue;
        }
        CArchiveRange range = *ArchiveSpan(*db);
        if (!c.From.isEmpty()) {
            range.FromMs = *ParseArchiveTime(c.From.toStdString());
        }
        range.ToMs = *ParseArchiveTime(c.To.toStdString());
        ASSERT_TRUE(window->Chosen() && window->Figures());
        EXPECT_EQ(window->Chosen()->FromMs, range.FromMs);
        EXPECT_EQ(window->Chosen()->ToMs, range.ToMs);
        CRangeProblem problem;
        const auto expected = ArchiveFigures(*db, range, {"130", "30"}, problem);
        ASSERT_TRUE(expected) << problem.Text;
        EXPECT_EQ(window->Figures()->Runs, expected->Runs);
        ExpectShownAs(window->Figures()->Statistics, expected->Statistics);
    }
}

// A file named on the command line opens as an archive when it holds one, whatever its name, and
// joins the recent files, from which it opens as an archive again; a measurement named there
// stays a measurement.
TEST_F(ArchiveWindow, archiveNamedAtStart_opensInItsWindowAndFromTheRecentFiles) {
    CTestArchive archive(m_folder / "named like a measurement.sound");
    archive.Close();
    ASSERT_TRUE(m_frame->OpenFileAtStart(archive.File));
    ASSERT_EQ(m_frame->ArchiveWindows().size(), 1u);
    EXPECT_EQ(ReadRecentFiles(ReadSettingsFile()), std::vector{archive.File});
    // The recent files enter the File menu as it opens.
    for (QMenu* menu : m_frame->menuBar()->findChildren<QMenu*>()) {
        emit menu->aboutToShow();
    }
    QAction* recent = nullptr;
    for (QAction* action : m_frame->findChildren<QAction*>()) {
        if (action->text().contains(QString::fromStdString(archive.File.filename().string()))) {
            recent = action;
        }
    }
    ASSERT_TRUE(recent);
    recent->trigger();
    EXPECT_EQ(m_frame->ArchiveWindows().size(), 2u);
    EXPECT_EQ(m_doc.Record().SampleCount, 0);
}

// The chosen range is exported as archive export writes it: CSV of any range; a .sound file,
// a workbook and the assessment report of one run only, saying their limits otherwise.
TEST_F(ArchiveWindow, exportOfTheChosenRange_writesWhatArchiveExportWritesOrSaysTheLimit) {
    CTestArchive archive(m_folder / "archive.sqlite");
    archive.Close();
    CArchiveWindow* window = Opened(archive.File);
    ASSERT_TRUE(window);
    const auto db = Reader(archive.File);
    enum class Kind { Csv, Sound, Workbook, Report };
    const struct {
        const char* Name;
        CArchiveRange Range;
        Kind Format;
        const char* Said;  // empty: the file is written
    } cases[] = {
        {"CSV across both runs", {START_MS + 1000, SECOND_START_MS + 5000}, Kind::Csv, ""},
        {".sound of one run", {START_MS + 1000, START_MS + 60000}, Kind::Sound, ""},
        {".sound across both runs", {START_MS, SECOND_START_MS + 5000}, Kind::Sound,
         "A .sound file holds the readings of one run, at most 1000000; the range holds"},
        {"workbook of one run", {SECOND_START_MS, SECOND_START_MS + 900000}, Kind::Workbook, ""},
        {"workbook across both runs", {START_MS, SECOND_START_MS + 5000}, Kind::Workbook,
         "A workbook holds the readings of one run, at most 1000000; the range holds"},
        {"report of one run", {START_MS + 60000, START_MS + 3600000}, Kind::Report, ""},
        {"report across both runs", {START_MS, SECOND_START_MS + 5000}, Kind::Report,
         "The assessment report holds the readings of one run, at most 1000000; the range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        m_prompt.Log.clear();
        const char* extension[] = {"range.csv", "range.sound", "range.xlsx", "range.pdf"};
        const auto written = m_folder / extension[static_cast<int>(c.Format)];
        std::filesystem::remove(written);
        m_files.ExportAnswer = m_files.MeasurementAnswer = written;
        window->Graph().SetView(c.Range);
        const std::function<void()> exports[] = {
            [&] { window->ExportCsv(); }, [&] { window->ExportSound(); },
            [&] { window->ExportWorkbook(); }, [&] { window->ExportAssessmentReport(); }};
        exports[static_cast<int>(c.Format)]();
        ASSERT_EQ(std::filesystem::exists(written), *c.Said == 0);
        if (*c.Said != 0) {
            ASSERT_EQ(m_prompt.Log.size(), 1u);
            EXPECT_EQ(m_prompt.Log[0].Text.rfind(c.Said, 0), 0u) << m_prompt.Log[0].Text;
        } else if (c.Format == Kind::Csv) {
            CRangeProblem problem;
            const auto expected = m_folder / "expected.csv";
            ASSERT_TRUE(WriteArchiveCsv(*db, c.Range, expected.string(), problem));
            EXPECT_EQ(ReadFileText(written), ReadFileText(expected));
        } else if (c.Format == Kind::Workbook) {
            EXPECT_TRUE(WorkbookIsWhole(written));
        } else if (c.Format == Kind::Report) {
            CRangeProblem problem;
            const auto figures = ArchiveFigures(*db, c.Range, {"130", "30"}, problem);
            ASSERT_TRUE(figures && figures->Statistics.LeqDb) << problem.Text;
            char leq[32];
            std::snprintf(leq, sizeof leq, "%.1f dB", *figures->Statistics.LeqDb);
            EXPECT_NE(PdfPageText(written, 1).find(leq), std::string::npos) << leq;
        }
    }
}

// Each day of the strip holds its readings' figures (from the minute rollups), and a click on
// it shows that day.
TEST_F(ArchiveWindow, dayStrip_givesEachDaysLevelsAndAClickShowsTheDay) {
    CTestArchive archive(m_folder / "archive.sqlite");
    archive.Close();
    CArchiveWindow* window = Opened(archive.File);
    ASSERT_TRUE(window);
    const auto db = Reader(archive.File);
    const auto& days = window->Overview().Days();
    ASSERT_EQ(days.size(), 1u);
    CRangeProblem problem;
    const auto figures = ArchiveFigures(*db, CArchiveRange{days[0].StartMs, days[0].EndMs}, {"130", "30"}, problem);
    ASSERT_TRUE(figures && figures->Statistics.LeqDb) << problem.Text;
    EXPECT_EQ(days[0].Levels.Readings, FIRST_RUN + SECOND_RUN);
    EXPECT_EQ(days[0].Levels.Levels, figures->Statistics.ReadingsWithLevel);
    EXPECT_NEAR(*days[0].Levels.Leq(), *figures->Statistics.LeqDb, 1e-6);
    EXPECT_FLOAT_EQ(days[0].Levels.Max, static_cast<float>(*figures->Statistics.MaxDb));
    EXPECT_FLOAT_EQ(days[0].Levels.Min, static_cast<float>(*figures->Statistics.MinDb));

    window->Overview().resize(600, window->Overview().height());
    QTest::mouseClick(&window->Overview(), Qt::LeftButton, {}, QPoint(300, 10));
    EXPECT_EQ(window->Graph().View().FromMs, days[0].StartMs);
    EXPECT_EQ(window->Graph().View().ToMs, days[0].EndMs);
}

// With Follow on, a view at the archive's end moves on with what a monitor writes; off, it
// stays where it is.
TEST_F(ArchiveWindow, follow_showsNewReadingsAtTheEndOnlyWhileOn) {
    for (const bool follow : {true, false}) {
        SCOPED_TRACE(follow ? "on" : "off");
        CTestArchive archive(m_folder / (follow ? "on.sqlite" : "off.sqlite"));
        CArchiveWindow* window = Opened(archive.File);
        ASSERT_TRUE(window);
        window->FollowAction().setChecked(follow);
        const CArchiveRange before = window->Graph().View();
        archive.Append(60);
        if (follow) {
            EXPECT_TRUE(WaitFor([&] { return window->Graph().View().ToMs > archive.LastMs(); },
                                60000));
            EXPECT_EQ(window->Graph().View().ToMs - window->Graph().View().FromMs,
                      before.ToMs - before.FromMs);
        } else {
            window->LookForNewReadings();
            EXPECT_EQ(window->Graph().View().ToMs, before.ToMs);
        }
    }
}

TEST_F(ArchiveWindow, onReadOnlyMedia_opensAndDrawsTheArchive) {
    CReadOnlyFolder media;
    CTestArchive(media.Source() / "archive.sqlite").Close();
    if (!media.Mount()) {
        GTEST_SKIP() << "no read-only bind mount here (needs root)";
    }
    CArchiveWindow* window = Opened(media.View() / "archive.sqlite");
    ASSERT_TRUE(window) << (m_prompt.Log.empty() ? "" : m_prompt.Log.back().Text);
    const QImage& picture = window->Graph().Picture();
    ASSERT_TRUE(window->Graph().Scene());
    const QRect plot = window->Graph().Scene()->Axes.Plot;
    EXPECT_TRUE(Drawn(picture, plot, plot.left(), {ArchiveColors::ENVELOPE}));
}

// An archive is known by its content, whatever its name.
TEST(ArchiveFile, isToldApartByItsHeaderAndApplicationId) {
    CTempDir folder;
    CTestArchive(folder / "named.sound").Close();
    std::ofstream(folder / "measurement.sqlite") << "not a database at all";
    std::filesystem::copy_file(folder / "named.sound", folder / "other.db");
    {
        std::fstream other(folder / "other.db", std::ios::in | std::ios::out | std::ios::binary);
        other.seekp(68);
        other.write("\0\0\0\0", 4);  // another program's database
    }
    const std::pair<const char*, bool> cases[] = {
        {"named.sound", true}, {"measurement.sqlite", false}, {"other.db", false}, {"none", false}};
    for (const auto& [name, archive] : cases) {
        EXPECT_EQ(IsArchiveFile(folder / name), archive) << name;
    }
}

}  // namespace
