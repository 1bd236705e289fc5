#include "graph/CArchiveOverview.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int STRIP_HEIGHT = 26;
constexpr int RUN_HEIGHT = 6;
// The LAeq that is green, and the one that is red.
constexpr double QUIET_DB = 40.0;
constexpr double LOUD_DB = 80.0;

}  // namespace

CArchiveOverview::CArchiveOverview(QWidget* parent) : QWidget(parent) {
    setFixedHeight(STRIP_HEIGHT + RUN_HEIGHT + 6);
    setToolTip(QStringLiteral("The days of the archive by their LAeq; click one to show it"));
}

void CArchiveOverview::SetDays(std::vector<CArchiveDay> days, std::vector<CArchivedRun> runs) {
    m_days = std::move(days);
    m_runs = std::move(runs);
    update();
}

QColor CArchiveOverview::LevelColor(double leq) {
    const double fraction = std::clamp((leq - QUIET_DB) / (LOUD_DB - QUIET_DB), 0.0, 1.0);
    // Green (120°) through yellow to red (0°).
    return QColor::fromHsvF(static_cast<float>((1.0 - fraction) / 3.0), 0.8f, 0.9f);
}

CArchiveRange CArchiveOverview::Span() const {
    return {m_days.front().StartMs, m_days.back().EndMs};
}

int CArchiveOverview::X(std::int64_t ms) const {
    const CArchiveRange span = Span();
    return static_cast<int>(static_cast<long double>(ms - span.FromMs) * (width() - 1) /
                            static_cast<long double>(span.ToMs - span.FromMs));
}

void CArchiveOverview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (m_days.empty()) {
        return;
    }
    // Days without readings keep the grey of the strip: the gaps.
    painter.fillRect(QRect(0, 2, width(), STRIP_HEIGHT), QColor(200, 200, 200));
    for (const CArchiveDay& day : m_days) {
        const auto leq = day.Levels.Leq();
        const int left = X(day.StartMs);
        const QRect cell(left, 2, std::max(X(day.EndMs) - left, 1), STRIP_HEIGHT);
        painter.fillRect(cell, leq ? LevelColor(*leq) : QColor(160, 160, 160));
        painter.setPen(QColor(255, 255, 255));
        painter.drawLine(cell.topLeft(), cell.bottomLeft());
    }
    for (const CArchivedRun& run : m_runs) {
        const int left = X(run.StartMs);
        painter.fillRect(QRect(left, STRIP_HEIGHT + 4, std::max(X(run.EndMs) - left, 1), RUN_HEIGHT),
                         QColor(40, 40, 40));
    }
}

void CArchiveOverview::mousePressEvent(QMouseEvent* event) {
    const int x = static_cast<int>(event->position().x());
    for (const CArchiveDay& day : m_days) {
        if (x >= X(day.StartMs) && x < std::max(X(day.EndMs), X(day.StartMs) + 1)) {
            emit DayChosen({day.StartMs, day.EndMs});
            return;
        }
    }
}
