#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "document/CMeasurementRecord.h"
#include "graph/CGraphState.h"

// The position arithmetic of the graph: where the plot lies, where each reading goes in the
// unzoomed and the zoomed layout, and the real-time scale. Plain functions over the view's
// state, so that tests drive them without a window.

// Truncates toward zero, as every pixel and reading computation of the graph does. Values
// beyond ±1e9 stick there and NaN becomes 0, so no conversion is undefined and sums of two
// results still fit. (Inline: a paint truncates twice for every displayed reading.)
inline int TruncToInt(double value) {
    constexpr double LIMIT = 1.0e9;
    if (!(value > -LIMIT)) {
        return value != value ? 0 : static_cast<int>(-LIMIT);
    }
    return static_cast<int>(value < LIMIT ? value : LIMIT);
}

// The plot for a client area: 100 pixels in from the left, 80 from the right, 70 below the
// info panel and 110 above the bottom.
CPixelRect PlotRectFor(int clientWidth, int clientHeight, int panelHeight);
// The grey panel around the plot that carries the axes, labels and scroll bars.
CPixelRect PanelRectFor(const CPixelRect& plot, int clientWidth);

// Keeps the per-reading arrays at the record's capacity and the displayed range within the
// readings the record holds (1-based, RangeFirst ≤ RangeLast).
void FitToRecord(CGraphState& state, const CMeasurementRecord& record);

// Back to the unzoomed picture of the whole displayed range.
void ResetZoom(CGraphState& state);

// The real-time scale for the current plot width: 100 readings, then about 12/11 as many at
// each step, up to the first entry of 10000 or more.
void FillScaleTable(CGraphState& state);

// Fits the state to the record first, then sets the spacing of the readings and, while unzoomed,
// their x positions and the outer level axis. `realTimeRun` is true while a real-time series is
// still growing: it then fills the plot step by step along the scale instead of fitting the whole
// range.
void ComputeBaseLayout(CGraphState& state, const CMeasurementRecord& record, bool realTimeRun);

// The zoomed level axis and the zoomed x positions of the displayed readings: from the zoom
// rectangle while it applies, rescaled in proportion when the plot changed size.
void ComputeZoomedLayout(CGraphState& state);

// Scroll bar settings of a zoom that was just accepted.
struct CScrollBarSetup {
    std::int32_t HorizontalPosition = 0;
    std::int32_t VerticalMax = 0;
    std::int32_t VerticalPosition = 0;
};
// Where the scroll bars stand: the horizontal one at the reading on the left edge, counted
// from the first displayed one; the vertical one with the highest levels at 0.
std::int32_t HorizontalBarPosition(const CGraphState& state);
std::int32_t VerticalBarPosition(const CGraphState& state);

// Once after a zoom (while ScrollBarsSet is clear): which reading stands at the left edge and
// where the level window sits in the whole axis.
std::optional<CScrollBarSetup> SetUpScrollBars(CGraphState& state,
                                               const CMeasurementRecord& record);

// Where the displayed readings stand in the current layout: reading RangeFirst − 1 + n (before
// scrolling) is drawn at X0 + Spacing × n.
struct CReadingAxis {
    double X0 = 0.0;
    double Spacing = 0.0;
};
// The axis of the current layout (the zoomed one while zoomed); none while fewer than two
// readings are displayed or the plot has no width to step along.
std::optional<CReadingAxis> ReadingAxisOf(const CGraphState& state, std::int32_t count);

// The y pixels of levels on an axis whose eleven divisions are `labels`. An axis without span
// puts every level on the bottom edge.
class CLevelAxis {
public:
    CLevelAxis(const std::array<float, 11>& labels, const CPixelRect& plot)
        : m_low(labels[0]),
          m_span(static_cast<double>(labels[10]) - labels[0]),
          m_bottom(plot.Bottom),
          m_height(plot.Height()),
          m_flat(m_span == 0.0 || !(m_span - m_span == 0.0)) {}

    double Y(double level) const {
        return m_flat ? m_bottom : m_bottom - (level - m_low) * m_height / m_span;
    }

private:
    double m_low;
    double m_span;
    double m_bottom;
    double m_height;
    bool m_flat;  // no span, or not a finite one
};

// The level axis of the current layout (the zoomed one while zoomed).
inline CLevelAxis CurrentLevelAxis(const CGraphState& state) {
    return CLevelAxis(state.AxisLabels[state.Column()], state.PlotRect);
}
