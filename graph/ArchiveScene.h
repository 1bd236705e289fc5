#pragma once

#include <QColor>
#include <QLine>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "station/ArchiveEnvelope.h"

class QPainter;

// Where a time and a level stand in the archive's plot.
struct CArchiveAxes {
    QRect Plot;
    CArchiveRange View;        // [FromMs, ToMs) across the plot's width
    double LowDb = 30.0;       // at the plot's bottom edge
    double HighDb = 130.0;     // at its top edge

    // The column (from the plot's left edge) of a time: the columns of ArchiveColumns.
    int Column(std::int64_t ms) const;
    int X(std::int64_t ms) const { return Plot.left() + Column(ms); }
    // The start of the time a pixel column shows.
    std::int64_t TimeAt(int x) const;
    int Y(double level) const;
    double LevelAt(int y) const;
};

struct CArchiveSceneInputs {
    QSize Size;
    CArchiveRange View;
    double LowDb = 30.0;
    double HighDb = 130.0;
    std::optional<double> AlarmHigh;
    std::optional<double> AlarmLow;
    // The archive's minute rollups held in memory, or none: columns of a minute or more are
    // then made from them rather than from the file.
    const CMinuteRows* Minutes = nullptr;
};

// The archive's picture as plain data. At coarse zoom each pixel column holds the lowest to
// highest level of its readings and a dot at their energy average; where a column holds
// few readings the readings themselves are drawn, joined only within a run and never across a
// missing reading, so that every gap stays empty.
struct CArchiveScene {
    CArchiveAxes Axes;
    bool Readings = false;  // the readings themselves, not columns
    std::vector<CLevelSpan> Columns;
    std::vector<QLine> Envelope;
    std::vector<QPoint> Average;
    std::vector<QLine> Segments;   // the readings
    std::vector<QPoint> Lone;      // a reading with no neighbour to join
    std::vector<CArchivedReading> Shown;  // the readings drawn, for the readout
    std::vector<QLine> Intervals;  // interval Leq as steps
    std::vector<int> AlarmYs;
    std::vector<QLine> TimeGrid;
    // Each centred on its point's x, with its baseline at the point's y.
    std::vector<std::pair<QPoint, QString>> TimeLabels;
    std::vector<QLine> LevelGrid;
    std::vector<std::pair<QPoint, QString>> LevelLabels;
};

// Reads what the view shows and lays it out; empty with `error` when the archive cannot be read.
std::optional<CArchiveScene> ComposeArchiveScene(CArchiveDatabase& db,
                                                 const CArchiveSceneInputs& inputs,
                                                 std::string& error);

// The colours of the picture (the tests look for them).
namespace ArchiveColors {
inline const QColor BACKGROUND{255, 255, 255};
inline const QColor ENVELOPE{150, 180, 225};
inline const QColor AVERAGE{20, 50, 140};
inline const QColor READING{20, 50, 140};
inline const QColor INTERVAL{230, 120, 0};
inline const QColor ALARM{200, 0, 0};
inline const QColor GRID{220, 220, 220};
inline const QColor TEXT{0, 0, 0};
}  // namespace ArchiveColors

void PaintArchiveScene(QPainter& painter, const CArchiveScene& scene);
