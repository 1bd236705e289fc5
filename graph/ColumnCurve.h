#pragma once

#include <algorithm>
#include <climits>
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
    // the run in locals: a paint adds every displayed reading, most of them within the
    // column before and inside the plot's rows, where they only widen its run.)
    void Add(const CCurvePlacer& placer, std::int64_t first, std::int64_t end) {
        // The run's column, or none (every mark point must be seen); its lowest and highest row.
        const auto columnOfRun = [this] { return m_inRun && !m_markPoints ? m_run.X1 : NO_RUN; };
        int runX = columnOfRun();
        int low = m_run.Y1;
        int high = m_run.Y2;
        CPixelPoint last = placer.Point(first);
        for (std::int64_t k = first + 1; k < end; ++k) {
            const CPixelPoint next = placer.Point(k);
            if (next.X == runX && last.X == runX && InsideRows(last.Y) && InsideRows(next.Y)) {
                low = std::min({low, last.Y, next.Y});
                high = std::max({high, last.Y, next.Y});
            } else {
                if (runX != NO_RUN) {
                    m_run = {runX, low, runX, high};
                }
                AddSegment({last.X, last.Y, next.X, next.Y});
                runX = columnOfRun();
                low = m_run.Y1;
                high = m_run.Y2;
            }
            last = next;
        }
        if (runX != NO_RUN) {
            m_run = {runX, low, runX, high};
        }
    }

    struct CParts {
        std::vector<CSceneLine> Runs;   // vertical, column by column, from the top row down
        std::vector<CSceneLine> Lines;  // from one column to another, where runs do not cover
        std::vector<CPixelPoint> MarkPoints;
    };
    // What the added points came to; the curve is then empty.
    CParts Finish();

private:
    // A column no point stands in: the picture's columns are truncated to ±1e9.
    static constexpr int NO_RUN = INT_MIN;

    bool InsideRows(int y) const { return m_plot.Top < y && y < m_plot.Bottom; }
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
