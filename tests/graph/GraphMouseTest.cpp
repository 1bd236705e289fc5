// The mouse on the graph view, through Qt Test's mouse events on a view of 800 × 600: plot
// (100, 210) to (720, 490), level axis 20 to 140 dB, black background, red curve, blue grid.

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "dialogs/display/CDinLevelDlg.h"
#include "dialogs/display/CInfoDlg.h"
#include "graph/GraphInteraction.h"
#include "graph/GraphLayout.h"
#include "tests/QtTestEnvironment.h"
#include "tests/graph/GraphTestSupport.h"

namespace {

constexpr CPixelRect PLOT{100, 210, 720, 490};

// 32 readings put a reading every 20 pixels: reading i at x 100 + 20 i.
constexpr int EVERY_20_PIXELS = 32;

class GraphMouse : public ::testing::Test, protected CGraphViewFixture {
protected:
    explicit GraphMouse(QSize size = {800, 600}) : CGraphViewFixture(size) {}

    // The record shown as a download leaves it, without the first graph's zoom reset.
    void Show(CMeasurementRecord record) {
        View->State().FirstGraphSeen = true;
        Download(std::move(record));
        Paint();
    }

    // The pointer goes where the mouse event says, as it does on a screen.
    void PointerTo(QPoint at) { QCursor::setPos(View->mapToGlobal(at)); }

    void MoveTo(QPoint at) {
        PointerTo(at);
        QTest::mouseMove(View.get(), at);
    }

    void Drag(QPoint from, QPoint to) {
        PointerTo(from);
        QTest::mousePress(View.get(), Qt::LeftButton, {}, from);
        MoveTo(to);
        QTest::mouseRelease(View.get(), Qt::LeftButton, {}, to);
        Paint();
    }

    void RightClick(QPoint at) {
        PointerTo(at);
        QTest::mousePress(View.get(), Qt::RightButton, {}, at);
        QTest::mouseRelease(View.get(), Qt::RightButton, {}, at);
    }

    QScrollBar& Bar(Qt::Orientation orientation) {
        for (QScrollBar* bar : View->findChildren<QScrollBar*>()) {
            if (bar->orientation() == orientation) {
                return *bar;
            }
        }
        throw std::logic_error("no scroll bar");
    }

