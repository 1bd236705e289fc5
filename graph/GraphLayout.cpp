#include "graph/GraphLayout.h"

#include <algorithm>
#include <cmath>

#include "document/CMeasurementRecord.h"

namespace {

// Readings a real-time scale ends at; a real-time run never holds more.
constexpr std::int32_t SCALE_END = REAL_TIME_CAPACITY;

// The scale grows by 12/11 only where a twelfth of the width is at least a pixel; a narrower
// plot counts as this wide, so the scale still grows and its table ends.
constexpr int MIN_SCALE_WIDTH = 12;

// Equal ends of the level axis, which only a hand-edited settings file holds, would put every
// reading infinitely far away: the axis then spans this much above its low end.
constexpr double EMPTY_AXIS_SPAN = 10.0;

// The smallest zoomed level division, in dB.
constexpr float MIN_ZOOM_DIVISION = 0.01f;

std::int32_t Saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

bool IsUsable(double value) {
    return value != 0.0 && std::isfinite(value);
}

// The entry after `previous` in the real-time scale: with a plot W wide, the readings that
// put the `previous` ones on 11/12 of the width.
std::int32_t NextScaleEntry(std::int32_t previous, int width) {
    const int w = std::max(width, MIN_SCALE_WIDTH);
    const float spacing = static_cast<float>(static_cast<double>(w - w / 12) / (previous - 1));
    return TruncToInt(w / static_cast<double>(spacing) + 1.0);
}

// Levels truncated toward zero to whole hundredths of a dB.
float TruncHundredths(double level) {
    return static_cast<float>(TruncToInt(level * 100.0) * 0.01);
}

}  // namespace

CPixelRect PlotRectFor(int clientWidth, int clientHeight, int panelHeight) {
    return {100, panelHeight + 70, clientWidth - 80, clientHeight - 110};
}

CPixelRect PanelRectFor(const CPixelRect& plot, int clientWidth) {
    return {20, plot.Top - 18, clientWidth - 20, plot.Bottom + 55};
}

void FitToRecord(CGraphState& state, const CMeasurementRecord& record) {
    const auto capacity = static_cast<std::size_t>(record.Capacity());
    if (state.PlotX.size() != capacity) {
        state.PlotX.assign(capacity, {});
    }
    const std::int32_t count = ReadingCount(record);
    state.RangeLast = std::clamp(state.RangeLast, std::min(1, count), count);
    state.RangeFirst = std::clamp(state.RangeFirst, std::min(1, count), state.RangeLast);
}

void ResetZoom(CGraphState& state) {
    state.Zoomed = 0;
    state.NeedBaseLayout = true;
    state.HScrollOffset = 0;
    state.LeftEdgeIndex = 0;
    state.VScrollSteps[0] = 0;
    state.VScrollMid = 0;
}

void FillScaleTable(CGraphState& state) {
    const int width = state.PlotRect.Width();
    state.ScaleTable.assign(1, 100);
    while (state.ScaleTable.back() < SCALE_END) {
        state.ScaleTable.push_back(NextScaleEntry(state.ScaleTable.back(), width));
    }
}

void ComputeBaseLayout(CGraphState& state, const CMeasurementRecord& record, bool realTimeRun) {
    FitToRecord(state, record);
    const CPixelRect& plot = state.PlotRect;
    const int width = plot.Width();
    const std::int32_t count = ReadingCount(record);

    if (realTimeRun) {
        if (count == 1) {
            ResetZoom(state);
            state.ScaleLevel = 0;
        }
        const auto lastLevel = static_cast<std::int32_t>(state.ScaleTable.size()) - 1;
        state.ScaleLevel = std::clamp(state.ScaleLevel, 0, lastLevel);
        const auto level = static_cast<std::size_t>(state.ScaleLevel);
        const std::int32_t filling = state.ScaleTable[level];
        state.SampleSpacing = static_cast<float>(width / static_cast<double>(filling - 1));
        if (count - state.RangeFirst >= filling) {
            // This paint keeps the old spacing; the repaint that ScaleChanged asks for uses
            // the next entry, on which the curve fills 11/12 of the width.
            state.ScaleChanged = true;
            state.ScaleTable.resize(std::max(state.ScaleTable.size(), level + 2));
            state.ScaleTable[level + 1] = NextScaleEntry(filling, width);
            ++state.ScaleLevel;
        }
    } else if (count < 2 || state.RangeLast <= state.RangeFirst) {
        state.SampleSpacing = static_cast<float>(width);
    } else {
        state.SampleSpacing =
            static_cast<float>(width / static_cast<double>(state.RangeLast - state.RangeFirst));
    }

    if (!state.NeedBaseLayout) {
        return;
    }
    state.LastPlotRect = plot;
    const double low = state.Settings.AxisLow;
    double span = static_cast<double>(state.Settings.AxisHigh) - low;
    if (span == 0.0) {
        span = EMPTY_AXIS_SPAN;
    }
    std::array<float, 11>& labels = state.AxisLabels[0];
    for (int i = 0; i <= 10; ++i) {
        labels[static_cast<std::size_t>(i)] = static_cast<float>(span * i * 0.1 + low);
    }
    if (state.RangeFirst >= state.RangeLast) {
        return;
    }
    state.PlotX[static_cast<std::size_t>(state.RangeFirst - 1)][0] = plot.Left;
    const double spacing = state.SampleSpacing;
    for (std::int32_t n = state.RangeFirst; n < state.RangeLast; ++n) {
        state.PlotX[static_cast<std::size_t>(n)][0] =
            (n - state.RangeFirst + 1) * spacing + plot.Left;
    }
}

