// The picture of the graph view, pixel by pixel, on a view of 800 × 600: plot (100, 210) to
// (720, 490), black background, red curve, blue grid.

#include <algorithm>
#include <cstdlib>
#include <random>

#include <QPainter>

#include <gtest/gtest.h>

#include "graph/GraphInteraction.h"
#include "graph/GraphPainter.h"
#include "graph/GraphScene.h"
#include "tests/QtTestEnvironment.h"
#include "tests/graph/GraphTestSupport.h"

namespace {

constexpr CPixelRect PLOT{100, 210, 720, 490};

// The first column from the left, between x 20 and the plot, whose pixel in row y is not the
// panel's button face: where a level label's white box begins.
int LabelStart(const QImage& picture, const QColor& face, int y) {
    for (int x = 20; x < PLOT.Left; ++x) {
        if (picture.pixelColor(x, y) != face) {
            return x;
        }
    }
    return -1;
}

// The top row of level label i's text cell.
int LabelTop(int i) {
    return PLOT.Bottom - i * PLOT.Height() / 10 - 8;
}

class GraphPaint : public ::testing::Test, protected CGraphViewFixture {
protected:
    QColor Face() const { return View->palette().color(QPalette::Button); }
};

TEST_F(GraphPaint, noData_isUniformlyGrey) {
    const QImage screen = View->grab().toImage();
    ASSERT_EQ(screen.size(), QSize(800, 600));
    EXPECT_EQ(CountPixels(screen, QColor(155, 155, 155), 0, 0, 800, 600), 800 * 600);
    EXPECT_EQ(View->InfoPanel(), nullptr);
    EXPECT_TRUE(View->findChildren<QWidget*>().isEmpty());
}

TEST_F(GraphPaint, oneReading_showsNoCurveNoTimeGridAndTheStartAtTheLeftEdge) {
    Download(RecordOf({70.0f}));
    const QImage& picture = Paint();

    EXPECT_EQ(CountPixels(picture, RED, PLOT), 0);
    // Inside the plot only the background and the eleven dotted level lines.
    for (int x = PLOT.Left; x < PLOT.Right; ++x) {
        for (int y = PLOT.Top + 1; y < PLOT.Bottom; ++y) {
            if (picture.pixelColor(x, y) == BLUE) {
                ASSERT_EQ((y - PLOT.Top) % 28, 0) << x << "," << y;
            }
        }
    }
    // Start time and date stand 23 pixels left of the plot, on their white boxes; rows below
    // the digits show the boxes' edges.
    for (const int y : {PLOT.Bottom + 11, PLOT.Bottom + 29}) {
        EXPECT_EQ(picture.pixelColor(PLOT.Left - 23, y), WHITE) << y;
        EXPECT_EQ(picture.pixelColor(PLOT.Left - 24, y), Face()) << y;
    }
    EXPECT_GT(
        CountDarkPixels(picture, PLOT.Left - 23, PLOT.Bottom + 5, PLOT.Left + 40, PLOT.Bottom + 30),
        40);
    // Nothing under the rest of the time axis.
    EXPECT_EQ(
        CountPixels(picture, WHITE, PLOT.Left + 60, PLOT.Bottom + 2, PLOT.Right, PLOT.Bottom + 40),
        0);
}

TEST_F(GraphPaint, levelLabels_standRightAlignedByCharacterCount) {
    Download(RecordOf({70.0f, 71.0f}));
    // Default axis 20 to 140: 20.00 at label 0, 140.00 at label 10.
    QImage picture = Paint();
    EXPECT_EQ(LabelStart(picture, Face(), LabelTop(0) + 5), 47);
    EXPECT_EQ(LabelStart(picture, Face(), LabelTop(10) + 5), 42);

    View->State().Settings.AxisLow = 0;
    View->State().Settings.AxisHigh = 25;
    View->UndoZoom();
    picture = Paint();
    EXPECT_EQ(LabelStart(picture, Face(), LabelTop(1) + 5), 52);  // 2.50

    View->State().Settings.AxisLow = -5;
    View->State().Settings.AxisHigh = 5;
    View->UndoZoom();
    picture = Paint();
    EXPECT_EQ(LabelStart(picture, Face(), LabelTop(0) + 5), 47);  // -5.00
    EXPECT_EQ(LabelStart(picture, Face(), LabelTop(5) + 5), 52);  // 0.00
}

TEST_F(GraphPaint, segments_drawnWhereTheyReachIntoThePlot) {
    Download(RecordOf({0.0f, 300.0f}));  // from below the bottom to above the top
    EXPECT_GT(CountPixels(Paint(), RED, PLOT), 200);

    Download(RecordOf({200.0f, 250.0f}));  // entirely above
    EXPECT_EQ(CountPixels(Paint(), RED, 0, 0, 800, 600), 0);

    Download(RecordOf({140.0f, 140.0f}));  // along the top edge
    const QImage& picture = Paint();
    EXPECT_GT(CountPixels(picture, RED, PLOT.Left, PLOT.Top, PLOT.Right, PLOT.Top + 1), 600);
    EXPECT_EQ(CountPixels(picture, RED, PLOT.Left, PLOT.Top + 1, PLOT.Right, PLOT.Bottom), 0);
}

TEST_F(GraphPaint, alarmLinesAndMarkPoints_appearWhenSwitchedOn) {
    Download(RecordOf({80.0f, 80.0f}));       // a flat line at y 350; alarms at 130 and 30 dB
    const int highY = 490 - 110 * 280 / 120;  // 233
    const int lowY = 490 - 10 * 280 / 120;    // 467
    const auto redAround = [](const QImage& picture, int y) {
        return CountPixels(picture, RED, PLOT.Left, y - 1, PLOT.Right, y + 2);
    };
    QImage picture = Paint();
    EXPECT_EQ(redAround(picture, highY), 0);
    EXPECT_EQ(redAround(picture, lowY), 0);
    EXPECT_NE(picture.pixelColor(PLOT.Left + 1, 349), RED);

    View->State().Settings.ShowAlarmHigh = 1;
    picture = Paint();
    EXPECT_GT(redAround(picture, highY), 300);
    EXPECT_EQ(redAround(picture, lowY), 0);

    View->State().Settings.ShowAlarmLow = 1;
    View->State().Settings.ShowMarkPoints = 1;
    picture = Paint();
    EXPECT_GT(redAround(picture, lowY), 300);
    for (const int y : {349, 351}) {
        EXPECT_EQ(picture.pixelColor(PLOT.Left + 1, y), RED) << y;
        EXPECT_EQ(picture.pixelColor(PLOT.Right - 1, y), RED) << y;
        EXPECT_NE(picture.pixelColor(PLOT.Left + 5, y), RED) << y;
    }

    // Mark points belong to the curve: without it there are none.
    View->State().Settings.ShowCurve = 0;
    picture = Paint();
    EXPECT_EQ(CountPixels(picture, RED, PLOT.Left, 340, PLOT.Right, 360), 0);
}

TEST_F(GraphPaint, fiveHundredReadings_runFromTheLeftEdgeToTheRightEdge) {
    Download(RecordOf(std::vector<float>(500, 77.0f)));  // y 490 − 57 × 280 / 120 = 357
    const QImage& picture = Paint();
    EXPECT_EQ(View->State().RangeFirst, 1);
    EXPECT_EQ(View->State().RangeLast, 500);
    EXPECT_EQ(picture.pixelColor(PLOT.Left, 357), RED);
    EXPECT_EQ(picture.pixelColor(PLOT.Right - 1, 357), RED);
    EXPECT_EQ(CountPixels(picture, RED, PLOT.Left, 357, PLOT.Right, 358), PLOT.Width());
    // Whatever overflows the plot is covered by the margins.
    EXPECT_EQ(CountPixels(picture, RED, 0, 0, PLOT.Left, 600), 0);
    EXPECT_EQ(CountPixels(picture, RED, PLOT.Right, 0, 800, 600), 0);
}

TEST_F(GraphPaint, timeAxis_labelsEachGridPositionInsideThePlot) {
    Download(ExampleRecord(500, 60.0f));  // a reading a minute from 14:02:07
    const QImage& picture = Paint();
    const CGraphState& state = View->State();
    // A quarter of the readings across the plot between two grid lines.
    EXPECT_EQ(state.GridIndex[0], 0);
    EXPECT_EQ(state.GridIndex[1], 124);
    EXPECT_EQ(state.GridTime[1], state.GridTime[0] + 124 * 60);
    const int x1 = static_cast<int>(100 + 124 * (620.0 / 499));
    EXPECT_EQ(picture.pixelColor(x1, PLOT.Bottom + 2), BLUE);  // tick
    EXPECT_EQ(picture.pixelColor(x1 - 23, PLOT.Bottom + 5), WHITE);
    EXPECT_GT(CountPixels(picture, BLUE, x1, PLOT.Top, x1 + 1, PLOT.Bottom), 50);  // grid line

    // Between two level lines the column then holds no grid.
    View->State().Settings.ShowYAxis = 0;
    EXPECT_EQ(CountPixels(Paint(), BLUE, x1, PLOT.Top + 1, x1 + 1, PLOT.Top + 28), 0);
}

// Zoomed, both ends of the time axis carry a time, whichever zoom the grid falls in.
TEST_F(GraphPaint, zoomedTimeAxis_labelsBothEnds) {
    Download(ExampleRecord(500, 60.0f));
    Paint();
    CGraphState& state = View->State();
    CSceneInputs inputs;
    inputs.ClientWidth = 800;
    inputs.ClientHeight = 600;
    for (const double right : {250.0, 400.0, 700.0}) {
        View->UndoZoom();
        Paint();
        state.FirstGraphSeen = true;
        state.DragOrigin = {130, PLOT.Top};
        state.DragUntouched = false;
        ASSERT_TRUE(
            ZoomToDraggedRectangle(state, Doc.Record(), {static_cast<int>(right), PLOT.Bottom}));
        Paint();
        const CGraphScene scene = ComposeGraphScene(state, Doc, inputs);
        for (const int edge : {PLOT.Left, PLOT.Right}) {
            EXPECT_TRUE(std::any_of(
                scene.TimeLabels.begin(), scene.TimeLabels.end(),
                [edge](const CSceneText& label) { return std::abs(label.X + 23 - edge) < 50; }))
                << right << ", edge " << edge;
        }
    }
}

TEST_F(GraphPaint, colourIndexBeyondThePalette_drawsTheFallbackGrey) {
    Host.Colors.Background = 200;
    Host.Colors.Curve = 14;
    Download(RecordOf({80.0f, 80.0f}));
    const QImage& picture = Paint();
    EXPECT_EQ(picture.pixelColor(300, 300), QColor(128, 128, 128));
    EXPECT_EQ(CountPixels(picture, RED, 0, 0, 800, 600), 0);

    Host.Colors = {12, 13, 5};  // white, black, cyan
    EXPECT_EQ(Paint().pixelColor(300, 300), WHITE);
}

TEST_F(GraphPaint, equalAxisEnds_fromAnEditedSettingsFile_showTenDecibels) {
    View->State().Settings.AxisLow = 50;
    View->State().Settings.AxisHigh = 50;
    Download(RecordOf({55.0f, 55.0f}));
    const QImage& picture = Paint();
    EXPECT_GT(CountPixels(picture, RED, PLOT.Left, 350, PLOT.Right, 351), 600);
    EXPECT_EQ(View->State().AxisLabels[0][10], 60.0f);
}

TEST_F(GraphPaint, smallWindows_paintWithoutHangingOrCrashing) {
    Download(ExampleRecord(5000));
    const std::vector<QSize> sizes = {QSize(0, 0),     QSize(1, 1),     QSize(60, 40),
                                      QSize(180, 180), QSize(181, 320), QSize(250, 400)};
    // The picture of each size, composed and drawn as a paint does. (On the screen the info
    // panel covers the smallest views whole, so that no paint reaches them.)
    CGraphPainter painter;
    for (const QSize size : sizes) {
        CSceneInputs inputs;
        inputs.ClientWidth = size.width();
        inputs.ClientHeight = size.height();
        const CGraphScene scene = ComposeGraphScene(View->State(), Doc, inputs);
        EXPECT_TRUE(scene.HasData);
        QImage picture(size, QImage::Format_RGB32);
        if (!picture.isNull()) {
            painter.Draw(picture, scene);
        }
    }
    for (const QSize size : sizes) {
        View->resize(size);
        Paint();
    }
    View->resize(800, 600);
    EXPECT_GT(CountPixels(Paint(), RED, PLOT), 0);
}

TEST_F(GraphPaint, damagedState_paintsSomethingSensible) {
    Download(ExampleRecord(300));
    Paint();
    CGraphState& state = View->State();
    state.Zoomed = 7;
    state.NeedBaseLayout = false;
    state.ApplyZoomRect = true;
    state.ZoomRect = {400.0, 300.0, 400.0, 300.0};
    state.ScrollBarsSet = false;
    state.HScrollOffset = 2000000000;
    state.ScaleLevel = -7;
    Paint();
    state.HScrollOffset = -2000000000;
    state.LeftEdgeIndex = 2000000000;
    Paint();
    state.RangeFirst = 900;
    state.RangeLast = -3;
    const QImage& picture = Paint();
    EXPECT_EQ(picture.size(), QSize(800, 600));
    EXPECT_LE(state.RangeLast, 300);
    EXPECT_LE(state.RangeFirst, state.RangeLast);
}

}  // namespace

