// The graph view as a widget: its children, the records it is given, its timers, the kept
// picture and the printer page.

#include <QAction>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include "dialogs/display/CInfoDlg.h"
#include "graph/GraphLayout.h"
#include "graph/PrintedGraph.h"
#include "tests/CRecordingPrompt.h"
#include "tests/QtTestEnvironment.h"
#include "tests/TempDir.h"
#include "tests/graph/GraphTestSupport.h"

namespace {

class GraphView : public ::testing::Test, protected CGraphViewFixture {
protected:
    // Zooms straight into the state, as an accepted rectangle does.
    void Zoom(CZoomRect rect) {
        CGraphState& state = View->State();
        state.FirstGraphSeen = true;  // no first-graph reset in the middle of the test
        state.Zoomed = 1;
        state.NeedBaseLayout = false;
        state.ApplyZoomRect = true;
        state.ScrollBarsSet = false;
        state.ZoomRect = rect;
    }
};

TEST_F(GraphView, creation_readsTheSwitchesAndForgetsTheEarlierLoad) {
    CDTDoc doc;
    doc.LoadedFromFile = true;
    CTestGraphHost host;
    CViewSettings settings;
    settings.ShowMarkPoints = 1;
    settings.AxisHigh = 120;
    const CDTView view(doc, host, settings);
    EXPECT_FALSE(doc.LoadedFromFile);
    EXPECT_EQ(view.Settings().ShowMarkPoints, 1);
    EXPECT_EQ(view.Settings().AxisHigh, 120);
    EXPECT_EQ(view.State().DisplayState, GraphDisplay::Nothing);
    EXPECT_EQ(view.State().PanelHeight, 140);
    EXPECT_EQ(view.State().ScaleTable.front(), 100);
    EXPECT_GE(view.State().ScaleTable.back(), 10000);
}

TEST_F(GraphView, firstMeasurement_bringsPanelToolbarAndScrollBars) {
    Download(ExampleRecord(500));
    Paint();
    ASSERT_NE(View->InfoPanel(), nullptr);
    EXPECT_EQ(View->InfoPanel()->geometry(), QRect(0, 0, 800, 140));
    EXPECT_EQ(View->InfoPanel()->Field("DataNo.")->text(), "500");

    const auto* toolBar = View->findChild<QToolBar*>();
    ASSERT_NE(toolBar, nullptr);
    EXPECT_EQ(toolBar->geometry(), QRect(20, 165, 760, 35));
    QStringList captions;
    for (QAction* action : toolBar->actions()) {
        captions << action->text();
        EXPECT_EQ(toolBar->widgetForAction(action)->size(), QSize(109, 21));
        EXPECT_TRUE(action->isEnabled());
    }
    EXPECT_EQ(captions, QStringList({"Undozoom", "Axis Setup", "Color Setup", "View"}));
    // The toolbar stands over the black border with a face of its own: captions are readable.
    const QImage screen = View->grab().toImage();
    const QRect undo =
        toolBar->widgetForAction(toolBar->actions().front())->geometry().translated(toolBar->pos());
    const int area = undo.width() * undo.height();
    EXPECT_GT(CountPixels(screen, View->palette().color(QPalette::Button), undo.left(), undo.top(),
                          undo.right(), undo.bottom()),
              area / 2);
    EXPECT_GT(CountDarkPixels(screen, undo.left(), undo.top(), undo.right(), undo.bottom()), 20);

    const auto bars = View->findChildren<QScrollBar*>();
    ASSERT_EQ(bars.size(), 2);
    for (const QScrollBar* bar : bars) {
        EXPECT_FALSE(bar->isEnabled());
        const QRect expected = bar->orientation() == Qt::Horizontal ? QRect(100, 525, 620, 20)
                                                                    : QRect(20, 210, 20, 280);
        EXPECT_EQ(bar->geometry(), expected);
    }

    // The panel follows the view's width; the plot's children follow the plot.
    View->resize(1000, 700);
    Paint();
    EXPECT_EQ(View->InfoPanel()->geometry(), QRect(0, 0, 1000, 140));
    EXPECT_EQ(toolBar->geometry(), QRect(20, 165, 960, 35));

    // A new panel height moves the plot's children at once: moved only while the picture is
    // painted, they stayed unpainted in their new places on a real screen.
    for (const int panelHeight : {0, 115, 140}) {
        View->SetInfoPanelHeight(panelHeight);
        EXPECT_EQ(toolBar->geometry(), QRect(20, panelHeight + 25, 960, 35)) << panelHeight;
        EXPECT_EQ(bars[0]->orientation() == Qt::Vertical ? bars[0]->y() : bars[1]->y(),
                  panelHeight + 70)
            << panelHeight;
    }
}

TEST_F(GraphView, fileLoad_showsTheWholeRecordAndItsTextsOnTheNextPaint) {
    const CTempDir folder;
    CDTDoc source;
    source.ReplaceRecord(ExampleRecord(500, 2.0f), DocumentChange::Downloaded);
    ASSERT_TRUE(source.StoreFile(folder / "day.sound"));

    Download(ExampleRecord(40));
    Paint();
    Zoom({300.0, 250.0, 400.0, 400.0});
    View->State().RangeFirst = 5;
    View->State().RangeLast = 20;
    View->InfoPanel()->SetIndicators(AlarmIndicatorState::High);
    Doc.StoredData = false;

    CRecordingPrompt prompt;
    ASSERT_EQ(Doc.LoadFile(folder / "day.sound", prompt), LoadResult::Loaded);
    EXPECT_EQ(View->InfoPanel()->Indicators(), AlarmIndicatorState::Normal);
    Paint();

    const CGraphState& state = View->State();
    EXPECT_FALSE(Doc.FileJustLoaded);
    EXPECT_TRUE(Doc.StoredData);
    EXPECT_EQ(state.RangeFirst, 1);
    EXPECT_EQ(state.RangeLast, 500);
    EXPECT_EQ(state.Zoomed, 0);
    EXPECT_TRUE(state.NeedBaseLayout);
    const CInfoDlg& panel = *View->InfoPanel();
    EXPECT_EQ(panel.Field("Start Time")->text(), "05/06/14 14:02:07");
    EXPECT_EQ(panel.Field("Sample Rate")->text(), "2 s");
    EXPECT_EQ(panel.Field("DataNo.")->text(), "500");
    EXPECT_EQ(panel.Field("Unit")->text(), "dBA");
    EXPECT_EQ(panel.Field("Speed")->text(), "FAST");
    EXPECT_EQ(panel.Field("Mode")->text(), "STOR");
}

TEST_F(GraphView, fileNamedBeforeTheFirstPaint_isDrawnWhole) {
    const CTempDir folder;
    CDTDoc source;
    source.ReplaceRecord(ExampleRecord(500, 1.0f), DocumentChange::Downloaded);
    ASSERT_TRUE(source.StoreFile(folder / "start.sound"));
    CRecordingPrompt prompt;
    ASSERT_EQ(Doc.LoadFile(folder / "start.sound", prompt), LoadResult::Loaded);

    const QImage& picture = Paint();
    EXPECT_EQ(View->State().DisplayState, GraphDisplay::Graph);
    EXPECT_EQ(View->State().RangeLast, 500);
    EXPECT_GT(CountPixels(picture, RED, View->State().PlotRect), 400);
    EXPECT_EQ(View->InfoPanel()->Field("DataNo.")->text(), "500");
}

TEST_F(GraphView, firstGraph_resetsTheZoomOnceShortlyAfter) {
    Download(ExampleRecord(500));
    Paint();
    CGraphState& state = View->State();
    EXPECT_TRUE(state.FirstGraphSeen);
    state.Zoomed = 1;
    state.NeedBaseLayout = false;
    state.HScrollOffset = 12;
    ASSERT_TRUE(WaitUntil([&] { return state.Zoomed == 0; }));
    EXPECT_TRUE(state.NeedBaseLayout);
    EXPECT_EQ(state.HScrollOffset, 0);

    // Only the first graph does it.
    state.Zoomed = 1;
    Paint();
    QTest::qWait(250);
    EXPECT_EQ(state.Zoomed, 1);
}

TEST_F(GraphView, undozoom_returnsToTheWholeDisplayedRange) {
    Download(ExampleRecord(500));
    Paint();
    Zoom({224.0, 350.0, 348.0, 420.0});
    Paint();
    const auto bars = View->findChildren<QScrollBar*>();
    for (QScrollBar* bar : bars) {
        bar->setEnabled(true);
    }
    View->State().RangeFirst = 100;
    View->State().RangeLast = 300;

    View->findChild<QToolBar*>()->actions().front()->trigger();
    Paint();
    const CGraphState& state = View->State();
    EXPECT_EQ(state.Zoomed, 0);
    EXPECT_TRUE(state.NeedBaseLayout);
    EXPECT_EQ(state.RangeFirst, 100);
    EXPECT_EQ(state.RangeLast, 300);
    EXPECT_DOUBLE_EQ(state.PlotX[99][0], 100.0);
    EXPECT_NEAR(state.PlotX[299][0], 720.0, 1e-3);
    for (const QScrollBar* bar : bars) {
        EXPECT_FALSE(bar->isEnabled());
    }
}

// With the whole record in view the horizontal bar has nowhere to go: its thumb fills it. A
// shorter readout leaves nothing of a longer one behind.
TEST_F(GraphView, wholeRecordInView_fillsTheBar_andAShorterReadoutClearsTheLonger) {
    Download(ExampleRecord(500));
    Paint();
    QScrollBar* bar = nullptr;
    for (QScrollBar* each : View->findChildren<QScrollBar*>()) {
        bar = each->orientation() == Qt::Horizontal ? each : bar;
    }
    ASSERT_NE(bar, nullptr);
    for (const bool zoomed : {true, false, true, false}) {
        zoomed ? Zoom({224.0, 350.0, 348.0, 420.0}) : View->UndoZoom();
        Paint();
        EXPECT_EQ(bar->maximum() > bar->minimum(), zoomed);
    }

    const int top = View->State().PlotRect.Bottom + 75;  // the readout's line
    const int left = View->State().PlotRect.Left + 40;
    for (const char* readout : {"55.3 @14:02:10 05/06/14", "1"}) {
        View->State().ReadoutText = readout;
        View->ShowReadout();
    }
    const int area = (View->width() - 20 - left) * (View->height() - 13 - top);
    EXPECT_EQ(
        CountPixels(View->Picture(), Qt::black, left, top, View->width() - 20, View->height() - 13),
        area);
}

TEST_F(GraphView, resizeWhileZoomed_keepsTheZoomedPositionsInProportion) {
    Download(RecordOf(std::vector<float>(500, 60.0f)));
    Paint();
    Zoom({224.0, 350.0, 348.0, 420.0});
    Paint();
    const auto zoomed = View->State().PlotX;
    const auto scrollBar = View->findChildren<QScrollBar*>();
    EXPECT_EQ(View->State().LeftEdgeIndex, 99);

    View->resize(1000, 700);  // the plot becomes 820 wide
    QImage picture = Paint();
    const CGraphState& state = View->State();
    EXPECT_FALSE(state.ApplyZoomRect);
    for (const std::size_t i : {0u, 99u, 100u, 200u, 499u}) {
        EXPECT_NEAR(state.PlotX[i][1], (zoomed[i][1] - 100.0) / 620.0 * 820.0 + 100.0, 1e-9);
    }
    // 60 dB on the zoomed axis 50.00 to 80.00 is a third of the height up: the curve is there.
    const int y = 590 - 380 / 3;
    EXPECT_GT(CountPixels(picture, RED, 100, y - 1, 920, y + 2), 700);

    // A window too small for a plot keeps the zoom for the next usable size.
    View->resize(150, 150);
    Paint();
    View->resize(800, 600);
    Paint();
    for (const std::size_t i : {0u, 150u, 499u}) {
        EXPECT_NEAR(View->State().PlotX[i][1], zoomed[i][1], 1e-9);
    }
}

TEST_F(GraphView, paintWithoutRedraw_showsTheKeptPicture) {
    Download(RecordOf({80.0f, 80.0f}));
    Paint();
    View->State().Settings.ShowCurve = 0;
    View->update();
    QImage screen = View->grab().toImage();
    EXPECT_EQ(screen.pixelColor(400, 350), RED);
    EXPECT_FALSE(View->Picture().isNull());

    View->Redraw();
    screen = View->grab().toImage();
    EXPECT_EQ(screen.pixelColor(400, 350), BLACK);
}

TEST_F(GraphView, documentChanges_showTheGrowingRealTimeSeries) {
    CMeasurementRecord record = ExampleRecord(0);
    record.ReplaceSeries(REAL_TIME_CAPACITY);
    record.ModeText = "RT";
    Doc.RealTimeActive = true;
    Doc.StoredData = false;
    Doc.ReplaceRecord(std::move(record), DocumentChange::RealTimeStarted);
    EXPECT_EQ(View->State().DisplayState, GraphDisplay::Graph);
    Paint();
    ASSERT_NE(View->InfoPanel(), nullptr);
    EXPECT_EQ(View->InfoPanel()->Field("Mode")->text(), "RT");

    for (int i = 0; i < 100; ++i) {
        CMeasurementRecord& growing = Doc.Record();
        growing.Levels[static_cast<std::size_t>(i)] = 60.0f;
        ++growing.SampleCount;
        growing.Info.DataNo = std::to_string(growing.SampleCount);
        Doc.UpdateAllViews(DocumentChange::ReadingAppended);
    }
    const QImage& picture = Paint();
    EXPECT_EQ(View->State().RangeLast, 100);
    EXPECT_EQ(View->InfoPanel()->Field("DataNo.")->text(), "100");
    // The hundredth reading stands on the right edge.
    EXPECT_NEAR(View->State().PlotX[99][0], 720.0, 1e-3);
    EXPECT_EQ(picture.pixelColor(719, 396), RED);  // 490 − 40 × 280 / 120, truncated
}

// The real-time scale is worked out for the plot the view has, not for its size at creation.
TEST(GraphViewScale, realTimeRun_fillsTheScaleTableForThePlotsWidth) {
    for (const QSize size : {QSize(800, 600), QSize(1400, 700)}) {
        CGraphViewFixture fixture(size);
        fixture.Paint();
        CMeasurementRecord record = ExampleRecord(0);
        record.ReplaceSeries(REAL_TIME_CAPACITY);
        fixture.Doc.ReplaceRecord(std::move(record), DocumentChange::RealTimeStarted);
        CGraphState expected;
        expected.PlotRect = PlotRectFor(size.width(), size.height(), expected.PanelHeight);
        FillScaleTable(expected);
        EXPECT_EQ(fixture.View->State().ScaleTable, expected.ScaleTable) << size.width();
    }
}

TEST_F(GraphView, printerPicture_isTheScreenPictureWithAWhiteTop) {
    Download(ExampleRecord(500));
    const QImage screen = Paint();
    QImage printed;
    PaintGraphPicture(CGraphPainter(), View->PrinterScene(), printed);
    ASSERT_EQ(printed.size(), screen.size());
    const int whiteTop = View->State().PlotRect.Top - 20;
    EXPECT_EQ(CountPixels(printed, WHITE, 0, 0, 800, whiteTop), 800 * whiteTop);
    EXPECT_LT(CountPixels(screen, WHITE, 0, 0, 800, whiteTop), 800 * whiteTop / 10);
    // Below the band the printer takes what the screen shows.
    EXPECT_EQ(printed.copy(0, whiteTop + 30, 800, 600 - whiteTop - 30),
              screen.copy(0, whiteTop + 30, 800, 600 - whiteTop - 30));
}

}  // namespace
