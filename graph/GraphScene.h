#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dialogs/display/ColorTable.h"
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

    std::vector<CSceneLine> LevelGrid;   // dotted, grid colour
    std::vector<CSceneLine> TimeGrid;    // dotted, grid colour
    std::vector<CSceneLine> Segments;    // the curve, solid, curve colour
    bool MarkPoints = false;             // six pixels around both ends of every segment
    std::vector<CSceneLine> AlarmLines;  // dash-dot, two pixels wide, curve colour
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
};

// One paint's computation: lays the readings out (unzoomed or zoomed), takes a record that was
// just loaded into the view, and describes the picture. Changes the state as a paint does;
// the document's FileJustLoaded stays for the caller, which shows the panel texts and clears it.
CGraphScene ComposeGraphScene(CGraphState& state, CDTDoc& doc, const CSceneInputs& inputs);

// A real-time series still being polled: the graph then fills the plot step by step along the
// real-time scale.
bool GrowingSeries(const CDTDoc& doc);

// Curve segment j of the displayed range, from reading RangeFirst + j − 2 to the next one
// (0-based), at its place in the current layout and scroll position.
CSceneLine CurveSegment(const CGraphState& state, const CReadingAxis& axis, std::int64_t j);

// Whether a curve segment between two pixel positions shows in the plot: not when both ends
// lie on or beyond the same edge, except a segment lying exactly on the top or bottom edge.
bool SegmentVisible(const CSceneLine& segment, const CPixelRect& plot);

// Level labels stand right-aligned by their character count: the class gives the x of the
// label as 32 + 5 × class.
int LevelLabelClass(float level);
