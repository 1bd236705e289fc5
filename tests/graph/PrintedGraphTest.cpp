// The printed graph: drawn from the screen's scene at the page's resolution, read back from the
// PDF with poppler's tools and held against the screen's picture.

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

// A4 less the PDF's 10-point margins, in points.
constexpr double PAGE_LEFT = 10.0;
constexpr double PAGE_TOP = 10.0;
constexpr double PAGE_WIDTH = 595.276 - 2 * PAGE_LEFT;
constexpr double PAGE_HEIGHT = 841.89 - 2 * PAGE_TOP;
constexpr int DPI = 150;
const QSize VIEW(1200, 800);
const QColor PLOT_GREEN(0, 128, 0);  // "Dark Green", palette index 7

// The smallest box holding every pixel within `tolerance` of `color` in each channel.
QRect BoxOf(const QImage& image, const QColor& color, int tolerance) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) <= tolerance &&
                std::abs(c.green() - color.green()) <= tolerance &&
                std::abs(c.blue() - color.blue()) <= tolerance) {
                box |= QRect(x, y, 1, 1);
            }
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
    const CReport report{.Kind = GraphDisplay::Graph,
                         .Record = doc.Record(),
                         .Table = table,
                         .InfoPanelShown = true,
                         .Graph = scene,
                         .PrintedAt = doc.Record().StartTime};
    const auto pdf = dir / "graph.pdf";
    {
        std::ofstream out(pdf, std::ios::binary);
        ASSERT_TRUE(WriteReportPdf(out, report, 1, 1));
    }
    // Nothing is a picture: the page is drawn, not pasted.
    EXPECT_EQ(CommandOutput("pdfimages -list " + Quoted(pdf) + " | tail -n +3"), "");

    const CGraphPainter painter;
    QImage screen;
    PaintGraphPicture(painter, scene, screen);
    const double pointsPerPixelX = PAGE_WIDTH / VIEW.width();
    const double pointsPerPixelY = PAGE_HEIGHT / VIEW.height();

    // The plot's corners, on the screen and on the page rendered at 150 dpi.
    const QRect screenPlot = BoxOf(screen, PLOT_GREEN, 0);
    ASSERT_EQ(screenPlot, QRect(QPoint(scene.Plot.Left, scene.Plot.Top),
                                QPoint(scene.Plot.Right - 1, scene.Plot.Bottom - 1)));
    const QImage page = RenderPdfPage(pdf, 1, DPI, dir / "graph.png");
    ASSERT_FALSE(page.isNull());
    const QRect pagePlot = BoxOf(page, PLOT_GREEN, 40);
    const auto pageX = [&](double x) { return (PAGE_LEFT + x * pointsPerPixelX) * DPI / 72; };
    const auto pageY = [&](double y) { return (PAGE_TOP + y * pointsPerPixelY) * DPI / 72; };
    EXPECT_NEAR(pagePlot.left(), pageX(screenPlot.left()), 2.0);
    EXPECT_NEAR(pagePlot.top(), pageY(screenPlot.top()), 2.0);
    EXPECT_NEAR(pagePlot.right() + 1, pageX(screenPlot.right() + 1), 2.0);
    EXPECT_NEAR(pagePlot.bottom() + 1, pageY(screenPlot.bottom() + 1), 2.0);

    // Every label of the screen, read back as the same word at its place on the page: the level
    // labels by their right end, the time labels by their middle, both by their cell's middle.
    const std::vector<CPdfWord> words = PdfWords(pdf, 1);
    const QFontMetricsF metrics(painter.LabelFont());
    const struct {
        const std::vector<CSceneText>& Labels;
        double Anchor;  // the share of the label's width that stays put
    } groups[] = {{scene.LevelLabels, 1.0}, {scene.TimeLabels, 0.5}};
    int found = 0;
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
            found += placed ? 1 : 0;
        }
    }
    EXPECT_EQ(found, static_cast<int>(scene.LevelLabels.size() + scene.TimeLabels.size()));
}

}  // namespace
