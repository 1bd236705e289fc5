#pragma once

#include <QFont>

#include "graph/CGraphState.h"

class QImage;
class QPainter;
struct CGraphScene;

// Draws a composed graph scene: on the view's off-screen picture, from which the screen and
// the printer both take their copy.
class CGraphPainter {
public:
    CGraphPainter();

    void Draw(QPainter& painter, const CGraphScene& scene) const;

private:
    QFont m_labelFont;
    QFont m_readoutFont;
};

// Copies the composed picture onto a printer page whose painter is `page`: stretched over the
// whole page for the graph report, at its own size at the top-left corner for the list report.
void CopyToPage(QPainter& page, const QImage& picture, GraphDisplay display);
