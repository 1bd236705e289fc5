#pragma once

#include <QImage>
#include <QSize>

#include "dialogs/display/ColorTable.h"
#include "graph/CGraphHost.h"
#include "graph/GraphScene.h"
#include "platform/CSettings.h"

class CDTDoc;
class CGraphPainter;

// Draws the composed scene into `picture`, which takes the scene's client size; a picture of
// that size already has its memory used again, as the view's kept picture does.
void PaintGraphPicture(const CGraphPainter& painter, const CGraphScene& scene, QImage& picture);

// The graph of a measurement just read from a file as a new graph view of `viewSize` composes
// it for a printer page, with the display switches and colours of the settings file: for
// printing without a window. Takes the file in as the view's first paint does: the panel
// texts, the whole series, unzoomed.
CGraphScene PrintedSceneOfLoadedFile(CDTDoc& doc, QSize viewSize, const CViewSettings& settings,
                                const CGraphColorIndexes& colors, CRgb buttonFace);
