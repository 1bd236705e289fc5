#include "graph/GraphInteraction.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "document/CMeasurementRecord.h"
#include "graph/GraphLayout.h"
#include "platform/LocalTime.h"

namespace {

// A zoom narrower than this many pixels is a click.
constexpr int MIN_ZOOM_WIDTH = 4;
constexpr double MIN_ZOOM_DIVISION = 0.01;  // dB

// The readings a page of the horizontal bar moves by reach this far beyond the plot's width.
constexpr int PAGE_OVERLAP = 140;
constexpr std::int32_t VERTICAL_PAGE = 10;  // level divisions

// A dragged thumb follows the pointer between these margins inside the plot's ends.
constexpr int POINTER_TRACK_MARGIN = 30;

// Scroll offsets stay within 32 bits whatever is asked of them.
std::int32_t Saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// Where a request moves a bar standing at `position` of 0..end: a line or a page at a time,
// stopping at either end, or straight to where the thumb was dragged.
std::int64_t ScrolledPosition(ScrollRequest request, std::int64_t position, std::int64_t end,
                              std::int64_t page, std::int64_t track) {
    switch (request) {
        case ScrollRequest::LineBack:
            return position - 1 >= 0 ? position - 1 : position;
        case ScrollRequest::LineForward:
            return position < end ? position + 1 : position;
        case ScrollRequest::PageBack:
            return position > page ? position - page : 0;
        case ScrollRequest::PageForward:
            return position < end - page ? position + page : end;
        case ScrollRequest::Track:
            return track;
        case ScrollRequest::Other:
            break;
    }
    return position;
}

std::int32_t DisplayedCount(const CGraphState& state) {
    return std::max(state.RangeLast - state.RangeFirst + 1, 0);
}

}  // namespace

CPixelPoint ClampToPlot(const CPixelRect& plot, CPixelPoint point) {
    return {std::clamp(point.X, plot.Left, std::max(plot.Left, plot.Right)),
            std::clamp(point.Y, plot.Top, std::max(plot.Top, plot.Bottom))};
}

std::optional<std::int32_t> ReadingUnder(const CGraphState& state, std::int32_t count, int x) {
    const auto axis = ReadingAxisOf(state, count);
    if (!axis) {
        return std::nullopt;
    }
    return TruncToInt((x - axis->X0) / axis->Spacing + state.RangeFirst - 1 -
                      static_cast<double>(state.HScrollOffset));
}

std::optional<std::int32_t> CursorReading(const CGraphState& state, std::int32_t count, int x) {
    const auto under = ReadingUnder(state, count, x);
    if (!under) {
        return std::nullopt;
    }
    // Where reading i is drawn on the screen.
    const auto axis = *ReadingAxisOf(state, count);
    const auto screenX = [&](std::int64_t i) {
        return axis.X0 +
               axis.Spacing * static_cast<double>(state.HScrollOffset + i - state.RangeFirst + 1);
    };
    std::int32_t reading = *under;
    if (x - screenX(reading) > screenX(std::int64_t{reading} + 1) - x) {
        ++reading;
    }
    return std::min(reading, state.RangeLast - 1);
}

std::string CursorReadout(const CMeasurementRecord& record, std::int32_t index) {
    const std::string level =
        LevelText(static_cast<double>(record.Levels[static_cast<std::size_t>(index)]), 1);
    return "Data Point No.:" + std::to_string(index + 1) +
           "      Time:" + FormatLocalTime(record.SampleTime(index), "%d/%m/%y %H:%M:%S") +
           "       Sound:" + level + record.Info.Unit;
}

bool InsideDragZone(const CGraphState& state, int clientWidth, int clientHeight,
                    CPixelPoint pointer) {
    const CPixelRect& plot = state.PlotRect;
    const int belowMargin = clientHeight > plot.Bottom ? clientHeight - plot.Bottom - 20 : 0;
    const int rightMargin = clientWidth > plot.Right ? 20 : 0;
    return pointer.Y < clientHeight - belowMargin && pointer.Y > plot.Top - 3 &&
           pointer.X < clientWidth - rightMargin && pointer.X > plot.Left - 50;
}

bool ZoomToDraggedRectangle(CGraphState& state, const CMeasurementRecord& record,
                            CPixelPoint release) {
    const CPixelPoint origin = state.DragOrigin;
    if (state.DragUntouched || std::abs(release.X - origin.X) < MIN_ZOOM_WIDTH) {
        return false;
    }
    // A zoom inside a zoom starts from the zoomed picture.
    if (state.Zoomed) {
        state.AxisLabels[0] = state.AxisLabels[1];
        const std::int32_t count = ReadingCount(record);
        for (std::int32_t n = std::max(state.RangeFirst - 1, 0); n < count; ++n) {
            const auto i = static_cast<std::size_t>(n);
            state.PlotX[i][0] = state.PlotX[i][1];
        }
    }
    state.ZoomRect = {static_cast<double>(std::min(origin.X, release.X)),
                      static_cast<double>(std::min(origin.Y, release.Y)),
                      static_cast<double>(std::max(origin.X, release.X)),
                      static_cast<double>(std::max(origin.Y, release.Y))};
    const CZoomRect& zoom = state.ZoomRect;
    const CPixelRect& plot = state.PlotRect;

    // The new level division, as the difference of the two lowest zoomed divisions.
    const std::array<float, 11>& outer = state.AxisLabels[0];
    const double span = static_cast<double>(outer[10]) - outer[0];
    const double below = plot.Bottom - zoom.Y1;
    const double height = plot.Height();
    const double lowest = outer[0] + span * below / height;
    const double next = outer[0] + span * (below + (zoom.Y1 - zoom.Y0) * 0.1) / height;
    const bool fineEnough = height > 0 && next - lowest >= MIN_ZOOM_DIVISION;

    // Two adjacent readings must stay less than a plot width apart. (Measured on the displayed
    // readings: those before RangeFirst keep the positions of an older layout.)
    const auto axis = ReadingAxisOf(state, ReadingCount(record));
    const bool readingsApart = axis && axis->Spacing < zoom.X1 - zoom.X0;

    if (!fineEnough || !readingsApart) {
        state.ApplyZoomRect = false;
        return false;
    }
    state.Zoomed = 1;
    state.VScrollSteps[1] = 0;
    state.ApplyZoomRect = true;
    state.NeedBaseLayout = false;
    state.ScrollBarsSet = false;
    state.DragUntouched = true;
    return true;
}

