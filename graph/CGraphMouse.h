#pragma once

#include <cstdint>

#include <QImage>
#include <QObject>
#include <QTimer>

#include "graph/CGraphState.h"

class CDTDoc;
class CDTView;
class CGraphHost;
class QMouseEvent;
class QPainter;
class QRect;

// What the mouse does on the graph view: the cursor line and its readout, the zoom rectangle
// dragged with the left button, the full-window toggle on a double click, and the level
// assessment with the right button while the level window is shown. The cursor line and the
// rectangle are marks over the view's kept picture; the readout is drawn into it.
class CGraphMouse : public QObject {
    Q_OBJECT
public:
    CGraphMouse(CDTView& view, CDTDoc& doc, CGraphHost& host);

    void Press(const QMouseEvent& event);
    void Move(const QMouseEvent& event);
    void Release(const QMouseEvent& event);
    void DoubleClick(const QMouseEvent& event);

    // The cursor line and the drag rectangle, over `picture`, which the view has just painted.
    void PaintMarks(QPainter& painter, const QImage& picture) const;

    // The cursor line and the readout on 0-based reading `index`, as a mouse move there
    // shows them; the keyboard moves them so. The line stays until the mouse moves it.
    void PlaceCursorOn(std::int32_t index);
    void HideCursorLine();

private:
    CGraphState& State() const;
    // Mouse input counts only while a measurement is shown.
    bool Interactive() const;
    CPixelPoint Pointer() const;
    void UpdateCursorColumn() const;
    void MoveCursorLine(int x);
    // The picture's pixels under the cursor line, every other one inverted.
    QImage DottedCursorColumn(const QImage& picture) const;
    void StartDrag(CPixelPoint point);
    void FollowDrag(CPixelPoint point);
    void EndDrag(CPixelPoint point);
    void WatchDrag();
    QRect DragRectangle() const;
    void AssessLevelsAt(int x);
    void ToggleFullWindow();

    CDTView& m_view;
    CDTDoc& m_doc;
    CGraphHost& m_host;
    // Removes the cursor line soon after the pointer has left the plot's height, even when no
    // further mouse message reaches the view.
    QTimer m_cursorWatch;
    // Cancels a drag whose pointer has gone well beyond the plot.
    QTimer m_dragWatch;
};
