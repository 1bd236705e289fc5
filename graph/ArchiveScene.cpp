#include "graph/ArchiveScene.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "platform/LocalTime.h"

namespace {

// The plot's margins: level labels on the left, time labels below.
constexpr int LEFT_MARGIN = 48;
constexpr int RIGHT_MARGIN = 12;
constexpr int TOP_MARGIN = 10;
constexpr int BOTTOM_MARGIN = 34;
// Time labels stand at least this far apart.
constexpr int LABEL_SPACING = 110;

constexpr std::int64_t SECOND = 1000;
constexpr std::int64_t MINUTE = 60 * SECOND;
constexpr std::int64_t HOUR = 60 * MINUTE;
constexpr std::int64_t DAY = 24 * HOUR;
constexpr std::int64_t TIME_STEPS[] = {
    SECOND,     2 * SECOND, 5 * SECOND, 10 * SECOND, 30 * SECOND, MINUTE,   2 * MINUTE,
    5 * MINUTE, 10 * MINUTE, 30 * MINUTE, HOUR,      3 * HOUR,    6 * HOUR, 12 * HOUR,
    DAY,        2 * DAY,    7 * DAY,    14 * DAY,    30 * DAY,    91 * DAY, 365 * DAY};

// A reading further than this many of its run's intervals from the one before starts a new
// stretch: a reading missing between them is a gap.
constexpr double JOIN_LIMIT = 1.5;

QString Local(std::int64_t ms, const char* format) {
    return QString::fromStdString(FormatLocalTime(WholeSecond(ms), format));
}

void LayTimeAxis(CArchiveScene& scene) {
    const CArchiveAxes& axes = scene.Axes;
    const std::int64_t span = axes.View.ToMs - axes.View.FromMs;
    const int width = std::max(axes.Plot.width(), 1);
    std::int64_t step = TIME_STEPS[std::size(TIME_STEPS) - 1];
    for (const std::int64_t candidate : TIME_STEPS) {
        if (static_cast<double>(candidate) * width / static_cast<double>(span) >= LABEL_SPACING) {
            step = candidate;
            break;
        }
    }
    // Ticks on the local clock's round times.
    const std::int64_t offset = std::int64_t{UtcOffsetSeconds(WholeSecond(axes.View.FromMs))} * 1000;
    std::int64_t tick = (axes.View.FromMs + offset) / step * step - offset;
    const bool withDate = step >= DAY;
    for (; tick < axes.View.ToMs; tick += step) {
        if (tick < axes.View.FromMs) {
            continue;
        }
        const int x = axes.X(tick);
        scene.TimeGrid.emplace_back(x, axes.Plot.top(), x, axes.Plot.bottom());
        const char* format = withDate ? "%d/%m/%y" : step >= MINUTE ? "%H:%M" : "%H:%M:%S";
        scene.TimeLabels.emplace_back(QPoint(x, axes.Plot.bottom() + 15), Local(tick, format));
        if (!withDate) {
            scene.TimeLabels.emplace_back(QPoint(x, axes.Plot.bottom() + 29),
                                          Local(tick, "%d/%m/%y"));
        }
    }
}

void LayLevelAxis(CArchiveScene& scene) {
    const CArchiveAxes& axes = scene.Axes;
    const double step = axes.HighDb - axes.LowDb > 60.0 ? 20.0 : 10.0;
    for (double level = std::ceil(axes.LowDb / step) * step; level <= axes.HighDb; level += step) {
        const int y = axes.Y(level);
        scene.LevelGrid.emplace_back(axes.Plot.left(), y, axes.Plot.right(), y);
        scene.LevelLabels.emplace_back(QPoint(6, y + 4), QString::number(level, 'f', 0));
    }
}

// The runs' intervals by id, for joining readings.
std::vector<std::pair<std::int64_t, double>> RunIntervals(const std::vector<CArchivedRun>& runs) {
    std::vector<std::pair<std::int64_t, double>> intervals;
    for (const CArchivedRun& run : runs) {
        intervals.emplace_back(run.Id, run.IntervalS);
    }
    return intervals;
}

bool LayReadings(CArchiveDatabase& db, CArchiveScene& scene, const std::vector<CArchivedRun>& runs,
                 std::string& error) {
    const CArchiveAxes& axes = scene.Axes;
    const auto intervals = RunIntervals(runs);
    std::optional<QPoint> last;
    CArchivedReading previous;
    bool lastJoined = false;
    CArchiveCursor cursor(db, axes.View);
    for (CArchivedReading reading; cursor.Next(reading);) {
        if (!std::isfinite(reading.LevelDb)) {
            if (last && !lastJoined) {
                scene.Lone.push_back(*last);
            }
            last.reset();
            continue;
        }
        scene.Shown.push_back(reading);
        const QPoint point(axes.X(reading.TimeMs), axes.Y(reading.LevelDb));
        const auto interval = std::find_if(intervals.begin(), intervals.end(),
                                           [&](const auto& run) { return run.first == reading.Run; });
        const double limitMs =
            JOIN_LIMIT * 1000.0 * (interval == intervals.end() ? 1.0 : interval->second);
        const bool joined = last && previous.Run == reading.Run &&
                            static_cast<double>(reading.TimeMs - previous.TimeMs) <= limitMs;
        if (joined) {
            scene.Segments.emplace_back(*last, point);
        } else if (last && !lastJoined) {
            scene.Lone.push_back(*last);
        }
        lastJoined = joined;
        last = point;
        previous = reading;
    }
    if (last && !lastJoined) {
        scene.Lone.push_back(*last);
    }
    error = cursor.Error();
    return error.empty();
}

}  // namespace

