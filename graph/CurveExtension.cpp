#include "graph/CurveExtension.h"

#include "document/CMeasurementRecord.h"

namespace {

// One end strictly on each side of the line at `edge`.
bool Straddles(int a, int b, int edge) {
    return (a < edge && b > edge) || (a > edge && b < edge);
}

bool CrossesAnEdge(const CSceneLine& s, const CPixelRect& plot) {
    return Straddles(s.X1, s.X2, plot.Left) || Straddles(s.X1, s.X2, plot.Right) ||
           Straddles(s.Y1, s.Y2, plot.Top) || Straddles(s.Y1, s.Y2, plot.Bottom);
}

CCurveExtension RepaintAll() {
    CCurveExtension extension;
    extension.Repaint = true;
    return extension;
}

}  // namespace

CCurveExtension ExtendCurve(CGraphState& state, const CMeasurementRecord& record,
                            bool realTimeRun) {
    const std::int32_t count = ReadingCount(record);
    // A scale step left by the last paint is shown now.
    if (!state.Dragging && (state.ScaleChanged || count < 3)) {
        state.ScaleChanged = false;
        return RepaintAll();
    }
    ComputeBaseLayout(state, record, realTimeRun);
    // The reading that steps the scale would stand beyond the right edge at the old spacing:
    // the new scale is shown at once rather than with the next reading.
    if (!state.Dragging && state.ScaleChanged) {
        state.ScaleChanged = false;
        return RepaintAll();
    }
    CCurveExtension extension;
    if (!state.NeedBaseLayout && state.RangeFirst < state.RangeLast) {
        ComputeZoomedLayout(state);
        extension.ScrollBars = SetUpScrollBars(state, record);
    }
    const auto axis = ReadingAxisOf(state, count);
    if (state.Dragging || !axis) {
        return extension;
    }
    const CSceneLine segment = CCurvePlacer(state, record, *axis).Segment(count - state.RangeFirst);
    if (CrossesAnEdge(segment, state.PlotRect)) {
        extension.Repaint = true;
    } else if (SegmentVisible(segment, state.PlotRect)) {
        extension.Segment = segment;
    }
    return extension;
}
