#pragma once

#include <algorithm>
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
    // between them, those that do not show in the plot counting for nothing. (Inline, with
    // the run in locals: a paint adds every displayed reading, most of them within the run's
    // column and inside the plot's rows, where they only widen the run. Those are told by
    // their unrounded position, which is cheaper than the pixel; a point the test misses
    // goes the long way, which comes to the same.)
    void Add(const CCurvePlacer& curve, std::int64_t first, std::int64_t end) {
        const CCurvePlacer placer = curve;  // known to stay as it is while segments are added
        // Rows inside the plot for certain: pixel rows are truncated toward zero.
        const double top = std::max(m_plot.Top + 1, 0);
        const double bottom = m_plot.Bottom;
        CRunBounds run = RunBounds();
        double low = m_run.Y1;
        double high = m_run.Y2;
        double lastX = placer.X(first);
        double lastY = placer.Y(first);
        bool lastInRun = run.Holds(lastX) && top <= lastY && lastY < bottom;
        for (std::int64_t k = first + 1; k < end; ++k) {
            const double x = placer.X(k);
            const double y = placer.Y(k);
            bool inRun = run.Holds(x) && top <= y && y < bottom;
            if (inRun && lastInRun) {
                low = std::min(low, y);
                high = std::max(high, y);
            } else {
                EndFastRun(run, low, high);
                AddSegment({TruncToInt(lastX), TruncToInt(lastY), TruncToInt(x), TruncToInt(y)});
                run = RunBounds();
                low = m_run.Y1;
                high = m_run.Y2;
                inRun = run.Holds(x) && top <= y && y < bottom;
            }
            lastInRun = inRun;
            lastX = x;
            lastY = y;
        }
        EndFastRun(run, low, high);
    }

    struct CParts {
        std::vector<CSceneLine> Runs;   // vertical, column by column, from the top row down
        std::vector<CSceneLine> Lines;  // from one column to another, where runs do not cover
        std::vector<CPixelPoint> MarkPoints;
    };
    // What the added points came to; the curve is then empty.
    CParts Finish();

private:
    // The unrounded x positions that fall in the run's column, if the run may grow.
    struct CRunBounds {
        double Left;
        double Right;
        bool Holds(double x) const { return Left <= x && x < Right; }
    };
    CRunBounds RunBounds() const {
        // Every mark point must be seen; a column left of zero truncates from the right.
        if (!m_inRun || m_markPoints || m_run.X1 < 0) {
            return {1.0, 0.0};
        }
        return {static_cast<double>(m_run.X1), m_run.X1 + 1.0};
    }
    // The run as the fast path widened it.
    void EndFastRun(const CRunBounds& run, double low, double high) {
        if (run.Left < run.Right) {
            m_run.Y1 = TruncToInt(low);
            m_run.Y2 = TruncToInt(high);
        }
    }

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