int CArchiveAxes::Column(std::int64_t ms) const {
    const auto span = static_cast<long double>(std::max<std::int64_t>(View.ToMs - View.FromMs, 1));
    return static_cast<int>(
        std::floor(static_cast<long double>(ms - View.FromMs) * Plot.width() / span));
}

std::int64_t CArchiveAxes::TimeAt(int x) const {
    const auto span = static_cast<long double>(View.ToMs - View.FromMs);
    return View.FromMs + static_cast<std::int64_t>(std::ceil(
                             static_cast<long double>(x - Plot.left()) * span /
                             std::max(Plot.width(), 1)));
}

int CArchiveAxes::Y(double level) const {
    const double fraction = (level - LowDb) / (HighDb - LowDb);
    return Plot.bottom() - static_cast<int>(std::lround(fraction * (Plot.height() - 1)));
}

double CArchiveAxes::LevelAt(int y) const {
    return LowDb + (HighDb - LowDb) * (Plot.bottom() - y) / std::max(Plot.height() - 1, 1);
}

std::optional<CArchiveScene> ComposeArchiveScene(CArchiveDatabase& db,
                                                 const CArchiveSceneInputs& inputs,
                                                 std::string& error) {
    CArchiveScene scene;
    CArchiveAxes& axes = scene.Axes;
    axes.Plot = QRect(LEFT_MARGIN, TOP_MARGIN,
                      std::max(inputs.Size.width() - LEFT_MARGIN - RIGHT_MARGIN, 1),
                      std::max(inputs.Size.height() - TOP_MARGIN - BOTTOM_MARGIN, 1));
    axes.View = inputs.View;
    axes.LowDb = inputs.LowDb;
    axes.HighDb = inputs.HighDb;
    LayTimeAxis(scene);
    LayLevelAxis(scene);
    for (const auto& alarm : {inputs.AlarmHigh, inputs.AlarmLow}) {
        if (alarm && *alarm >= axes.LowDb && *alarm <= axes.HighDb) {
            scene.AlarmYs.push_back(axes.Y(*alarm));
        }
    }

    // The readings themselves where the plot has a column for each.
    const auto runs = ArchivedRuns(db, axes.View);
    double held = 0.0;
    for (const CArchivedRun& run : runs) {
        const std::int64_t from = std::max(run.StartMs, axes.View.FromMs);
        const std::int64_t to = std::min(run.EndMs, axes.View.ToMs);
        held += static_cast<double>(std::max<std::int64_t>(to - from, 0)) / (run.IntervalS * 1000.0);
    }
    scene.Readings = held <= axes.Plot.width();
    if (scene.Readings) {
        if (!LayReadings(db, scene, runs, error)) {
            return std::nullopt;
        }
    } else {
        const bool byMinutes = axes.View.ToMs - axes.View.FromMs >= MINUTE_MS * axes.Plot.width();
        auto columns = byMinutes && inputs.Minutes
                           ? MinuteColumns(*inputs.Minutes, axes.View, axes.Plot.width())
                           : ArchiveColumns(db, axes.View, axes.Plot.width(), error);
        if (!columns) {
            return std::nullopt;
        }
        scene.Columns = std::move(*columns);
        for (std::size_t i = 0; i < scene.Columns.size(); ++i) {
            const CLevelSpan& column = scene.Columns[i];
            if (column.Levels == 0) {
                continue;
            }
            const int x = axes.Plot.left() + static_cast<int>(i);
            scene.Envelope.emplace_back(x, axes.Y(column.Max), x, axes.Y(column.Min));
            scene.Average.emplace_back(x, axes.Y(*column.Leq()));
        }
    }

    // Each interval's Leq over its time; a step joins it to the next one only where they meet.
    std::optional<QPoint> stepEnd;
    error = ForEachArchivedInterval(db, {axes.View.FromMs - DAY, axes.View.ToMs},
                                    [&](const CIntervalLevels& interval) {
        if (!interval.LeqDb || interval.EndMs <= axes.View.FromMs) {
            stepEnd.reset();
            return;
        }
        const int y = axes.Y(*interval.LeqDb);
        const QPoint from(std::max(axes.X(interval.StartMs), axes.Plot.left()), y);
        const QPoint to(std::min(axes.X(interval.EndMs), axes.Plot.right()), y);
        if (stepEnd && stepEnd->x() == from.x()) {
            scene.Intervals.emplace_back(*stepEnd, from);
        }
        scene.Intervals.emplace_back(from, to);
        stepEnd = to;
    });
    if (!error.empty()) {
        return std::nullopt;
    }
    return scene;
}

