#include "graph/GraphScene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "document/CDTDoc.h"
#include "graph/ColumnCurve.h"
#include "platform/LocalTime.h"

namespace {

// The x of each vertical grid position, before truncation.
struct CTimeDivisions {
    std::array<double, 10> X{};
};

// The row of level division i (0 at the top), shared by the grid lines and the ticks.
int DivisionY(const CPixelRect& plot, int i) {
    return TruncToInt(plot.Height() * i * 0.1 + plot.Top);
}

void AddLevelGrid(CGraphScene& scene, const CGraphState& state) {
    const CPixelRect& plot = state.PlotRect;
    if (!state.Settings.ShowXAxis || plot.Width() <= 0) {
        return;
    }
    for (int i = 0; i <= 10; ++i) {
        const int y = DivisionY(plot, i);
        scene.LevelGrid.push_back({plot.Left - 5, y, plot.Right + 5, y});
    }
}

// Readings between two vertical grid lines: a quarter of the readings across the plot, fewer
// parts when only two or three readings fit.
std::int64_t GridStep(double readingsAcross) {
    const int fit = TruncToInt(readingsAcross);
    if (fit <= 1) {
        return 1;
    }
    if (fit == 2) {
        return TruncToInt(readingsAcross * 0.5);
    }
    if (fit == 3) {
        return TruncToInt(readingsAcross / 3);
    }
    return TruncToInt(readingsAcross * 0.25);
}

// The grid positions stay put on the screen while scrolling; the readings under them move.
CTimeDivisions AddTimeGrid(CGraphScene& scene, CGraphState& state, const CMeasurementRecord& record,
                           const CReadingAxis& axis) {
    const CPixelRect& plot = state.PlotRect;
    const std::int64_t step = GridStep(plot.Width() / axis.Spacing);
    CTimeDivisions divisions;
    for (std::size_t k = 0; k < divisions.X.size(); ++k) {
        const std::int64_t offset = state.LeftEdgeIndex + static_cast<std::int64_t>(k) * step;
        const std::int64_t index =
            state.RangeFirst - 1 + offset - static_cast<std::int64_t>(state.HScrollOffset);
        divisions.X[k] = axis.X0 + axis.Spacing * static_cast<double>(offset);
        state.GridIndex[k] = TruncToInt(static_cast<double>(index));
        state.GridTime[k] = record.SampleTime(index);
        if (state.Settings.ShowYAxis) {
            const int x = TruncToInt(divisions.X[k]);
            scene.TimeGrid.push_back({x, plot.Bottom - 1, x, plot.Top});
        }
    }
    return divisions;
}

// Only the readings in the visible window, from the left edge to two past the right edge.
void AddCurve(CGraphScene& scene, const CGraphState& state, const CMeasurementRecord& record,
              const CReadingAxis& axis, bool everySegment) {
    if (!state.Settings.ShowCurve) {
        return;
    }
    const CPixelRect& plot = state.PlotRect;
    const bool markPoints = state.Settings.ShowMarkPoints != 0;
    const std::int64_t start = std::int64_t{state.LeftEdgeIndex} - state.HScrollOffset + 1;
    const std::int64_t end =
        TruncToInt(plot.Width() / axis.Spacing + static_cast<double>(start) + 2.0);
    const std::int64_t from = std::max<std::int64_t>(start, 1);
    const std::int64_t to =
        std::min<std::int64_t>(end, std::int64_t{state.RangeLast} - state.RangeFirst + 1);
    if (from >= to) {
        return;
    }
    const CCurvePlacer placer(state, record, axis);
    if (everySegment) {
        CPixelPoint previous = placer.Point(from - 1);
        for (std::int64_t j = from; j < to; ++j) {
            const CPixelPoint next = placer.Point(j);
            const CSceneLine segment{previous.X, previous.Y, next.X, next.Y};
            previous = next;
            if (SegmentVisible(segment, plot)) {
                scene.Segments.push_back(segment);
                if (markPoints) {
                    scene.MarkPoints.push_back({segment.X1, segment.Y1});
                    scene.MarkPoints.push_back({segment.X2, segment.Y2});
                }
            }
        }
        return;
    }
    CColumnCurve curve(plot, markPoints, scene.ClientHeight);
    curve.Add(placer, from - 1, to);
    CColumnCurve::CParts parts = curve.Finish();
    scene.ColumnRuns = std::move(parts.Runs);
    scene.Segments = std::move(parts.Lines);
    scene.MarkPoints = std::move(parts.MarkPoints);
}

void AddAlarmLines(CGraphScene& scene, const CGraphState& state, const CMeasurementRecord& record) {
    const CPixelRect& plot = state.PlotRect;
    const auto& labels = state.AxisLabels[state.Column()];
    for (const auto& [shown, level] : {std::pair{state.Settings.ShowAlarmHigh, record.AlarmHigh},
                                       std::pair{state.Settings.ShowAlarmLow, record.AlarmLow}}) {
        if (shown) {
            const int y = TruncToInt(CLevelAxis(labels, plot).Y(level));
            scene.AlarmLines.push_back({plot.Left, y, plot.Right, y});
        }
    }
}

// The labels of the level divisions and their ticks left of the plot.
void AddLevelAxis(CGraphScene& scene, const CGraphState& state) {
    const CPixelRect& plot = state.PlotRect;
    const auto& labels = state.AxisLabels[state.Column()];
    for (int i = 0; i <= 10; ++i) {
        const float level = labels[static_cast<std::size_t>(i)];
        scene.LevelLabels.push_back({32 + 5 * LevelLabelClass(level),
                                     plot.Bottom - i * plot.Height() / 10 - 8,
                                     LevelText(static_cast<double>(level), 2)});
        if (plot.Width() > 0) {
            const int y = DivisionY(plot, i);
            scene.Ticks.push_back({plot.Left - 5, y, plot.Left, y});
        }
    }
}

// A time label starts this far left of the point it names.
constexpr int TIME_LABEL_OFFSET = 23;

void AddTimeLabel(CGraphScene& scene, int x, std::time_t time, const CPixelRect& plot) {
    scene.TimeLabels.push_back(
        {x - TIME_LABEL_OFFSET, plot.Bottom + 5, FormatLocalTime(time, "%H:%M:%S")});
    scene.TimeLabels.push_back(
        {x - TIME_LABEL_OFFSET, plot.Bottom + 17, FormatLocalTime(time, "%d/%m/%y")});
}

// One displayed reading shows its time at the left edge; more show the time under each grid
// position inside the plot, with a tick.
void AddTimeLabels(CGraphScene& scene, const CGraphState& state, const CMeasurementRecord& record,
                   const std::optional<CTimeDivisions>& divisions) {
    const CPixelRect& plot = state.PlotRect;
    if (ReadingCount(record) < 1) {
        return;
    }
    if (state.RangeFirst == state.RangeLast) {
        AddTimeLabel(scene, plot.Left, record.SampleTime(state.RangeFirst - 1), plot);
        return;
    }
    if (!divisions) {
        return;
    }
    for (std::size_t k = 0; k < divisions->X.size(); ++k) {
        const double x = divisions->X[k];
        if (plot.Left <= x && x <= plot.Right) {
            const int column = TruncToInt(x);
            AddTimeLabel(scene, column, state.GridTime[k], plot);
            scene.Ticks.push_back({column, plot.Bottom, column, plot.Bottom + 5});
        }
    }
}

// Zoomed, the grid may leave an end of the plot without a time: that end shows the time of the
// nearest reading inside it, unless a grid label already stands there.
void AddEdgeTimeLabels(CGraphScene& scene, const CGraphState& state,
                       const CMeasurementRecord& record, const CReadingAxis& axis) {
    constexpr int LABEL_ROOM = 50;  // pixels: a label's width, the room it keeps free
    const CPixelRect& plot = state.PlotRect;
    const double last = std::min(state.RangeLast, ReadingCount(record)) - 1;
    const auto readingAt = [&](int x) {
        return (x - axis.X0) / axis.Spacing - state.HScrollOffset + state.RangeFirst - 1;
    };
    const std::pair<int, double> edges[] = {{plot.Left, std::ceil(readingAt(plot.Left))},
                                            {plot.Right, std::floor(readingAt(plot.Right))}};
    for (const auto& [x, reading] : edges) {
        const bool labelled = std::any_of(
            scene.TimeLabels.begin(), scene.TimeLabels.end(), [x = x](const CSceneText& label) {
                return std::abs(label.X + TIME_LABEL_OFFSET - x) < LABEL_ROOM;
            });
        if (!labelled && state.RangeFirst - 1 <= reading && reading <= last) {
            AddTimeLabel(scene, x, record.SampleTime(static_cast<std::int64_t>(reading)), plot);
        }
    }
}

}  // namespace

