#include "graph/CGraphMouse.h"

#include <algorithm>

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

#include "dialogs/display/CDinLevelDlg.h"
#include "dialogs/display/LevelAssessment.h"
#include "document/CDTDoc.h"
#include "graph/CDTView.h"
#include "graph/CGraphHost.h"
#include "graph/GraphInteraction.h"
#include "graph/GraphLayout.h"

namespace {

constexpr int CURSOR_WATCH_MS = 100;
constexpr int DRAG_WATCH_MS = 10;
// The info panel's height when the full-window toggle brings it back.
constexpr int FULL_PANEL_HEIGHT = 140;
// A right click this close beyond the plot's ends still counts where it is.
constexpr int ASSESSMENT_SLACK = 5;

// The marks that follow the mouse invert what lies under them, so that they show over any
// background colour and the picture comes back when they go.
void Invert(QPainter& painter, int x, int y, int width, int height) {
    if (width > 0 && height > 0) {
        painter.fillRect(x, y, width, height, Qt::white);
    }
}

// A frame one pixel wide, each pixel inverted once.
void InvertFrame(QPainter& painter, const QRect& rect) {
    if (rect.width() < 1 || rect.height() < 1) {
        return;
    }
    Invert(painter, rect.left(), rect.top(), rect.width(), 1);
    if (rect.height() > 1) {
        Invert(painter, rect.left(), rect.bottom(), rect.width(), 1);
    }
    Invert(painter, rect.left(), rect.top() + 1, 1, rect.height() - 2);
    if (rect.width() > 1) {
        Invert(painter, rect.right(), rect.top() + 1, 1, rect.height() - 2);
    }
}

CPixelPoint PointOf(const QMouseEvent& event) {
    const QPoint at = event.position().toPoint();
    return {at.x(), at.y()};
}

}  // namespace

CGraphMouse::CGraphMouse(CDTView& view, CDTDoc& doc, CGraphHost& host)
    : m_view(view), m_doc(doc), m_host(host) {
    m_cursorWatch.setSingleShot(true);
    m_cursorWatch.setInterval(CURSOR_WATCH_MS);
    connect(&m_cursorWatch, &QTimer::timeout, this, [this] {
        const int y = Pointer().Y;
        if (!(State().PlotRect.Top < y && y < State().PlotRect.Bottom)) {
            HideCursorLine();
        }
    });
    m_dragWatch.setInterval(DRAG_WATCH_MS);
    connect(&m_dragWatch, &QTimer::timeout, this, &CGraphMouse::WatchDrag);
}

void CGraphMouse::Press(const QMouseEvent& event) {
    if (!Interactive()) {
        return;
    }
    const CPixelPoint point = PointOf(event);
    if (event.button() == Qt::LeftButton) {
        StartDrag(ClampToPlot(State().PlotRect, point));
    } else if (event.button() == Qt::RightButton && m_view.LevelWindow()) {
        const CPixelRect& plot = State().PlotRect;
        if (plot.Left - ASSESSMENT_SLACK <= point.X && point.X <= plot.Right + ASSESSMENT_SLACK) {
            m_view.setCursor(Qt::CrossCursor);
        }
    }
}

void CGraphMouse::Move(const QMouseEvent& event) {
    if (!Interactive()) {
        return;
    }
    CGraphState& state = State();
    const CPixelRect& plot = state.PlotRect;
    CPixelPoint point = PointOf(event);
    point.X = ClampToPlot(plot, point).X;
    if (state.DragActive) {
        FollowDrag(ClampToPlot(plot, point));
        return;
    }
    if (!(plot.Top + 1 <= point.Y && point.Y <= plot.Bottom)) {
        HideCursorLine();
        return;
    }
    m_cursorWatch.start();
    const std::int32_t count = ReadingCount(m_doc.Record());
    if (count == 1) {
        state.CursorIndex = 0;
    } else if (const auto reading = CursorReading(state, count, point.X)) {
        state.CursorIndex = *reading;
    }
    MoveCursorLine(point.X);
    if (0 <= state.CursorIndex && state.CursorIndex < count) {
        state.ReadoutText = CursorReadout(m_doc.Record(), state.CursorIndex);
        m_view.ShowReadout();
    }
}

void CGraphMouse::Release(const QMouseEvent& event) {
    if (event.button() == Qt::LeftButton) {
        State().Dragging = false;
        if (Interactive()) {
            EndDrag(ClampToPlot(State().PlotRect, PointOf(event)));
        }
    } else if (event.button() == Qt::RightButton && m_view.LevelWindow() && Interactive()) {
        m_view.unsetCursor();
        AssessLevelsAt(PointOf(event).X);
    }
}

void CGraphMouse::DoubleClick(const QMouseEvent& event) {
    // The second press of a double click starts no drag.
    if (event.button() == Qt::LeftButton) {
        ToggleFullWindow();
    }
}

void CGraphMouse::PaintMarks(QPainter& painter, const QImage& picture) const {
    const CGraphState& state = State();
    if (!state.CursorHidden) {
        // Dotted: every other pixel down the column inverted, from the top row on. The column
        // comes whole from the picture below it, in one copy rather than a fill per pixel;
        // clipped to itself, the copy is a plain one (see CDTView::paintEvent).
        const QImage column = DottedCursorColumn(picture);
        painter.setClipRect(state.CursorX, state.PlotRect.Top, 1, column.height());
        painter.drawImage(state.CursorX, state.PlotRect.Top, column);
        painter.setClipping(false);
    }
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    if (state.DragActive && !state.DragUntouched) {
        InvertFrame(painter, DragRectangle());
    }
}