void PaintArchiveScene(QPainter& painter, const CArchiveScene& scene) {
    using namespace ArchiveColors;
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect& plot = scene.Axes.Plot;
    painter.setPen(GRID);
    painter.drawLines(scene.TimeGrid.data(), static_cast<int>(scene.TimeGrid.size()));
    painter.drawLines(scene.LevelGrid.data(), static_cast<int>(scene.LevelGrid.size()));
    painter.setPen(ENVELOPE);
    painter.drawLines(scene.Envelope.data(), static_cast<int>(scene.Envelope.size()));
    painter.setPen(AVERAGE);
    painter.drawPoints(scene.Average.data(), static_cast<int>(scene.Average.size()));
    painter.setPen(READING);
    painter.drawLines(scene.Segments.data(), static_cast<int>(scene.Segments.size()));
    painter.drawPoints(scene.Lone.data(), static_cast<int>(scene.Lone.size()));
    painter.setPen(QPen(INTERVAL, 2));
    painter.drawLines(scene.Intervals.data(), static_cast<int>(scene.Intervals.size()));
    painter.setPen(QPen(ALARM, 1, Qt::DashDotLine));
    for (const int y : scene.AlarmYs) {
        painter.drawLine(plot.left(), y, plot.right(), y);
    }
    painter.setPen(TEXT);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot.adjusted(-1, -1, 0, 0));
    // Each label centred under its tick, but kept inside the picture: the last tick may lie
    // closer to the right edge than half its label.
    const int rightEdge = plot.right() + RIGHT_MARGIN;
    for (const auto& [at, text] : scene.TimeLabels) {
        const int width = painter.fontMetrics().horizontalAdvance(text);
        painter.drawText(QPoint(std::max(std::min(at.x() - width / 2, rightEdge - width), 0), at.y()),
                         text);
    }
    for (const auto& [at, text] : scene.LevelLabels) {
        painter.drawText(at, text);
    }
}
