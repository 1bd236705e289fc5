#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dialogs/display/ColorTable.h"
#include "document/CMeasurementRecord.h"
#include "graph/CGraphHost.h"
#include "graph/CGraphState.h"
#include "graph/GraphLayout.h"

class CDTDoc;

struct CSceneLine {
    int X1 = 0;
    int Y1 = 0;
    int X2 = 0;
    int Y2 = 0;
};

// A text whose cell has its top-left corner at (X, Y).
struct CSceneText {
    int X = 0;
    int Y = 0;
    std::string Text;
};

// The graph picture as plain data, computed from the state and the record, then drawn by
// CGraphPainter on the screen or a printer page.
struct CGraphScene {
    int ClientWidth = 0;
    int ClientHeight = 0;
    int PanelHeight = 0;
    bool HasData = false;  // false: the whole client area is no-data grey
    bool Printer = false;  // the printer page gets a white top band instead of the black one
    CPixelRect Plot;
    CPixelRect Panel;

    CRgb Background;
    CRgb Curve;
    CRgb Grid;
    CRgb ButtonFace;

    std::vector<CSceneLine> LevelGrid;    // dotted, grid colour
    std::vector<CSceneLine> TimeGrid;     // dotted, grid colour
    std::vector<CSceneLine> Segments;     // the curve, solid, curve colour
    std::vector<CSceneLine> ColumnRuns;   // vertical parts of the curve, filled column by column
    std::vector<CPixelPoint> MarkPoints;  // six pixels around each, curve colour
    std::vector<CSceneLine> AlarmLines;   // dash-dot, two pixels wide, curve colour
    std::vector<CSceneText> LevelLabels;
    std::vector<CSceneText> TimeLabels;  // times and dates under the time axis
    std::vector<CSceneLine> Ticks;       // solid, grid colour
    CSceneText Readout;

    // For the view's scroll bars: the horizontal range while zoomed, and the positions of a
    // zoom that was just accepted.
    std::optional<std::int32_t> HorizontalScrollMax;
    std::optional<CScrollBarSetup> ScrollBars;
};

struct CSceneInputs {
    int ClientWidth = 0;
    int ClientHeight = 0;
    bool Printer = false;
    CGraphColorIndexes Colors;
    CRgb ButtonFace;
    // The curve segment by segment instead of column by column: the same pixels, drawn the
    // slow way, as tests and benchmarks hold the program's curve against.
    bool EverySegment = false;
};

// One paint's computation: lays the readings out (unzoomed or zoomed), takes a record that was
// just loaded into the view, and describes the picture. Changes the state as a paint does;
// the document's FileJustLoaded stays for the caller, which shows the panel texts and clears it.
CGraphScene ComposeGraphScene(CGraphState& state, CDTDoc& doc, const CSceneInputs& inputs);

// A real-time series still being polled: the graph then fills the plot step by step along the
// real-time scale.
bool GrowingSeries(const CDTDoc& doc);

// Where the curve draws the displayed readings in the current layout and scroll position.
// (Inline, with the state it needs at hand: a paint places every displayed reading.)
class CCurvePlacer {
public:
    CCurvePlacer(const CGraphState& state, const CMeasurementRecord& record,
                 const CReadingAxis& axis)
        : m_x0(axis.X0),
          m_spacing(axis.Spacing),
          m_scrolled(state.HScrollOffset),
          m_levels(record.Levels.data() + (state.RangeFirst - 1)),
          m_levelAxis(CurrentLevelAxis(state)) {}

    // Reading RangeFirst − 1 + k (0-based).
    CPixelPoint Point(std::int64_t k) const { return {TruncToInt(X(k)), TruncToInt(Y(k))}; }
    // The same before truncation to a pixel.
    double X(std::int64_t k) const {
        return m_x0 + m_spacing * static_cast<double>(m_scrolled + k);
    }
    double Y(std::int64_t k) const { return m_levelAxis.Y(m_levels[k]); }

    // Segment j, from reading RangeFirst + j − 2 to the next one.
    CSceneLine Segment(std::int64_t j) const {
        const CPixelPoint from = Point(j - 1);
        const CPixelPoint to = Point(j);
        return {from.X, from.Y, to.X, to.Y};
    }

    // The first of the readings [from, end) that stands at `x` or right of it; `end` if none.
    std::int64_t FirstReaching(double x, std::int64_t from, std::int64_t end) const;

    // The lowest and highest unrounded y of the readings [from, to), a non-empty range; none
    // when a level among them is not a finite number.
    struct CYRange {
        double Low;
        double High;
    };
    std::optional<CYRange> YRange(std::int64_t from, std::int64_t to) const;

private:
    double m_x0;
    double m_spacing;  // positive and finite
    std::int64_t m_scrolled;
    const float* m_levels;
    CLevelAxis m_levelAxis;
};

// Whether a curve segment between two pixel positions shows in the plot: not when both ends
// lie on or beyond the same edge, except a segment lying exactly on the top or bottom edge.
inline bool SegmentVisible(const CSceneLine& s, const CPixelRect& plot) {
    if ((s.X1 <= plot.Left && s.X2 <= plot.Left) || (s.X1 >= plot.Right && s.X2 >= plot.Right)) {
        return false;
    }
    const bool onTop = s.Y1 == plot.Top && s.Y2 == plot.Top;
    if (s.Y1 <= plot.Top && s.Y2 <= plot.Top && !onTop) {
        return false;
    }
    const bool onBottom = s.Y1 == plot.Bottom && s.Y2 == plot.Bottom;
    return !(s.Y1 >= plot.Bottom && s.Y2 >= plot.Bottom && !onBottom);
}

// Level labels stand right-aligned by their character count: the class gives the x of the
// label as 32 + 5 × class.
int LevelLabelClass(float level);
