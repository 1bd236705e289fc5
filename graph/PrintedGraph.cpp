#include "graph/PrintedGraph.h"

#include "document/CDTDoc.h"
#include "graph/GraphLayout.h"
#include "graph/GraphPainter.h"
#include "graph/GraphScene.h"

void PaintGraphPicture(const CGraphPainter& painter, const CGraphScene& scene, QImage& picture) {
    const QSize size(scene.ClientWidth, scene.ClientHeight);
    if (picture.size() != size || picture.format() != QImage::Format_RGB32) {
        picture = QImage(size, QImage::Format_RGB32);
    }
    if (!picture.isNull()) {
        painter.Draw(picture, scene);
    }
}

CGraphScene PrintedSceneOfLoadedFile(CDTDoc& doc, QSize viewSize, const CViewSettings& settings,
                                const CGraphColorIndexes& colors, CRgb buttonFace) {
    CGraphState state;
    state.Settings = settings;
    state.PlotRect = PlotRectFor(viewSize.width(), viewSize.height(), state.PanelHeight);
    FillScaleTable(state);
    state.DisplayState = GraphDisplay::Graph;

    CSceneInputs inputs;
    inputs.ClientWidth = viewSize.width();
    inputs.ClientHeight = viewSize.height();
    inputs.Printer = true;
    inputs.Colors = colors;
    inputs.ButtonFace = buttonFace;
    CGraphScene scene = ComposeGraphScene(state, doc, inputs);
    doc.FileJustLoaded = false;
    return scene;
}