void ComputeZoomedLayout(CGraphState& state) {
    const CPixelRect& plot = state.PlotRect;
    const CPixelRect& last = state.LastPlotRect;
    const int width = plot.Width();
    const int height = plot.Height();
    const bool resized = plot != last;
    if (resized) {
        state.ApplyZoomRect = false;
    }

    const CZoomRect& zoom = state.ZoomRect;
    if (state.ApplyZoomRect && height > 0) {
        const std::array<float, 11>& outer = state.AxisLabels[0];
        const double span = static_cast<double>(outer[10]) - outer[0];
        const double below = plot.Bottom - zoom.Y1;
        state.ZoomLow = TruncHundredths(outer[0] + span * below / height);
        state.ZoomNext =
            TruncHundredths(outer[0] + span * (below + (zoom.Y1 - zoom.Y0) * 0.1) / height);
    }
    // Truncation can make both divisions equal; the axis then takes the smallest division.
    const float division =
        state.ZoomNext != state.ZoomLow ? state.ZoomNext - state.ZoomLow : MIN_ZOOM_DIVISION;
    std::array<float, 11>& labels = state.AxisLabels[1];
    for (int i = 0; i <= 10; ++i) {
        labels[static_cast<std::size_t>(i)] =
            state.ZoomLow + division * static_cast<float>(i + state.VScrollSteps[1]);
    }

    const double zoomWidth = zoom.X1 - zoom.X0;
    const bool stretch = state.ApplyZoomRect && zoomWidth > 0.0;
    // A plot without width keeps the zoomed positions for the next usable size.
    const bool rescale = resized && width > 0 && last.Width() > 0;
    if (!stretch && !rescale) {
        return;
    }
    for (std::int32_t n = std::max(state.RangeFirst - 1, 0); n < state.RangeLast; ++n) {
        std::array<double, 2>& x = state.PlotX[static_cast<std::size_t>(n)];
        if (stretch) {
            x[1] = plot.Left - (zoom.X0 - x[0]) * width / zoomWidth;
        }
        if (rescale) {
            x[1] = (x[1] - last.Left) / last.Width() * width + plot.Left;
        }
    }
}

std::optional<CScrollBarSetup> SetUpScrollBars(CGraphState& state,
                                               const CMeasurementRecord& record) {
    if (state.ScrollBarsSet || ReadingCount(record) <= 1 || state.RangeFirst >= state.RangeLast) {
        return std::nullopt;
    }
    const auto z = state.Column();
    const auto first = static_cast<std::size_t>(state.RangeFirst - 1);
    const double x0 = state.PlotX[first][z];
    const double spacing = state.PlotX[first + 1][z] - x0;
    const double offset = state.HScrollOffset;
    if (IsUsable(spacing)) {
        state.LeftEdgeIndex =
            TruncToInt(offset + (state.PlotRect.Left - (x0 + spacing * offset)) / spacing);
    }
    const std::array<float, 11>& labels = state.AxisLabels[z];
    const double division = static_cast<double>(labels[1]) - labels[0];
    if (IsUsable(division)) {
        const double low = state.Settings.AxisLow;
        state.VScrollMid = TruncToInt((labels[5] - low) / division);
        state.VScrollMax = TruncToInt((state.Settings.AxisHigh - low) / division);
    }
    state.ScrollBarsSet = true;
    return CScrollBarSetup{HorizontalBarPosition(state), state.VScrollMax,
                           VerticalBarPosition(state)};
}

std::int32_t HorizontalBarPosition(const CGraphState& state) {
    return Saturate(std::int64_t{state.LeftEdgeIndex} - state.HScrollOffset + 1);
}

std::int32_t VerticalBarPosition(const CGraphState& state) {
    return Saturate(std::int64_t{state.VScrollMax} - state.VScrollSteps[state.Column()] -
                    state.VScrollMid + 1);
}

std::optional<CReadingAxis> ReadingAxisOf(const CGraphState& state, std::int32_t count) {
    if (count <= 1 || state.RangeFirst < 1 || state.RangeFirst >= state.RangeLast ||
        static_cast<std::size_t>(state.RangeFirst) >= state.PlotX.size()) {
        return std::nullopt;
    }
    const auto z = state.Column();
    const auto first = static_cast<std::size_t>(state.RangeFirst - 1);
    const double x0 = state.PlotX[first][z];
    const double spacing = state.PlotX[first + 1][z] - x0;
    // A plot without width (or a damaged zoom) has no spacing to step along.
    if (!(spacing > 0.0) || !std::isfinite(spacing) || !std::isfinite(x0)) {
        return std::nullopt;
    }
    return CReadingAxis{x0, spacing};
}
