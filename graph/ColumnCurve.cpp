#include "graph/ColumnCurve.h"

#include <algorithm>
#include <climits>

CColumnCurve::CColumnCurve(const CPixelRect& plot, bool markPoints, int rows)
    : m_plot(plot),
      m_markPoints(markPoints),
      m_markColumn(markPoints ? static_cast<std::size_t>(std::max(rows, 0)) : 0, INT_MIN) {}

void CColumnCurve::Add(const CCurvePlacer& placer, std::int64_t first, std::int64_t end) {
    std::int64_t k = first + 1;
    while (k < end) {
        // A run takes the rest of its column at once; other readings come one segment each.
        std::int64_t oneByOne = k + 1;
        if (RunTakes(placer.X(k - 1), placer.Y(k - 1))) {
            const std::int64_t columnEnd = placer.FirstReaching(m_run.X1 + 1.0, k, end);
            if (columnEnd > k && WidenRun(placer, k, columnEnd)) {
                k = columnEnd;
                continue;
            }
            oneByOne = std::max(oneByOne, columnEnd);
        }
        for (; k < oneByOne; ++k) {
            AddSegment(placer.Segment(k));
        }
    }
}

bool CColumnCurve::RunTakes(double x, double y) const {
    // A column left of zero truncates from the right.
    return m_inRun && !m_markPoints && m_run.X1 >= 0 && m_run.X1 <= x && x < m_run.X1 + 1.0 &&
           InRows(y);
}

bool CColumnCurve::InRows(double y) const {
    // Rows inside the plot for certain: pixel rows are truncated toward zero.
    return std::max(m_plot.Top + 1, 0) <= y && y < m_plot.Bottom;
}

bool CColumnCurve::WidenRun(const CCurvePlacer& placer, std::int64_t from, std::int64_t to) {
    const auto range = placer.YRange(from, to);
    if (!range || !InRows(range->Low) || !InRows(range->High)) {
        return false;
    }
    m_run.Y1 = std::min(m_run.Y1, TruncToInt(range->Low));
    m_run.Y2 = std::max(m_run.Y2, TruncToInt(range->High));
    return true;
}

void CColumnCurve::AddSegment(const CSceneLine& segment) {
    if (!SegmentVisible(segment, m_plot)) {
        return;
    }
    if (m_markPoints) {
        AddMark(segment.X1, segment.Y1);
        AddMark(segment.X2, segment.Y2);
    }
    if (segment.X1 != segment.X2) {
        m_lines.push_back(segment);
        return;
    }
    if (m_inRun && segment.X1 == m_run.X1) {
        m_run.Y1 = std::min({m_run.Y1, segment.Y1, segment.Y2});
        m_run.Y2 = std::max({m_run.Y2, segment.Y1, segment.Y2});
        return;
    }
    EndRun();
    m_inRun = true;
    m_run = {segment.X1, std::min(segment.Y1, segment.Y2), segment.X1,
             std::max(segment.Y1, segment.Y2)};
}

CColumnCurve::CParts CColumnCurve::Finish() {
    EndRun();
    CParts parts{{}, UncoveredLines(), std::move(m_marks)};
    parts.Runs = std::move(m_runs);
    m_lines.clear();
    return parts;
}

std::vector<CSceneLine> CColumnCurve::UncoveredLines() const {
    // Runs and lines both come in column order.
    auto run = m_runs.begin();
    const auto runIn = [&](int x) {
        while (run != m_runs.end() && run->X1 < x) {
            ++run;
        }
        return run != m_runs.end() && run->X1 == x ? &*run : nullptr;
    };
    const auto covers = [](const CSceneLine* column, int low, int high) {
        return column != nullptr && column->Y1 <= low && high <= column->Y2;
    };
    std::vector<CSceneLine> uncovered;
    for (const CSceneLine& line : m_lines) {
        const int low = std::min(line.Y1, line.Y2);
        const int high = std::max(line.Y1, line.Y2);
        const bool covered = line.X2 == line.X1 + 1 && covers(runIn(line.X1), low, high) &&
                             covers(runIn(line.X2), low, high);
        if (!covered) {
            uncovered.push_back(line);
        }
    }
    return uncovered;
}

void CColumnCurve::EndRun() {
    if (m_inRun) {
        m_runs.push_back(m_run);
        m_inRun = false;
    }
}

void CColumnCurve::AddMark(int x, int y) {
    // The ends come column by column: a row remembers the last column that marked it.
    if (y >= 0 && static_cast<std::size_t>(y) < m_markColumn.size()) {
        int& column = m_markColumn[static_cast<std::size_t>(y)];
        if (column == x) {
            return;
        }
        column = x;
    }
    m_marks.push_back({x, y});
}
