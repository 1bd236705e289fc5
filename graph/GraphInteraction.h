#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "graph/CGraphState.h"

class CMeasurementRecord;

// What the mouse and the scroll bars do to the graph: plain functions over the view's state,
// so that tests drive them without a window. Points are client pixels.

CPixelPoint ClampToPlot(const CPixelRect& plot, CPixelPoint point);

// The 0-based reading drawn at x or just left of it, in the current layout and scroll
// position; none while fewer than two readings are displayed. It may lie outside the record
// where the scrolled curve leaves the plot empty.
std::optional<std::int32_t> ReadingUnder(const CGraphState& state, std::int32_t count, int x);

// The reading the cursor line at x reads: the nearest one, the left one when x lies halfway,
// never beyond the displayed range.
std::optional<std::int32_t> CursorReading(const CGraphState& state, std::int32_t count, int x);

// The readout line of 0-based reading `index`, such as
// "Data Point No.:12      Time:01/02/14 10:00:11       Sound:63.5dBA".
std::string CursorReadout(const CMeasurementRecord& record, std::int32_t index);

// Whether the pointer is where a drag may go: from 3 pixels above the plot to 20 below it, and
// from 50 pixels left of the plot to 20 short of the client's right edge.
bool InsideDragZone(const CGraphState& state, int clientWidth, int clientHeight,
                    CPixelPoint pointer);

// The left button went up at `release` (clamped to the plot) after a rectangle was drawn from
// DragOrigin. A rectangle at least 4 pixels wide zooms in, nested in the current zoom, when its
// level division is at least 0.01 dB and two adjacent readings stay less than a plot width
// apart; the next paint lays the zoom out. Returns whether it zoomed.
bool ZoomToDraggedRectangle(CGraphState& state, const CMeasurementRecord& record,
                            CPixelPoint release);

// A scroll bar request. Back is towards the bar's start: left on the horizontal bar, up (higher
// levels) on the vertical one.
enum class ScrollRequest { LineBack, LineForward, PageBack, PageForward, Track, Other };

// Scrolls the zoomed curve by readings; returns the bar's new position, the reading at the
// left edge counted from the first displayed one.
std::int32_t ScrollHorizontally(CGraphState& state, ScrollRequest request,
                                std::int32_t trackPosition);

// Above this many displayed readings a dragged thumb is followed by the pointer's place along
// the plot rather than by the bar's position.
inline constexpr std::int32_t POINTER_TRACK_THRESHOLD = 32767;
std::int32_t TrackPositionFromPointer(const CGraphState& state, int pointerX);

// Scrolls the zoomed level axis by divisions; returns the bar's new position.
std::int32_t ScrollVertically(CGraphState& state, ScrollRequest request,
                              std::int32_t trackPosition);

// The keyboard and the wheel, beside the mouse.

// Where 0-based reading `index` is drawn now; none without a layout of two readings.
std::optional<double> ReadingX(const CGraphState& state, std::int32_t count, std::int32_t index);

// Scrolls the zoomed curve by whole readings until reading `index` lies inside the plot.
// Returns whether it scrolled.
bool ScrollIntoView(CGraphState& state, std::int32_t count, std::int32_t index);

// Moves the zoomed curve by `readings` (later ones come in from the right for a positive
// number) or the zoomed level axis by `divisions` (higher levels come in from the top for a
// positive number), within the bars' ranges.
void ScrollByReadings(CGraphState& state, std::int32_t readings);
void ScrollByDivisions(CGraphState& state, std::int32_t divisions);

enum class ZoomStep { In, Out };
// Zooms around x with the levels kept: in, the half of the plot's width centred on x (moved
// inside the plot) fills the plot, nested like a dragged rectangle; out, twice the width does,
// or the unzoomed layout once every displayed reading would fit. Returns whether the layout
// changed.
bool ZoomAround(CGraphState& state, const CMeasurementRecord& record, int x, ZoomStep step);