CGraphScene ComposeGraphScene(CGraphState& state, CDTDoc& doc, const CSceneInputs& inputs) {
    CMeasurementRecord& record = doc.Record();
    state.PlotRect = PlotRectFor(inputs.ClientWidth, inputs.ClientHeight, state.PanelHeight);
    state.PanelRect = PanelRectFor(state.PlotRect, inputs.ClientWidth);

    CGraphScene scene;
    scene.ClientWidth = inputs.ClientWidth;
    scene.ClientHeight = inputs.ClientHeight;
    scene.PanelHeight = state.PanelHeight;
    scene.Printer = inputs.Printer;
    scene.Plot = state.PlotRect;
    scene.Panel = state.PanelRect;
    scene.Background = ColorTable(inputs.Colors.Background);
    scene.Curve = ColorTable(inputs.Colors.Curve);
    scene.Grid = ColorTable(inputs.Colors.Grid);
    scene.ButtonFace = inputs.ButtonFace;

    // A record just loaded from a file: its panel texts, and the whole of it unzoomed. The load
    // has already built StartTime from the file's start components.
    const std::int32_t count = ReadingCount(record);
    if (doc.FileJustLoaded) {
        doc.StoredData = true;
        record.DeriveTextsAfterLoad();
        state.RangeFirst = 1;
        state.RangeLast = count;
        ResetZoom(state);
    }
    if (!state.FirstPaintDone) {
        state.FirstPaintDone = true;
        state.RangeFirst = 1;
        state.RangeLast = count;
    }
    if (state.DisplayState == GraphDisplay::Nothing) {
        return scene;
    }
    scene.HasData = true;

    AddLevelGrid(scene, state);
    ComputeBaseLayout(state, record, GrowingSeries(doc));
    if (!state.NeedBaseLayout && state.RangeFirst < state.RangeLast) {
        scene.HorizontalScrollMax = state.RangeLast - state.RangeFirst + 1;
        ComputeZoomedLayout(state);
        scene.ScrollBars = SetUpScrollBars(state, record);
    }

    std::optional<CTimeDivisions> divisions;
    const auto axis = ReadingAxisOf(state, count);
    if (axis) {
        divisions = AddTimeGrid(scene, state, record, *axis);
        AddCurve(scene, state, record, *axis, inputs.EverySegment);
    }
    AddAlarmLines(scene, state, record);
    AddLevelAxis(scene, state);
    AddTimeLabels(scene, state, record, divisions);
    if (state.Zoomed && axis) {
        AddEdgeTimeLabels(scene, state, record, *axis);
    }
    scene.Readout = {state.PlotRect.Left, state.PlotRect.Bottom + 75, state.ReadoutText};

    // No cursor line is over a fresh picture. A plot without width keeps the last usable
    // rectangle, against which a zoom is rescaled when the plot has room again.
    state.CursorHidden = true;
    if (state.PlotRect.Width() > 0) {
        state.LastPlotRect = state.PlotRect;
    }
    return scene;
}

