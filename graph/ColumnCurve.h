#pragma once

#include <vector>

#include "graph/CGraphState.h"
#include "graph/GraphScene.h"

// The curve as the pixel columns need it. Drawn with a one-pixel pen, the segments that stand
// within one column, each joined to the next, set exactly the pixels from their lowest to their
// highest point: such a run becomes one vertical run of pixels. A segment from one column to
// another is kept as it is, unless it joins two neighbouring columns whose runs both cover its
// rows: a line sets pixels only in its end columns and between its end rows, so it would add
// nothing. Mark points set the same six pixels around equal ends: each is kept once.
class CColumnCurve {
public:
    // `rows`: the picture's height, over which mark points are told apart by row.
    CColumnCurve(const CPixelRect& plot, bool markPoints, int rows);

    // The curve from reading RangeFirst − 1 + `first` to the one before `end`: the segments
    // between them, those that do not show in the plot counting for nothing.
    void Add(const CCurvePlacer& placer, std::int64_t first, std::int64_t end);

    struct CParts {
        std::vector<CSceneLine> Runs;   // vertical, column by column, from the top row down
        std::vector<CSceneLine> Lines;  // from one column to another, where runs do not cover
        std::vector<CPixelPoint> MarkPoints;
    };
    // What the added points came to; the curve is then empty.
    CParts Finish();

private:
    // Whether the run is open in the column of (x, y) and y lies inside the plot's rows, so
    // that a segment from there to a point of the same column and rows only widens the run.
    // Mark points are seen one by one.
    bool RunTakes(double x, double y) const;
    bool InRows(double y) const;
    // Widens the run by the readings [from, to), all in its column, if they all lie inside
    // the plot's rows.
    bool WidenRun(const CCurvePlacer& placer, std::int64_t from, std::int64_t to);

    void AddSegment(const CSceneLine& segment);
    void EndRun();
    std::vector<CSceneLine> UncoveredLines() const;
    void AddMark(int x, int y);

    CPixelRect m_plot;
    std::vector<CSceneLine> m_lines;
    std::vector<CSceneLine> m_runs;
    std::vector<CPixelPoint> m_marks;
    bool m_markPoints;
    // The column in which each row of the picture last had a mark point.
    std::vector<int> m_markColumn;

    // The vertical run in the current column.
    bool m_inRun = false;
    CSceneLine m_run;
};
