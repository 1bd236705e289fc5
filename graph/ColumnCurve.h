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
    CColumnCurve(bool markPoints, int rows);

    // The visible segments, in reading order. (Inline: a paint adds every displayed one, most
    // of them to the run of the column before.)
    void Add(const CSceneLine& segment) {
        if (m_markPoints) {
            AddMarks(segment);
        }
        if (m_inRun && segment.X1 == m_run.X1 && segment.X2 == m_run.X1) {
            m_run.Y1 = std::min({m_run.Y1, segment.Y1, segment.Y2});
            m_run.Y2 = std::max({m_run.Y2, segment.Y1, segment.Y2});
            return;
        }
        AddToNewRunOrLine(segment);
    }

    struct CParts {
        std::vector<CSceneLine> Runs;   // vertical, column by column, from the top row down
        std::vector<CSceneLine> Lines;  // from one column to another, where runs do not cover
        std::vector<CPixelPoint> MarkPoints;
    };
    // What the added segments came to; the curve is then empty.
    CParts Finish();

private:
    void AddToNewRunOrLine(const CSceneLine& segment);
    void EndRun();
    std::vector<CSceneLine> UncoveredLines() const;
    void AddMarks(const CSceneLine& segment);
    void AddMark(int x, int y);

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