std::int64_t CCurvePlacer::FirstReaching(double x, std::int64_t from, std::int64_t end) const {
    // X grows with the reading, rounding included: from an estimate, the exact steps.
    const double estimate = std::ceil((x - m_x0) / m_spacing) - static_cast<double>(m_scrolled);
    std::int64_t k = from;
    if (estimate >= static_cast<double>(end)) {
        k = end;
    } else if (estimate > static_cast<double>(from)) {
        k = static_cast<std::int64_t>(estimate);
    }
    while (k > from && X(k - 1) >= x) {
        --k;
    }
    while (k < end && X(k) < x) {
        ++k;
    }
    return k;
}

std::optional<CCurvePlacer::CYRange> CCurvePlacer::YRange(std::int64_t from,
                                                          std::int64_t to) const {
    // Y follows the level monotonically, rounding included, so the extreme levels give the
    // extreme rows. A paint looks at every displayed reading: four independent lanes keep the
    // comparisons from waiting on each other.
    constexpr std::size_t LANES = 4;
    const float* const level = m_levels + from;
    const auto count = static_cast<std::size_t>(to - from);
    std::array<float, LANES> low;
    std::array<float, LANES> high;
    low.fill(level[0]);
    high.fill(level[0]);
    // L − L is 0 for a finite level and NaN otherwise, and a NaN stays in the sum.
    std::array<float, LANES> notFinite{};
    const auto take = [&](std::size_t lane, float value) {
        low[lane] = value < low[lane] ? value : low[lane];
        high[lane] = high[lane] < value ? value : high[lane];
        notFinite[lane] += value - value;
    };
    std::size_t i = 0;
    for (; i + LANES <= count; i += LANES) {
        for (std::size_t lane = 0; lane < LANES; ++lane) {
            take(lane, level[i + lane]);
        }
    }
    for (; i < count; ++i) {
        take(0, level[i]);
    }
    for (std::size_t lane = 1; lane < LANES; ++lane) {
        low[0] = std::min(low[0], low[lane]);
        high[0] = std::max(high[0], high[lane]);
        notFinite[0] += notFinite[lane];
    }
    if (notFinite[0] != 0.0f) {
        return std::nullopt;
    }
    const double a = m_levelAxis.Y(low[0]);
    const double b = m_levelAxis.Y(high[0]);
    return CYRange{std::min(a, b), std::max(a, b)};
}

bool GrowingSeries(const CDTDoc& doc) {
    return !doc.StoredData && doc.RealTimeActive;
}

int LevelLabelClass(float level) {
    if (level <= -100.0f) {
        return 1;
    }
    if (level <= -10.0f) {
        return 2;
    }
    if (level < 0.0f) {
        return 3;
    }
    if (level < 10.0f) {
        return 4;
    }
    if (level < 100.0f) {
        return 3;
    }
    return 2;
}