// Written straight into the picture or left to the painter, a dotted grid line sets the pixels
// the painter's dotted pen sets: along rows and columns, either way, at every length. Lines
// that slant or reach out of the picture go to the painter.
TEST(DottedLines, setThePixelsOfThePaintersDottedPen) {
    std::mt19937 random(16);
    const auto between = [&](int low, int high) {
        return std::uniform_int_distribution(low, high)(random);
    };
    const QRgb grid = qRgb(0, 0, 255);
    int written = 0;
    for (int i = 0; i < 400; ++i) {
        const int x = between(-10, 130);
        const int y = between(-10, 90);
        const int length = between(-130, 130);
        const CSceneLine line = i % 4 == 0   ? CSceneLine{x, y, x + length, y}
                                : i % 4 == 1 ? CSceneLine{x, y, x, y + length}
                                : i % 4 == 2 ? CSceneLine{x, y, x + length, y + between(-3, 3)}
                                             : CSceneLine{x, y, x, y};
        const QRect picture(0, 0, 120, 80);
        written += (line.X1 == line.X2 || line.Y1 == line.Y2) &&
                   picture.contains(line.X1, line.Y1) && picture.contains(line.X2, line.Y2);
        QImage straight(picture.size(), QImage::Format_RGB32);
        straight.fill(Qt::black);
        QImage painted = straight;
        {
            QPainter painter(&straight);
            painter.setPen(QPen(QColor(grid), 1, Qt::DotLine));
            DrawDottedLines(painter, straight, {line}, grid);
        }
        {
            QPainter painter(&painted);
            painter.setPen(QPen(QColor(grid), 1, Qt::DotLine));
            painter.drawLine(line.X1, line.Y1, line.X2, line.Y2);
        }
        ASSERT_EQ(straight, painted)
            << "(" << line.X1 << ", " << line.Y1 << ") to (" << line.X2 << ", " << line.Y2 << ")";
    }
    EXPECT_GT(written, 100);  // most lines took the straight way
}
