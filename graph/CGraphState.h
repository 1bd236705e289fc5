#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "platform/CSettings.h"

// A rectangle in client pixels as the layout uses it: Right and Bottom are edges, so the width
// is Right − Left.
struct CPixelRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const CPixelRect&) const = default;
};

struct CPixelPoint {
    int X = 0;
    int Y = 0;
};

// The dragged zoom rectangle, ordered so that X0 < X1 and Y0 < Y1.
struct CZoomRect {
    double X0 = 0.0;
    double Y0 = 0.0;
    double X1 = 0.0;
    double Y1 = 0.0;
};

// What the view shows: nothing before the first measurement, then the graph, or the list
// report or the table report (the list's readings in column groups, many to a page) that the
// print commands chose.
enum class GraphDisplay : std::uint8_t { Nothing = 0, Graph = 1, ListReport = 2, TableReport = 3 };

// Everything the graph view keeps between two paints. Each paint rebuilds the picture from
// this state and the record alone; zooming, scrolling and the cursor change it.
struct CGraphState {
    // Geometry, recomputed by every paint from the client area.
    int PanelHeight = 140;    // room for the info panel; 0 while it is hidden
    CPixelRect PlotRect;      // where the readings are plotted
    CPixelRect PanelRect;     // the grey panel with axes, labels and scroll bars
    CPixelRect LastPlotRect;  // PlotRect of the previous paint

    // The six display switches and the level axis range, as the settings file keeps them.
    CViewSettings Settings;

    GraphDisplay DisplayState = GraphDisplay::Nothing;

    // The displayed readings, 1-based: RangeFirst ≤ RangeLast ≤ SampleCount.
    std::int32_t RangeFirst = 0;
    std::int32_t RangeLast = 0;

    // The x pixel of every reading, with the record's capacity. Column 0 is the outer layout
    // (unzoomed, or the zoom a nested zoom started from), column 1 the zoomed one. A reading's
    // y pixel follows from its level and the column's label set (CurrentLevelAxis): it is
    // computed where it is drawn rather than kept.
    std::vector<std::array<double, 2>> PlotX;

    // Zoom state. Zoomed selects the column of PlotX and the label set.
    int Zoomed = 0;
    bool NeedBaseLayout = true;  // unzoomed: positions follow the displayed range every paint
    bool ApplyZoomRect = true;
    CZoomRect ZoomRect;
    float ZoomLow = 0.0f;   // lowest zoomed level division, dB
    float ZoomNext = 0.0f;  // the division above it
    bool ScrollBarsSet = true;
    std::int32_t HScrollOffset = 0;  // readings the curve is scrolled to the right
    std::int32_t LeftEdgeIndex = 0;  // readings between the first displayed one and the left edge
    std::array<std::int32_t, 2> VScrollSteps{};  // level divisions scrolled, one per zoom state
    std::int32_t VScrollMax = 0;
    std::int32_t VScrollMid = 0;

    // Level at each tenth of the plot height from the bottom: set 0 outer, set 1 zoomed.
    std::array<std::array<float, 11>, 2> AxisLabels{};

    // Real-time scale: readings that fill the plot at each step as a run grows.
    std::vector<std::int32_t> ScaleTable{100};
    std::int32_t ScaleLevel = 0;
    float SampleSpacing = 0.0f;  // pixels per reading
    bool ScaleChanged = false;

    // Time axis: the reading (0-based) and its time at each vertical grid position.
    std::array<std::int32_t, 10> GridIndex{};
    std::array<std::time_t, 10> GridTime{};

    std::string ReadoutText;  // the cursor readout line under the time axis
    bool ListShown = false;   // the list report can be printed

    bool FirstGraphSeen = false;  // the first graph has been drawn and its zoom reset started
    bool FirstPaintDone = false;

    // Mouse interaction.
    bool CursorHidden = true;  // no cursor line over the picture
    int CursorX = 0;
    std::int32_t CursorIndex = 0;  // 0-based reading under the cursor
    bool DragActive = false;
    bool DragUntouched = true;  // no rectangle drawn since the press
    bool Dragging = false;
    CPixelPoint DragOrigin;
    double DragOriginX = 0.0;
    double DragOriginY = 0.0;
    CPixelPoint DragCorner;
    bool ExpandedLayout = false;  // the next double-click restores the panes

    // The column of PlotX and the label set the picture uses: 1 while zoomed.
    std::size_t Column() const { return Zoomed != 0 ? 1 : 0; }
};