    const CGraphState& State() const { return View->State(); }
};

TEST_F(GraphMouse, dragRectangle_zoomsFromFourPixelsAcross) {
    Show(ExampleRecord(500));
    const struct {
        int Across;
        bool Zooms;
    } drags[] = {{3, false}, {-3, false}, {4, true}, {-4, true}, {0, false}};
    for (const auto& drag : drags) {
        View->UndoZoom();
        Paint();
        Drag({300, 250}, {300 + drag.Across, 400});
        EXPECT_EQ(State().Zoomed, drag.Zooms ? 1 : 0) << drag.Across;
        EXPECT_EQ(State().NeedBaseLayout, !drag.Zooms) << drag.Across;
    }
}

TEST_F(GraphMouse, zoomedPicture_stretchesTheRectangleAndItsLevels) {
    Show(ExampleRecord(500));
    Drag({224, 350}, {348, 420});  // 124 pixels of 620; 70 pixels of 280 from 69 above bottom
    const CGraphState& state = State();
    ASSERT_EQ(state.Zoomed, 1);
    EXPECT_FLOAT_EQ(state.AxisLabels[1][0], 50.0f);
    EXPECT_FLOAT_EQ(state.AxisLabels[1][1], 53.0f);
    // The rectangle's width is stretched over the plot's.
    const double spacing = 620.0 / 499;
    EXPECT_NEAR(state.PlotX[100][1], 100.0 + (100 * spacing - 124) * 5, 1e-3);
    EXPECT_EQ(state.LeftEdgeIndex, 99);
    // The bars work while zoomed: the horizontal one stands at the reading on the left edge.
    EXPECT_TRUE(Bar(Qt::Horizontal).isEnabled());
    EXPECT_TRUE(Bar(Qt::Vertical).isEnabled());
    EXPECT_EQ(Bar(Qt::Horizontal).value(), 100);
    EXPECT_EQ(Bar(Qt::Horizontal).maximum(), 500);

    View->UndoZoom();
    Paint();
    EXPECT_FALSE(Bar(Qt::Horizontal).isEnabled());
    EXPECT_FALSE(Bar(Qt::Vertical).isEnabled());
}

class GraphMouseOnShortPlot : public GraphMouse {
protected:
    GraphMouseOnShortPlot() : GraphMouse({800, 420}) {}  // plot (100, 210) to (720, 310)
};

TEST_F(GraphMouseOnShortPlot, levelDivision_mustBeAtLeastAHundredthOfADecibel) {
    Show(ExampleRecord(500));
    // 8 pixels of the 100 across 120 dB: divisions of 0.96 dB.
    Drag({200, 300}, {300, 308});
    const CGraphState& state = State();
    ASSERT_EQ(state.Zoomed, 1);
    EXPECT_NEAR(state.AxisLabels[1][1] - state.AxisLabels[1][0], 0.96f, 1e-4);

    // A level axis zoomed to 0.1 dB: 5 pixels would make divisions of 0.0005 dB.
    View->State().ApplyZoomRect = false;
    View->State().ZoomLow = 60.0f;
    View->State().ZoomNext = 60.01f;
    Paint();
    const auto labels = state.AxisLabels[1];
    const auto positions = state.PlotX;
    ASSERT_NEAR(labels[10] - labels[0], 0.1f, 1e-4);
    ASSERT_LT(state.PlotX[1][1] - state.PlotX[0][1], 100.0);  // readings would stay apart
    Drag({200, 250}, {300, 255});
    EXPECT_EQ(state.AxisLabels[1], labels);
    EXPECT_EQ(state.PlotX[250][1], positions[250][1]);
}

TEST_F(GraphMouse, nestedZooms_stopWhereTheRulesSay) {
    Show(ExampleRecord(5000));
    int accepted = 0;
    for (int i = 0; i < 40; ++i) {
        const auto labels = State().AxisLabels[1];
        Drag({300, 300}, {420, 330});
        if (State().AxisLabels[1] != labels) {
            ++accepted;
        }
        ASSERT_TRUE(std::isfinite(State().PlotX[2500][1]));
    }
    // Each zoom divides the level division by about 9 and the spacing by 5: the division
    // reaches its floor first.
    EXPECT_GE(accepted, 2);
    EXPECT_LE(accepted, 4);
    EXPECT_GE(State().AxisLabels[1][1] - State().AxisLabels[1][0], 0.0099f);
}

TEST_F(GraphMouse, dragLeavingTheZone_isCancelled) {
    Show(ExampleRecord(500));
    for (const bool leave : {true, false}) {
        View->UndoZoom();
        Paint();
        PointerTo({300, 300});
        QTest::mousePress(View.get(), Qt::LeftButton, {}, {300, 300});
        MoveTo({400, 380});
        // The rectangle shows over the picture, inverted: white on the black background.
        EXPECT_EQ(View->grab().toImage().pixelColor(350, 300), WHITE);
        EXPECT_EQ(View->Picture().pixelColor(350, 300), BLACK);
        if (leave) {
            PointerTo({40, 380});  // 60 pixels left of the plot
            ASSERT_TRUE(WaitUntil([&] { return !State().DragActive; }));
            EXPECT_EQ(View->grab().toImage().pixelColor(350, 300), BLACK);
        } else {
            QTest::qWait(30);
        }
        QTest::mouseRelease(View.get(), Qt::LeftButton, {}, {400, 380});
        Paint();
        EXPECT_EQ(State().Zoomed, leave ? 0 : 1) << leave;
    }
}

TEST_F(GraphMouse, zoomThenUndozoom_givesBackThePictureOfBefore) {
    View->State().Settings.ShowMarkPoints = 1;
    View->State().Settings.ShowAlarmHigh = 1;
    Show(ExampleRecord(3000));
    const QImage before = Paint();
    Drag({224, 350}, {348, 420});
    Drag({300, 250}, {500, 450});
    Bar(Qt::Horizontal).triggerAction(QAbstractSlider::SliderPageStepAdd);
    Bar(Qt::Vertical).triggerAction(QAbstractSlider::SliderSingleStepSub);
    ASSERT_NE(Paint(), before);
    View->UndoZoom();
    EXPECT_EQ(Paint(), before);
}

TEST_F(GraphMouse, cursor_readsTheNearestReading_theLeftOneHalfway) {
    Show(ExampleRecord(EVERY_20_PIXELS));
    const struct {
        int X;
        std::int32_t Reading;
    } moves[] = {{100, 0}, {109, 0}, {110, 0}, {111, 1}, {330, 11}, {331, 12}, {720, 31}};
    for (const auto& move : moves) {
        MoveTo({move.X, 300});
        EXPECT_EQ(State().CursorIndex, move.Reading) << move.X;
        EXPECT_EQ(State().CursorX, move.X);
    }
    // Beyond the plot the line stays at its edge.
    MoveTo({790, 300});
    EXPECT_EQ(State().CursorX, PLOT.Right);
    EXPECT_EQ(State().CursorIndex, 31);
}

TEST_F(GraphMouse, readout_ofTheTwelfthReading) {
    CMeasurementRecord record = ExampleRecord(EVERY_20_PIXELS);
    record.StartTime = *MakeLocalTime({2014, 2, 1, 10, 0, 0});
    Show(std::move(record));
    const QImage picture = View->Picture();
    MoveTo({320, 300});
    EXPECT_EQ(State().ReadoutText,
              "Data Point No.:12      Time:01/02/14 10:00:11       Sound:56.1dBA");
    // Drawn into the kept picture at once, under the time axis, in its olive colour.
    const QImage& shown = View->Picture();
    EXPECT_GT(
        CountPixels(shown, WHITE, PLOT.Left, PLOT.Bottom + 75, PLOT.Right, PLOT.Bottom + 95),
        CountPixels(picture, WHITE, PLOT.Left, PLOT.Bottom + 75, PLOT.Right, PLOT.Bottom + 95) +
            500);
    EXPECT_GT(CountPixels(shown, QColor(125, 125, 0), PLOT.Left, PLOT.Bottom + 75, PLOT.Right,
                          PLOT.Bottom + 95),
              50);
    // A composed picture repeats it.
    EXPECT_EQ(Paint(), shown);
}

TEST_F(GraphMouse, newRecord_clearsTheReadoutOfThePreviousOne) {
    const QColor readoutColor(125, 125, 0);
    const DocumentChange changes[] = {DocumentChange::Downloaded, DocumentChange::Loaded,
                                      DocumentChange::RealTimeStarted};
    for (const DocumentChange change : changes) {
        Show(ExampleRecord(EVERY_20_PIXELS));
        MoveTo({300, 300});
        MoveTo({330, 300});
        MoveTo({330, PLOT.Top});  // the line goes, the readout stays
        ASSERT_FALSE(State().ReadoutText.empty());
        CMeasurementRecord next = ExampleRecord(5);
        if (change == DocumentChange::RealTimeStarted) {
            next.ReplaceSeries(REAL_TIME_CAPACITY);
        }
        Doc.FileJustLoaded = change == DocumentChange::Loaded;
        Doc.ReplaceRecord(std::move(next), change);
        const QImage& picture = Paint();
        EXPECT_EQ(State().ReadoutText, "") << static_cast<int>(change);
        EXPECT_EQ(CountPixels(picture, readoutColor, PLOT.Left, PLOT.Bottom + 75, PLOT.Right,
                              PLOT.Bottom + 95),
                  0)
            << static_cast<int>(change);
    }
}

TEST_F(GraphMouse, cursorLine_isDrawnOverThePictureAndGoesWhenThePointerLeaves) {
    Show(ExampleRecord(EVERY_20_PIXELS));
    const QImage picture = View->Picture();
    MoveTo({330, 300});
    QImage screen = View->grab().toImage();
    // Dotted, inverting the black background to white; the picture itself is untouched.
    EXPECT_EQ(screen.pixelColor(330, 212), WHITE);
    EXPECT_EQ(screen.pixelColor(330, 213), BLACK);
    EXPECT_EQ(screen.pixelColor(330, 488), WHITE);
    EXPECT_EQ(View->Picture().pixelColor(330, 212), BLACK);
    // Down the whole column, over the curve and the grid alike, and nothing beside it.
    for (const int x : {330, 331, 340}) {
        MoveTo({x, 300});
        screen = View->grab().toImage();
        for (int y = PLOT.Top; y <= PLOT.Bottom; ++y) {
            const QRgb under = picture.pixel(x, y);
            const QRgb inverted = (~under & 0xffffffu) | 0xff000000u;
            ASSERT_EQ(screen.pixel(x, y), (y - PLOT.Top) % 2 ? under : inverted) << x << ", " << y;
            ASSERT_EQ(screen.pixel(x + 1, y), picture.pixel(x + 1, y)) << x + 1 << ", " << y;
        }
    }
    MoveTo({330, 300});

    // Over the plot's top edge with no further mouse message: gone within about 100 ms.
    PointerTo({330, 200});
    ASSERT_TRUE(WaitUntil([&] { return State().CursorHidden; }));
    EXPECT_EQ(View->grab().toImage().pixelColor(330, 212), BLACK);

    // A move out of the plot's height takes it away at once.
    MoveTo({330, 300});
    ASSERT_FALSE(State().CursorHidden);
    MoveTo({330, PLOT.Top});
    EXPECT_TRUE(State().CursorHidden);
}

// The keyboard moves the cursor reading by reading and zooms around it; each row is a key
// and where the cursor and the zoom stand after it.
TEST_F(GraphMouse, keys_moveTheCursorAndZoomAroundIt) {
    Show(ExampleRecord(EVERY_20_PIXELS));
    View->setFocus();
    const struct {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        std::int32_t Cursor;
        int Zoomed;
    } keys[] = {{Qt::Key_Right, {}, 0, 0},
                {Qt::Key_Right, {}, 1, 0},
                {Qt::Key_Right, Qt::ShiftModifier, 31, 0},
                {Qt::Key_Home, {}, 0, 0},
                {Qt::Key_End, {}, 31, 0},
                {Qt::Key_Left, {}, 30, 0},
                {Qt::Key_Plus, {}, 30, 1},
                {Qt::Key_Home, {}, 0, 1},
                {Qt::Key_Right, Qt::ShiftModifier, 15, 1},  // to the last of the 16 in view
                {Qt::Key_Home, {}, 0, 1},
                {Qt::Key_Minus, {}, 0, 0}};
    for (const auto& k : keys) {
        QTest::keyClick(View.get(), k.Key, k.Modifiers);
        EXPECT_EQ(State().CursorIndex, k.Cursor) << k.Key;
        EXPECT_EQ(State().Zoomed, k.Zoomed) << k.Key;
        // The line stands on the reading, inside the plot, and the readout names it.
        EXPECT_FALSE(State().CursorHidden);
        EXPECT_NEAR(State().CursorX, *ReadingX(State(), EVERY_20_PIXELS, k.Cursor), 1.0) << k.Key;
        EXPECT_EQ(
            State().ReadoutText.rfind("Data Point No.:" + std::to_string(k.Cursor + 1) + " ", 0),
            0u);
    }
}

// The wheel scrolls the zoomed curve (Shift: its levels) and Ctrl zooms around the pointer.
TEST_F(GraphMouse, wheel_scrollsAndZooms) {
    Show(ExampleRecord(500));
    const auto turn = [&](QPoint angle, QPoint pixels, Qt::KeyboardModifiers modifiers) {
        QWheelEvent wheel(QPointF(400, 300), View->mapToGlobal(QPointF(400, 300)), pixels, angle,
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(View.get(), &wheel);
        Paint();
    };
    turn({0, -120}, {}, {});
    EXPECT_EQ(State().Zoomed, 0) << "unzoomed, the wheel leaves the whole record";
    turn({0, 240}, {}, Qt::ControlModifier);
    ASSERT_EQ(State().Zoomed, 1);
    const CReadingSpan zoomed = View->ReadingsShown();
    EXPECT_NEAR(zoomed.Count(), 125, 2) << "two steps in: a quarter of the readings";
    const std::int32_t step = zoomed.Count() / 10;
    const struct {
        QPoint Angle;
        QPoint Pixels;
        Qt::KeyboardModifiers Modifiers;
        std::int32_t Readings;  // how far the first reading in view moves
        std::int32_t Divisions;
    } turns[] = {{{0, -120}, {}, {}, step, 0},
                 {{0, 120}, {}, {}, -step, 0},
                 {{0, -60}, {0, -62}, {}, step, 0},
                 {{0, -120}, {}, Qt::ShiftModifier, 0, -1},
                 {{-120, 0}, {}, {}, step, 0}};
    for (const auto& t : turns) {
        const std::int32_t first = View->ReadingsShown().First;
        const std::int32_t divisions = State().VScrollSteps[1];
        turn(t.Angle, t.Pixels, t.Modifiers);
        EXPECT_NEAR(View->ReadingsShown().First - first, t.Readings, 1) << t.Angle.y();
        EXPECT_EQ(State().VScrollSteps[1] - divisions, t.Divisions) << t.Angle.y();
    }
    turn({0, -480}, {}, Qt::ControlModifier);
    EXPECT_EQ(State().Zoomed, 0) << "out again to the whole record";
}

TEST_F(GraphMouse, horizontalBar_movesByReadingsAndPages) {
    Show(ExampleRecord(500));
    Drag({224, 350}, {348, 420});
    QScrollBar& bar = Bar(Qt::Horizontal);
    ASSERT_EQ(bar.value(), 100);
    // A page is (620 + 140) / 6.2 + 1 = 123 readings of the zoomed spacing.
    const struct {
        QAbstractSlider::SliderAction Action;
        int Position;
    } steps[] = {
        {QAbstractSlider::SliderSingleStepSub, 99},  {QAbstractSlider::SliderSingleStepAdd, 100},
        {QAbstractSlider::SliderPageStepAdd, 223},   {QAbstractSlider::SliderPageStepSub, 100},
        {QAbstractSlider::SliderPageStepSub, 0},     {QAbstractSlider::SliderSingleStepSub, 0},
        {QAbstractSlider::SliderToMaximum, 0},       {QAbstractSlider::SliderMove, 42},
        {QAbstractSlider::SliderPageStepAdd, 165},   {QAbstractSlider::SliderPageStepAdd, 288},
        {QAbstractSlider::SliderPageStepAdd, 411},   {QAbstractSlider::SliderPageStepAdd, 500},
        {QAbstractSlider::SliderSingleStepAdd, 500},
    };
    for (const auto& step : steps) {
        const std::int32_t scrolled = State().HScrollOffset;
        if (step.Action == QAbstractSlider::SliderMove) {
            bar.setSliderPosition(step.Position);  // the thumb let go there
        } else {
            bar.triggerAction(step.Action);
        }
        EXPECT_EQ(bar.value(), step.Position) << step.Action;
        EXPECT_EQ(State().LeftEdgeIndex - State().HScrollOffset + 1, step.Position);
        if (step.Position == 0 && step.Action == QAbstractSlider::SliderSingleStepSub) {
            EXPECT_EQ(State().HScrollOffset, scrolled);  // line left at 0 does nothing more
        }
    }
    // The curve follows: at the end the last reading has gone past the left edge; back at
    // the start the first reading stands on it.
    EXPECT_EQ(CountPixels(Paint(), RED, PLOT.Left + 1, PLOT.Top, PLOT.Right, PLOT.Bottom), 0);
    bar.triggerAction(QAbstractSlider::SliderToMinimum);
    for (int page = 0; page < 5; ++page) {
        bar.triggerAction(QAbstractSlider::SliderPageStepSub);
    }
    ASSERT_EQ(bar.value(), 0);
    const int firstY = TruncToInt(CurrentLevelAxis(State()).Y(Doc.Record().Levels[0]));
    EXPECT_GT(CountPixels(Paint(), RED, PLOT.Left, firstY - 1, PLOT.Left + 4, firstY + 2), 0);
}

TEST_F(GraphMouse, verticalBar_movesTheLevelWindowByDivisions) {
    Show(ExampleRecord(500));
    Drag({224, 350}, {348, 420});  // divisions of 3 dB from 50
    QScrollBar& bar = Bar(Qt::Vertical);
    // 120 dB in 40 divisions; the window's middle, 65 dB, lies 15 divisions above 20 dB.
    ASSERT_EQ(bar.maximum(), 40);
    ASSERT_EQ(bar.value(), 26);
    bar.triggerAction(QAbstractSlider::SliderSingleStepSub);
    Paint();
    EXPECT_EQ(bar.value(), 25);
    EXPECT_FLOAT_EQ(State().AxisLabels[1][0], 53.0f);
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    Paint();
    EXPECT_EQ(bar.value(), 35);
    EXPECT_FLOAT_EQ(State().AxisLabels[1][0], 23.0f);
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar.value(), 40);
}

TEST_F(GraphMouse, doubleClick_togglesTheFullWindow) {
    Show(ExampleRecord(500));
    const struct {
        bool InfoPanelWanted;
        bool Expanded;
        int PanelHeight;
    } clicks[] = {{true, true, 0}, {true, false, 140}, {false, true, 0}, {false, false, 0}};
    for (const auto& click : clicks) {
        Host.InfoPanelShown = click.InfoPanelWanted;
        QTest::mouseDClick(View.get(), Qt::LeftButton, {}, {300, 300});
        EXPECT_EQ(Host.Expanded, click.Expanded);
        EXPECT_EQ(State().PanelHeight, click.PanelHeight);
        EXPECT_EQ(View->InfoPanel()->isVisibleTo(View.get()), click.PanelHeight > 0);
        Paint();
        EXPECT_EQ(State().PlotRect.Top, click.PanelHeight + 70);
        EXPECT_EQ(State().Zoomed, 0);  // a double click starts no zoom
    }
}

TEST_F(GraphMouse, rightClick_withTheLevelWindow_assessesTwoHours) {
    CMeasurementRecord record = ExampleRecord(10000);  // a reading a second
    std::fill_n(record.Levels.begin() + 2000, 10, 140.0f);
    Show(std::move(record));
    RightClick({300, 300});
    EXPECT_EQ(State().RangeFirst, 1);  // no level window: nothing happens
    EXPECT_EQ(State().RangeLast, 10000);

    View->ShowLevelWindow(true);
    ASSERT_NE(View->LevelWindow(), nullptr);
    RightClick({PLOT.Left + 124, 300});  // 124 pixels of 620 / 9999: reading 1999 under it
    const CDinLevelDlg& window = *View->LevelWindow();
    EXPECT_EQ(State().RangeFirst, 2000);
    EXPECT_EQ(State().RangeLast, 9199);
    EXPECT_EQ(window.MaxEdit().text(), "140.0 dB");
    EXPECT_TRUE(window.MaxLampLit());
    EXPECT_EQ(window.Status().text(), "");

    // Undozoom keeps the two hours; the displayed range now starts at the left edge.
    View->UndoZoom();
    Paint();
    EXPECT_EQ(State().RangeFirst, 2000);
    EXPECT_EQ(State().RangeLast, 9199);
    // Less than 5 pixels beyond the right edge counts where it is, 46 readings beyond.
    RightClick({PLOT.Right + 4, 300});
    EXPECT_EQ(State().RangeFirst, 9245);
    EXPECT_EQ(State().RangeLast, 10000);
    EXPECT_EQ(window.Status().text(), "Less than two hours!");
    EXPECT_FALSE(window.MaxLampLit());

    // A new record is shown whole.
    Show(ExampleRecord(800));
    EXPECT_EQ(State().RangeFirst, 1);
    EXPECT_EQ(State().RangeLast, 800);

    View->LevelWindow()->close();
    EXPECT_TRUE(WaitUntil([&] { return View->LevelWindow() == nullptr; }));
}

TEST_F(GraphMouse, emptyOrOneReading_nothingBreaks) {
    // Nothing shown yet: the mouse changes nothing.
    Drag({300, 300}, {400, 400});
    MoveTo({350, 350});
    EXPECT_TRUE(State().CursorHidden);
    EXPECT_EQ(State().Zoomed, 0);

    Show(RecordOf({70.0f}));
    MoveTo({360, 350});
    EXPECT_EQ(State().CursorIndex, 0);
    EXPECT_EQ(State().ReadoutText.rfind("Data Point No.:1      Time:", 0), 0u);
    Drag({300, 300}, {400, 400});
    EXPECT_EQ(State().Zoomed, 0);
    View->ShowLevelWindow(true);
    RightClick({350, 300});
    EXPECT_EQ(State().RangeFirst, 1);
    EXPECT_EQ(State().RangeLast, 1);
    EXPECT_EQ(View->LevelWindow()->Status().text(), "Less than two hours!");
    View->ShowLevelWindow(false);
}

}  // namespace