std::int32_t ScrollHorizontally(CGraphState& state, ScrollRequest request,
                                std::int32_t trackPosition) {
    // A layout without spacing pages by one reading.
    const auto axis = ReadingAxisOf(state, state.RangeLast);
    const std::int64_t page =
        axis ? TruncToInt((state.PlotRect.Width() + PAGE_OVERLAP) / axis->Spacing) + 1 : 1;
    const std::int64_t position = HorizontalBarPosition(state);
    const std::int64_t moved =
        ScrolledPosition(request, position, DisplayedCount(state), page, trackPosition);
    // Scrolling back (a smaller position) moves the curve to the right.
    state.HScrollOffset = Saturate(state.HScrollOffset + position - moved);
    return HorizontalBarPosition(state);
}

std::int32_t TrackPositionFromPointer(const CGraphState& state, int pointerX) {
    const CPixelRect& plot = state.PlotRect;
    const std::int32_t count = DisplayedCount(state);
    const int along = pointerX - plot.Left;
    if (along < POINTER_TRACK_MARGIN) {
        return 0;
    }
    if (pointerX > plot.Right - POINTER_TRACK_MARGIN) {
        return count;
    }
    const double share = static_cast<double>(along - POINTER_TRACK_MARGIN) /
                         (plot.Width() - 2 * POINTER_TRACK_MARGIN);
    return std::clamp(TruncToInt(share * count), 0, count);
}

std::int32_t ScrollVertically(CGraphState& state, ScrollRequest request,
                              std::int32_t trackPosition) {
    const std::int64_t position = VerticalBarPosition(state);
    const std::int64_t moved =
        ScrolledPosition(request, position, state.VScrollMax, VERTICAL_PAGE, trackPosition);
    // Scrolling up (a smaller position) shows higher levels.
    std::int32_t& steps = state.VScrollSteps[state.Column()];
    steps = Saturate(steps + position - moved);
    return VerticalBarPosition(state);
}

std::optional<double> ReadingX(const CGraphState& state, std::int32_t count, std::int32_t index) {
    const auto axis = ReadingAxisOf(state, count);
    if (!axis) {
        return std::nullopt;
    }
    return axis->X0 + axis->Spacing *
                          (static_cast<double>(state.HScrollOffset) + index - state.RangeFirst + 1);
}

bool ScrollIntoView(CGraphState& state, std::int32_t count, std::int32_t index) {
    const auto x = ReadingX(state, count, index);
    if (!state.Zoomed || !x) {
        return false;  // unzoomed, every displayed reading is in the plot
    }
    const double spacing = ReadingAxisOf(state, count)->Spacing;
    const CPixelRect& plot = state.PlotRect;
    double readings = 0.0;
    if (*x > plot.Right) {
        readings = std::ceil((*x - plot.Right) / spacing);
    } else if (*x < plot.Left) {
        readings = -std::ceil((plot.Left - *x) / spacing);
    }
    if (readings == 0.0) {
        return false;
    }
    state.HScrollOffset = Saturate(state.HScrollOffset - static_cast<std::int64_t>(readings));
    return true;
}

void ScrollByReadings(CGraphState& state, std::int32_t readings) {
    const std::int64_t target = std::clamp<std::int64_t>(
        std::int64_t{HorizontalBarPosition(state)} + readings, 0, DisplayedCount(state));
    ScrollHorizontally(state, ScrollRequest::Track, static_cast<std::int32_t>(target));
}

void ScrollByDivisions(CGraphState& state, std::int32_t divisions) {
    // The bar's start shows the highest levels.
    const std::int64_t target = std::clamp<std::int64_t>(
        std::int64_t{VerticalBarPosition(state)} - divisions, 0, std::max(state.VScrollMax, 0));
    ScrollVertically(state, ScrollRequest::Track, static_cast<std::int32_t>(target));
}

bool ZoomAround(CGraphState& state, const CMeasurementRecord& record, int x, ZoomStep step) {
    const CPixelRect& plot = state.PlotRect;
    const int width = plot.Width();
    int half = width / 4;
    if (step == ZoomStep::Out) {
        if (!state.Zoomed) {
            return false;
        }
        const auto axis = ReadingAxisOf(state, ReadingCount(record));
        const double drawn = axis ? axis->Spacing * (state.RangeLast - state.RangeFirst) : 0.0;
        if (drawn / 2 <= width) {
            ResetZoom(state);
            return true;
        }
        half = width;
    } else {
        x = std::clamp(x, plot.Left + half, std::max(plot.Right - half, plot.Left + half));
    }
    state.DragOrigin = {x - half, plot.Top};
    state.DragUntouched = false;
    return ZoomToDraggedRectangle(state, record, {x + half, plot.Bottom});
}
