#pragma once

#include <vector>

#include <QFont>

#include "dialogs/display/ColorTable.h"

#include "graph/CGraphState.h"

class QImage;
class QPainter;
struct CGraphScene;
struct CSceneLine;
struct CSceneText;
class QRect;

// Draws a composed graph scene: on the view's off-screen picture, from which the screen and
// the printer both take their copy.
class CGraphPainter {
public:
    CGraphPainter();

    void Draw(QPainter& painter, const CGraphScene& scene) const;

    // The cursor readout line: its strip cleared, then the text.
    void DrawReadout(QPainter& painter, const CSceneText& readout, const QRect& strip) const;

private:
    QFont m_labelFont;
    QFont m_readoutFont;
};

// Where the cursor readout stands below the time axis: a line 20 pixels high from the plot's
// left edge to just inside the white frame.
QRect ReadoutStrip(const CPixelRect& plot, int clientWidth);

// The curve in the curve colour: the segments, and with `markPoints` six pixels above and
// below both ends of each.
void DrawCurve(QPainter& painter, const std::vector<CSceneLine>& segments, CRgb curve,
               bool markPoints);

// Copies the composed picture onto a printer page whose painter is `page`: stretched over the
// whole page for the graph report, at its own size at the top-left corner for the list report.
void CopyToPage(QPainter& page, const QImage& picture, GraphDisplay display);
