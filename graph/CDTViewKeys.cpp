// The keyboard and the wheel on the graph view, beside the mouse: the cursor moved reading by
// reading, zooming around the cursor or the pointer, and scrolling the zoomed curve.

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "graph/GraphLayout.h"
#include "graph/GraphScene.h"

namespace {

// A notch of a mouse wheel, in the eighths of a degree that Qt reports.
constexpr double WHEEL_NOTCH = 120.0;
// A notch scrolls a tenth of the readings in view, or one level division (a tenth of the
// plot's height); a touchpad moves the same distance over a tenth of the plot.
constexpr int STEPS_ACROSS_PLOT = 10;

}  // namespace

void CDTView::keyPressEvent(QKeyEvent* event) {
    const std::int32_t count = ReadingCount(m_doc.Record());
    if (m_state.DisplayState == GraphDisplay::Nothing || count == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const std::int32_t first = std::max(m_state.RangeFirst - 1, 0);
    const std::int32_t last = std::max(std::min(m_state.RangeLast, count) - 1, 0);
    // Without a cursor line the first arrow puts it on the first reading in view.
    const bool placed = !m_state.CursorHidden;
    const std::int32_t from = placed ? m_state.CursorIndex : ReadingsShown().First - 1;
    std::int32_t step = placed ? 1 : 0;
    if (placed && event->modifiers().testFlag(Qt::ShiftModifier)) {
        step = std::max(ReadingsShown().Count() - 1, 1);  // a page: the readings in view
    }
    switch (event->key()) {
        case Qt::Key_Left:
            PlaceCursor(from - step);
            break;
        case Qt::Key_Right:
            PlaceCursor(from + step);
            break;
        case Qt::Key_Home:
            PlaceCursor(first);
            break;
        case Qt::Key_End:
            PlaceCursor(last);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:  // the plus key's own place on many keyboards
            ZoomAroundCursor(ZoomStep::In);
            break;
        case Qt::Key_Minus:
            ZoomAroundCursor(ZoomStep::Out);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CDTView::PlaceCursor(std::int32_t index) {
    const std::int32_t count = ReadingCount(m_doc.Record());
    index = std::clamp(index, std::max(m_state.RangeFirst - 1, 0),
                       std::max(std::min(m_state.RangeLast, count) - 1, 0));
    if (ScrollIntoView(m_state, count, index)) {
        ShowScrolled();
    }
    m_mouse.PlaceCursorOn(index);
}

void CDTView::ZoomAroundCursor(ZoomStep step) {
    const CPixelRect& plot = m_state.PlotRect;
    ZoomAt(m_state.CursorHidden ? (plot.Left + plot.Right) / 2 : m_state.CursorX, step);
}

void CDTView::ZoomAt(int x, ZoomStep step) {
    const bool cursorShown = !m_state.CursorHidden;
    if (!ZoomAround(m_state, m_doc.Record(), x, step)) {
        return;
    }
    m_mouse.HideCursorLine();
    // Laid out now rather than at the next paint: a further zoom nests in this layout, and the
    // reading under the cursor keeps the cursor at its place in it.
    ComputeBaseLayout(m_state, m_doc.Record(), GrowingSeries(m_doc));
    if (m_state.Zoomed) {
        ComputeZoomedLayout(m_state);
    }
    Redraw();
    if (cursorShown) {
        PlaceCursor(m_state.CursorIndex);
    }
}

void CDTView::ShowScrolled() {
    if (m_horizontalBar) {
        m_horizontalBar->setSliderPosition(HorizontalBarPosition(m_state));
    }
    if (m_verticalBar) {
        m_verticalBar->setSliderPosition(VerticalBarPosition(m_state));
    }
    Redraw();
}

void CDTView::wheelEvent(QWheelEvent* event) {
    const bool zoom = event->modifiers().testFlag(Qt::ControlModifier);
    const bool levels = event->modifiers().testFlag(Qt::ShiftModifier);
    if (m_state.DisplayState == GraphDisplay::Nothing || ReadingCount(m_doc.Record()) < 2 ||
        (!zoom && !m_state.Zoomed)) {
        event->ignore();
        return;
    }
    // Shift turns a vertical wheel into a horizontal one on some systems.
    const bool pixels = !event->pixelDelta().isNull();
    const QPoint delta = pixels ? event->pixelDelta() : event->angleDelta();
    const CPixelRect& plot = m_state.PlotRect;
    const int across = levels || zoom ? plot.Height() : plot.Width();
    const double unit = pixels ? std::max(across / STEPS_ACROSS_PLOT, 1) : WHEEL_NOTCH;
    // What is left of a turn of another kind does not count towards this one.
    const int kind = (zoom ? 1 : 0) | (levels ? 2 : 0) | (pixels ? 4 : 0);
    if (kind != m_wheelKind) {
        m_wheelKind = kind;
        m_wheelCarry = 0.0;
    }
    m_wheelCarry += (delta.y() != 0 ? delta.y() : delta.x()) / unit;
    const auto steps = static_cast<std::int32_t>(std::trunc(m_wheelCarry));
    m_wheelCarry -= steps;
    if (steps == 0) {
        event->accept();
        return;
    }
    if (zoom) {
        const int x = static_cast<int>(event->position().x());
        for (std::int32_t i = 0; i < std::abs(steps); ++i) {
            ZoomAt(x, steps > 0 ? ZoomStep::In : ZoomStep::Out);
        }
    } else if (levels) {
        ScrollByDivisions(m_state, steps);
        ShowScrolled();
    } else {
        // Turning the wheel towards the user brings later readings.
        const std::int32_t perStep = std::max(ReadingsShown().Count() / STEPS_ACROSS_PLOT, 1);
        ScrollByReadings(m_state, -steps * perStep);
        ShowScrolled();
    }
    event->accept();
}
