#include "graph/ReadingsInView.h"

#include <cmath>

#include "graph/GraphLayout.h"

CReadingSpan ReadingsInView(const CGraphState& state, std::int32_t count) {
    if (count <= 0 || state.DisplayState == GraphDisplay::Nothing) {
        return {};
    }
    const std::int32_t last = std::clamp(state.RangeLast, 1, count);
    CReadingSpan span{std::clamp(state.RangeFirst, 1, last), last};
    const bool zoomed = !state.NeedBaseLayout && state.RangeFirst < state.RangeLast;
    const auto axis = zoomed ? ReadingAxisOf(state, count) : std::nullopt;
    if (!axis) {
        return span;
    }
    // Reading i (0-based) is drawn at X0 + spacing × (scroll + i − RangeFirst + 1).
    const auto readingAt = [&](int x) {
        return (x - axis->X0) / axis->Spacing - state.HScrollOffset + state.RangeFirst - 1;
    };
    const double left = std::ceil(readingAt(state.PlotRect.Left)) + 1;
    const double right = std::floor(readingAt(state.PlotRect.Right)) + 1;
    if (left > span.First) {
        span.First = left > span.Last ? span.Last + 1 : static_cast<std::int32_t>(left);
    }
    if (right < span.Last) {
        span.Last = right < span.First ? span.First - 1 : static_cast<std::int32_t>(right);
    }
    return span;
}