namespace {

TEST_F(GraphMouse, readingsShown_followTheZoomAndSayWhenTheyMayHaveChanged) {
    const QSignalSpy changes(View.get(), &CDTView::ReadingsShownChanged);
    EXPECT_EQ(View->ReadingsShown().Count(), 0) << "nothing shown yet";
    Show(ExampleRecord(500));
    EXPECT_EQ(View->ReadingsShown().First, 1);
    EXPECT_EQ(View->ReadingsShown().Last, 500);
    const auto composed = changes.count();
    EXPECT_GE(composed, 1);
    // A picture composed anew of the same readings says nothing; the same span of another
    // record does.
    View->Redraw();
    Paint();
    EXPECT_EQ(changes.count(), composed);
    Doc.ReplaceRecord(ExampleRecord(500), DocumentChange::Downloaded);
    Paint();
    EXPECT_EQ(changes.count(), composed + 1);

    Drag({224, 350}, {348, 420});
    ASSERT_EQ(State().Zoomed, 1);
    EXPECT_GT(changes.count(), composed);
    const CReadingSpan zoomed = View->ReadingsShown();
    // Exactly the readings drawn within the plot's width.
    const auto axis = ReadingAxisOf(State(), 500);
    ASSERT_TRUE(axis);
    const auto x = [&](std::int32_t reading) {
        return axis->X0 + axis->Spacing * (State().HScrollOffset + reading - State().RangeFirst);
    };
    EXPECT_LT(x(zoomed.First - 1), PLOT.Left);
    EXPECT_GE(x(zoomed.First), PLOT.Left);
    EXPECT_LE(x(zoomed.Last), PLOT.Right);
    EXPECT_GT(x(zoomed.Last + 1), PLOT.Right);
    EXPECT_GT(zoomed.Count(), 50);
    EXPECT_LT(zoomed.Count(), 150);

    View->UndoZoom();
    Paint();
    EXPECT_EQ(View->ReadingsShown().Count(), 500);
}

}  // namespace
