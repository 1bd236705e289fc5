#pragma once

#include <vector>

#include <QColor>
#include <QFont>

#include "dialogs/display/ColorTable.h"

#include "graph/CGraphState.h"

class CSceneCanvas;
class QImage;
class QPainter;
class QRectF;
struct CGraphScene;
struct CSceneLine;
struct CSceneText;
class QRect;

// Qt's raster engine hands a fill or a copy of more rows than this to its thread pool, whose
// hand-over costs more than the work for the areas of a graph paint: they go in bands.
inline constexpr int BAND_ROWS = 64;

// Draws a composed graph scene: on the view's off-screen picture for the screen, and in the
// same order with the same layout on a printed page.
class CGraphPainter {
public:
    CGraphPainter();

    // On a picture of the scene's size in Format_RGB32.
    void Draw(QImage& picture, const CGraphScene& scene) const;
    // On a page, as vector drawing at the device's resolution: the scene's client area scaled
    // onto `page` (device coordinates).
    void DrawOnPage(QPainter& painter, const CGraphScene& scene, const QRectF& page) const;

    // The cursor readout line: its strip cleared, then the text.
    void DrawReadout(QPainter& painter, const CSceneText& readout, const QRect& strip) const;

    // The screen's face of the axis labels.
    const QFont& LabelFont() const { return m_labelFont; }

    // Where the cursor readout stands below the time axis: a line from the plot's left edge to
    // just inside the white frame, 20 pixels high or as high as the readout's text with its
    // background box, so that clearing it leaves nothing of a longer text before.
    QRect ReadoutStrip(const CPixelRect& plot, int clientWidth) const;

private:
    void DrawScene(CSceneCanvas& canvas, const CGraphScene& scene) const;

    QFont m_labelFont;
    QFont m_readoutFont;
};

// A colour as the scene keeps it.
CRgb RgbOf(const QColor& color);

// Lines with the painter's pen, a one-pixel dotted one in `color`: those along a row or a
// column of the picture are written straight into it, the same pixels at a fraction of the cost.
void DrawDottedLines(QPainter& painter, QImage& picture, const std::vector<CSceneLine>& lines,
                     QRgb color);

// Curve segments in the curve colour, and three pixels above and three below each mark point.
void DrawCurve(QPainter& painter, const std::vector<CSceneLine>& segments,
               const std::vector<CPixelPoint>& markPoints, CRgb curve);