QImage CGraphMouse::DottedCursorColumn(const QImage& picture) const {
    const CPixelRect& plot = State().PlotRect;
    QImage column = picture.copy(State().CursorX, plot.Top, 1, std::max(plot.Height() + 1, 0));
    uchar* const bits = column.bits();
    for (int y = 0; y < column.height(); y += 2) {
        QRgb& pixel = *reinterpret_cast<QRgb*>(bits + y * column.bytesPerLine());
        pixel = ~pixel | 0xff000000u;  // the colour inverted, opaque
    }
    return column;
}

CGraphState& CGraphMouse::State() const {
    return m_view.State();
}

bool CGraphMouse::Interactive() const {
    return ReadingCount(m_doc.Record()) > 0 && State().DisplayState != GraphDisplay::Nothing;
}

CPixelPoint CGraphMouse::Pointer() const {
    const QPoint point = m_view.mapFromGlobal(QCursor::pos());
    return {point.x(), point.y()};
}

void CGraphMouse::UpdateCursorColumn() const {
    const CPixelRect& plot = State().PlotRect;
    m_view.update(State().CursorX, plot.Top, 1, plot.Height() + 1);
}

void CGraphMouse::MoveCursorLine(int x) {
    if (!State().CursorHidden) {
        UpdateCursorColumn();
    }
    State().CursorHidden = false;
    State().CursorX = x;
    UpdateCursorColumn();
}

void CGraphMouse::PlaceCursorOn(std::int32_t index) {
    if (!Interactive()) {
        return;
    }
    CGraphState& state = State();
    const CMeasurementRecord& record = m_doc.Record();
    const CPixelRect& plot = state.PlotRect;
    // A single reading stands at the plot's left edge.
    const double x = ReadingX(state, ReadingCount(record), index).value_or(plot.Left);
    m_cursorWatch.stop();
    state.CursorIndex = index;
    MoveCursorLine(ClampToPlot(plot, {static_cast<int>(x), plot.Top}).X);
    state.ReadoutText = CursorReadout(record, index);
    m_view.ShowReadout();
}

void CGraphMouse::HideCursorLine() {
    if (!State().CursorHidden) {
        State().CursorHidden = true;
        UpdateCursorColumn();
    }
}

void CGraphMouse::StartDrag(CPixelPoint point) {
    HideCursorLine();
    CGraphState& state = State();
    state.DragOrigin = point;
    state.DragCorner = point;
    state.ApplyZoomRect = false;
    state.DragActive = true;
    state.DragUntouched = true;
    m_dragWatch.start();
}

void CGraphMouse::FollowDrag(CPixelPoint point) {
    CGraphState& state = State();
    state.Dragging = true;
    if (point.X != state.DragOrigin.X || point.Y != state.DragOrigin.Y) {
        m_view.update(DragRectangle());
        state.DragUntouched = false;
        state.DragCorner = point;
        m_view.update(DragRectangle());
    }
    state.DragCorner = point;
}

void CGraphMouse::EndDrag(CPixelPoint point) {
    CGraphState& state = State();
    if (state.DragActive) {
        m_view.update(DragRectangle());
        state.DragActive = false;
        m_dragWatch.stop();
    }
    ZoomToDraggedRectangle(state, m_doc.Record(), point);
    m_view.Redraw();
}

void CGraphMouse::WatchDrag() {
    CGraphState& state = State();
    if (state.DragActive && InsideDragZone(state, m_view.width(), m_view.height(), Pointer())) {
        return;
    }
    if (state.DragActive) {
        state.ApplyZoomRect = false;
        state.DragActive = false;
        state.Dragging = false;
        state.DragUntouched = true;
        m_view.Redraw();
    }
    m_dragWatch.stop();
}

QRect CGraphMouse::DragRectangle() const {
    const CPixelPoint a = State().DragOrigin;
    const CPixelPoint b = State().DragCorner;
    // The right and bottom edges lie outside, as with every rectangle of the layout.
    return QRect(QPoint(std::min(a.X, b.X), std::min(a.Y, b.Y)),
                 QPoint(std::max(a.X, b.X) - 1, std::max(a.Y, b.Y) - 1));
}

void CGraphMouse::AssessLevelsAt(int x) {
    CGraphState& state = State();
    const CPixelRect& plot = state.PlotRect;
    if (x <= plot.Left - ASSESSMENT_SLACK) {
        x = plot.Left;
    } else if (x >= plot.Right + ASSESSMENT_SLACK) {
        x = plot.Right;
    }
    const CMeasurementRecord& record = m_doc.Record();
    const std::int32_t under =
        ReadingUnder(state, ReadingCount(record), x).value_or(state.RangeFirst - 1);
    const CLevelAssessment assessment = AssessTwoHours(record, under + 1);
    m_view.LevelWindow()->Show(assessment);
    state.RangeFirst = assessment.First;
    state.RangeLast = assessment.Last;
    m_view.UndoZoom();
}

void CGraphMouse::ToggleFullWindow() {
    CGraphState& state = State();
    state.ExpandedLayout = !state.ExpandedLayout;
    const bool expanded = state.ExpandedLayout;
    m_host.ExpandGraph(expanded);
    m_view.SetInfoPanelHeight(!expanded && m_host.InfoPanelWanted() ? FULL_PANEL_HEIGHT : 0);
}
