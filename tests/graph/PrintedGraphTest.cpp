// The printed graph's PDF read back with poppler's tools and held against the screen's picture.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include <QFontMetricsF>

#include "document/CDTDoc.h"
#include "graph/CDataListModel.h"
#include "graph/GraphPainter.h"
#include "graph/PrintedGraph.h"
#include "graph/ReportPages.h"
#include "tests/PdfTools.h"
#include "tests/QtTestEnvironment.h"
#include "tests/TempDir.h"
#include "tests/document/ExampleRecord.h"

namespace {

// A4 less the PDF's 10-millimetre margins, in points.
constexpr double PAGE_LEFT = 10.0 / 25.4 * 72, PAGE_TOP = PAGE_LEFT;
constexpr double PAGE_WIDTH = 595.276 - 2 * PAGE_LEFT, PAGE_HEIGHT = 841.89 - 2 * PAGE_TOP;
constexpr int DPI = 150;
const QSize VIEW(1200, 800);

// The smallest box holding every pixel of the plot's green (give or take the edges' blending).
QRect GreenBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const bool green = c.red() < 40 && c.blue() < 40 && std::abs(c.green() - 128) < 40;
            box |= green ? QRect(x, y, 1, 1) : QRect();
        }
    }
    return box;
}

TEST(PrintedGraph, pdfPage_carriesTheScreensLabelsAndLayoutScaled_asVectors) {
    CTempDir dir;
    CDTDoc doc;
    doc.ReplaceRecord(ExampleRecord(500), DocumentChange::Downloaded);
    doc.FileJustLoaded = true;
    const CGraphScene scene =
        PrintedSceneOfLoadedFile(doc, VIEW, CViewSettings{}, {7, 0, 2}, {236, 236, 236});
    CDataListModel table(doc);
    const auto pdf = dir / "graph.pdf";
    std::ofstream out(pdf, std::ios::binary);
    ASSERT_TRUE(
        WriteReportPdf(out, {GraphDisplay::Graph, doc.Record(), table, true, scene, 0}, 1, 1));
    out.close();
    // Nothing is a picture: the page is drawn, not pasted.
    EXPECT_EQ(CommandOutput("pdfimages -list " + Quoted(pdf) + " | tail -n +3"), "");

    const CGraphPainter painter;
    QImage screen;
    PaintGraphPicture(painter, scene, screen);
    const double pointsPerPixelX = PAGE_WIDTH / VIEW.width();
    const double pointsPerPixelY = PAGE_HEIGHT / VIEW.height();

    // The plot's corners, on the screen and on the page rendered at 150 dpi.
    const QRect onScreen = GreenBox(screen).adjusted(0, 0, 1, 1);
    ASSERT_EQ(onScreen, QRect(QPoint(scene.Plot.Left, scene.Plot.Top),
                              QPoint(scene.Plot.Right, scene.Plot.Bottom)));
    const QRect onPage =
        GreenBox(RenderPdfPage(pdf, 1, DPI, dir / "graph.png")).adjusted(0, 0, 1, 1);
    const double dotsX = pointsPerPixelX * DPI / 72;
    const double dotsY = pointsPerPixelY * DPI / 72;
    EXPECT_NEAR(onPage.left(), (PAGE_LEFT * DPI / 72) + onScreen.left() * dotsX, 2.0);
    EXPECT_NEAR(onPage.top(), (PAGE_TOP * DPI / 72) + onScreen.top() * dotsY, 2.0);
    EXPECT_NEAR(onPage.right(), (PAGE_LEFT * DPI / 72) + onScreen.right() * dotsX, 2.0);
    EXPECT_NEAR(onPage.bottom(), (PAGE_TOP * DPI / 72) + onScreen.bottom() * dotsY, 2.0);

    // Every label of the screen, read back as the same word at its place on the page: the level
    // labels by their right end, the time labels by their middle, both by their cell's middle.
    const std::vector<CPdfWord> words = PdfWords(pdf, 1);
    const QFontMetricsF metrics(painter.LabelFont());
    const struct {
        const std::vector<CSceneText>& Labels;
        double Anchor;  // the share of the label's width that stays put
    } groups[] = {{scene.LevelLabels, 1.0}, {scene.TimeLabels, 0.5}};
    for (const auto& group : groups) {
        ASSERT_GE(group.Labels.size(), 10u);
        for (const CSceneText& label : group.Labels) {
            const QString text = QString::fromStdString(label.Text);
            const double x =
                PAGE_LEFT +
                (label.X + group.Anchor * metrics.horizontalAdvance(text)) * pointsPerPixelX;
            const double y = PAGE_TOP + (label.Y + metrics.height() / 2) * pointsPerPixelY;
            bool placed = false;
            for (const CPdfWord& word : words) {
                const double wordX = word.Left + group.Anchor * (word.Right - word.Left);
                placed |= word.Text == label.Text && std::abs(wordX - x) < 1.5 &&
                          std::abs((word.Top + word.Bottom) / 2 - y) < 1.5;
            }
            EXPECT_TRUE(placed) << label.Text << " at " << label.X << ", " << label.Y;
        }
    }
}

}  // namespace
