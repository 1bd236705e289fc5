#pragma once

#include <QWidget>

#include <vector>

#include "station/ArchiveEnvelope.h"

// The archive at a glance: a strip of its days from the first to the last, each coloured by
// its LAeq (grey where it holds no reading), over a line of the runs with the gaps between
// them. A click on a day shows that day.
class CArchiveOverview : public QWidget {
    Q_OBJECT
public:
    explicit CArchiveOverview(QWidget* parent = nullptr);

    void SetDays(std::vector<CArchiveDay> days, std::vector<CArchivedRun> runs);
    const std::vector<CArchiveDay>& Days() const { return m_days; }
    // The colour of a day's LAeq: green for quiet, through yellow, to red for loud.
    static QColor LevelColor(double leq);

signals:
    void DayChosen(const CArchiveRange& day);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The strip's span of time, from the first day's midnight to the last one's end.
    CArchiveRange Span() const;
    int X(std::int64_t ms) const;

    std::vector<CArchiveDay> m_days;
    std::vector<CArchivedRun> m_runs;
};
