// The graph's position arithmetic, driven without a window.

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "graph/GraphLayout.h"
#include "graph/GraphScene.h"
#include "tests/graph/GraphTestSupport.h"

namespace {

// The state of an 800 × 600 view with the info panel shown: plot (100, 210)–(720, 490).
CGraphState StateOf(int width = 800, int height = 600) {
    CGraphState state;
    state.PlotRect = PlotRectFor(width, height, state.PanelHeight);
    return state;
}

CMeasurementRecord FlatRecord(int count, float level) {
    return RecordOf(std::vector<float>(static_cast<std::size_t>(count), level));
}

// A real-time series of `count` readings in a record made for a whole run.
CMeasurementRecord RealTimeRecord(int count) {
    CMeasurementRecord record = ExampleRecord(count);
    record.ReplaceSeries(REAL_TIME_CAPACITY);
    record.SampleCount = count;
    return record;
}

// The y pixel of reading i on the level axis of layout column `column`.
double LevelY(const CGraphState& state, const CMeasurementRecord& record, std::size_t i,
              std::size_t column) {
    return CLevelAxis(state.AxisLabels[column], state.PlotRect).Y(record.Levels[i]);
}

void ShowWhole(CGraphState& state, const CMeasurementRecord& record) {
    state.RangeFirst = 1;
    state.RangeLast = record.SampleCount;
}

TEST(GraphGeometry, plotAndPanel_forAClientArea) {
    const CPixelRect plot = PlotRectFor(800, 600, 140);
    EXPECT_EQ(plot, (CPixelRect{100, 210, 720, 490}));
    EXPECT_EQ(PanelRectFor(plot, 800), (CPixelRect{20, 192, 780, 545}));
    // Without the info panel the plot moves up by its height.
    EXPECT_EQ(PlotRectFor(800, 600, 0), (CPixelRect{100, 70, 720, 490}));
}

TEST(ScaleTable, growsByAboutATwelfthUpToTenThousand) {
    CGraphState state = StateOf();
    FillScaleTable(state);
    const std::vector<std::int32_t>& table = state.ScaleTable;
    ASSERT_GE(table.size(), 2u);
    EXPECT_EQ(table[0], 100);
    EXPECT_EQ(table[1], 108);  // 620 pixels: a spacing of 569 / 99, so 107.9 + 1 readings
    for (std::size_t i = 1; i < table.size(); ++i) {
        EXPECT_GT(table[i], table[i - 1]);
        EXPECT_LT(table[i], table[i - 1] * 12 / 11 + 2);
    }
    EXPECT_GE(table.back(), 10000);
    EXPECT_LT(table[table.size() - 2], 10000);
}

TEST(ScaleTable, plotTooNarrowToGrow_stillEndsAtTenThousand) {
    CGraphState wide = StateOf();
    FillScaleTable(wide);
    // Widths of 5 pixels, none and less than none (a small window) would never grow the
    // scale by a twelfth of the width; they end with the table of a 12-pixel plot.
    for (const int clientWidth : {185, 180, 100}) {
        CGraphState narrow = StateOf(clientWidth);
        FillScaleTable(narrow);
        EXPECT_GE(narrow.ScaleTable.back(), 10000) << clientWidth;
        EXPECT_LT(narrow.ScaleTable.size(), 100u) << clientWidth;
    }
}

TEST(BaseLayout, storedRecord_runsFromTheLeftEdgeToTheRightEdge) {
    CGraphState state = StateOf();
    const CMeasurementRecord record = FlatRecord(500, 80.0f);
    ShowWhole(state, record);
    ComputeBaseLayout(state, record, false);

    EXPECT_FLOAT_EQ(state.SampleSpacing, 620.0f / 499.0f);
    EXPECT_DOUBLE_EQ(state.PlotX[0][0], 100.0);
    EXPECT_NEAR(state.PlotX[499][0], 720.0, 1e-3);
    for (std::size_t i = 0; i < 500; ++i) {
        EXPECT_DOUBLE_EQ(LevelY(state, record, i, 0), 490.0 - 60.0 * 280.0 / 120.0);
    }
    EXPECT_EQ(state.LastPlotRect, state.PlotRect);
}

TEST(BaseLayout, levels_mapOntoTheAxisRange) {
    CGraphState state = StateOf();
    state.Settings.AxisLow = 30;
    state.Settings.AxisHigh = 130;
    const CMeasurementRecord record = RecordOf({30.0f, 130.0f, 80.0f, 150.0f});
    ShowWhole(state, record);
    ComputeBaseLayout(state, record, false);

    for (std::size_t i = 0; i <= 10; ++i) {
        EXPECT_FLOAT_EQ(state.AxisLabels[0][i], 30.0f + 10.0f * static_cast<float>(i));
    }
    EXPECT_DOUBLE_EQ(LevelY(state, record, 0, 0), 490.0);  // AxisLow on the bottom edge
    EXPECT_DOUBLE_EQ(LevelY(state, record, 1, 0), 210.0);  // AxisHigh on the top edge
    EXPECT_DOUBLE_EQ(LevelY(state, record, 2, 0), 350.0);
    EXPECT_DOUBLE_EQ(LevelY(state, record, 3, 0),
                     210.0 - 20.0 * 2.8);  // above the axis, above the plot
}

TEST(BaseLayout, equalAxisEnds_spanTenDecibels) {
    CGraphState state = StateOf();
    state.Settings.AxisLow = 50;
    state.Settings.AxisHigh = 50;
    const CMeasurementRecord record = RecordOf({50.0f, 55.0f, 60.0f});
    ShowWhole(state, record);
    ComputeBaseLayout(state, record, false);

    EXPECT_FLOAT_EQ(state.AxisLabels[0][0], 50.0f);
    EXPECT_FLOAT_EQ(state.AxisLabels[0][10], 60.0f);
    EXPECT_DOUBLE_EQ(LevelY(state, record, 0, 0), 490.0);
    EXPECT_DOUBLE_EQ(LevelY(state, record, 1, 0), 350.0);
    EXPECT_DOUBLE_EQ(LevelY(state, record, 2, 0), 210.0);
}

TEST(BaseLayout, displayedRangeOutsideTheRecord_isBroughtInside) {
    CGraphState state = StateOf();
    const CMeasurementRecord record = FlatRecord(10, 80.0f);
    state.RangeFirst = 40;
    state.RangeLast = 70;
    ComputeBaseLayout(state, record, false);
    EXPECT_EQ(state.RangeLast, 10);
    EXPECT_EQ(state.RangeFirst, 10);
    EXPECT_EQ(state.PlotX.size(), 10u);

    // One displayed reading: the whole width per reading, nothing to place.
    EXPECT_FLOAT_EQ(state.SampleSpacing, 620.0f);

    state.RangeFirst = -5;
    state.RangeLast = 3;
    ComputeBaseLayout(state, record, false);
    EXPECT_EQ(state.RangeFirst, 1);
    EXPECT_EQ(state.RangeLast, 3);

    const CMeasurementRecord empty;
    ComputeBaseLayout(state, empty, false);
    EXPECT_EQ(state.RangeFirst, 0);
    EXPECT_EQ(state.RangeLast, 0);
    EXPECT_TRUE(state.PlotX.empty());
}

TEST(BaseLayout, realTimeRun_fillsTheWidthThenStepsTheScale) {
    CGraphState state = StateOf();
    FillScaleTable(state);
    CMeasurementRecord record = RealTimeRecord(100);
    ShowWhole(state, record);
    ComputeBaseLayout(state, record, true);
    // The first hundred readings spread over the whole width.
    EXPECT_FLOAT_EQ(state.SampleSpacing, 620.0f / 99.0f);
    EXPECT_NEAR(state.PlotX[99][0], 720.0, 1e-3);
    EXPECT_FALSE(state.ScaleChanged);
    EXPECT_EQ(state.PlotX.size(), static_cast<std::size_t>(REAL_TIME_CAPACITY));

    // The 101st keeps this paint's spacing and asks for the next step of the scale.
    record.SampleCount = 101;
    ShowWhole(state, record);
    ComputeBaseLayout(state, record, true);
    EXPECT_FLOAT_EQ(state.SampleSpacing, 620.0f / 99.0f);
    EXPECT_TRUE(state.ScaleChanged);
    EXPECT_EQ(state.ScaleLevel, 1);

    // The repaint shows them all with room to spare on the right.
    state.ScaleChanged = false;
    ComputeBaseLayout(state, record, true);
    EXPECT_FLOAT_EQ(state.SampleSpacing, 620.0f / 107.0f);
    EXPECT_FALSE(state.ScaleChanged);
    EXPECT_NEAR(state.PlotX[100][0], 100.0 + 620.0 * 100.0 / 107.0, 1e-3);

    // A new run starts at the first step again, unzoomed.
    state.Zoomed = 1;
    state.NeedBaseLayout = false;
    record.SampleCount = 1;
    ShowWhole(state, record);
    ComputeBaseLayout(state, record, true);
    EXPECT_EQ(state.ScaleLevel, 0);
    EXPECT_EQ(state.Zoomed, 0);
    EXPECT_TRUE(state.NeedBaseLayout);
}

// A 500-reading record laid out unzoomed, then zoomed on a rectangle.
class ZoomedLayout : public ::testing::Test {
protected:
    void SetUp() override {
        ShowWhole(state, record);
        ComputeBaseLayout(state, record, false);
        state.Zoomed = 1;
        state.NeedBaseLayout = false;
        state.ApplyZoomRect = true;
        state.ScrollBarsSet = false;
    }

    CMeasurementRecord record = RecordOf([] {
        std::vector<float> levels;
        for (int i = 0; i < 500; ++i) {
            levels.push_back(40.0f + static_cast<float>(i % 50));
        }
        return levels;
    }());
    CGraphState state = StateOf();
};

TEST_F(ZoomedLayout, rectangle_stretchesOverThePlotAndTruncatesTheDivisions) {
    // 124 pixels, a fifth of the width; the lower edge 69 pixels above the bottom.
    state.ZoomRect = {224.0, 350.0, 348.0, 421.0};
    ComputeZoomedLayout(state);

    // 20 + 120 × 69 / 280 = 49.571..., and a tenth of the 71 pixels higher 52.614...
    EXPECT_NEAR(state.ZoomLow, 49.57f, 1e-4f);
    EXPECT_NEAR(state.ZoomNext, 52.61f, 1e-4f);
    for (std::size_t i = 0; i <= 10; ++i) {
        EXPECT_NEAR(state.AxisLabels[1][i], 49.57f + 3.04f * static_cast<float>(i), 1e-3f);
    }
    for (const std::size_t i : {0u, 100u, 150u, 499u}) {
        EXPECT_DOUBLE_EQ(state.PlotX[i][1], 100.0 - (224.0 - state.PlotX[i][0]) * 5.0);
        const double expectedY = 490.0 - 280.0 * (record.Levels[i] - state.AxisLabels[1][0]) /
                                             (state.AxisLabels[1][10] - state.AxisLabels[1][0]);
        EXPECT_NEAR(LevelY(state, record, i, 1), expectedY, 1e-9);
    }
    // The outer layout stays for Undozoom and a nested zoom.
    EXPECT_NEAR(state.PlotX[499][0], 720.0, 1e-3);
}

TEST_F(ZoomedLayout, verticalScroll_movesTheLevelWindowByDivisions) {
    state.ZoomRect = {224.0, 350.0, 348.0, 420.0};  // divisions 50.00, 53.00, ...
    state.VScrollSteps[1] = 2;
    ComputeZoomedLayout(state);
    EXPECT_FLOAT_EQ(state.AxisLabels[1][0], 56.0f);
    EXPECT_FLOAT_EQ(state.AxisLabels[1][10], 86.0f);
}

TEST_F(ZoomedLayout, resize_keepsPositionsInProportion) {
    state.ZoomRect = {224.0, 350.0, 348.0, 421.0};
    ComputeZoomedLayout(state);
    const auto before = state.PlotX;
    const float zoomLow = state.ZoomLow;

    state.PlotRect = PlotRectFor(1000, 700, state.PanelHeight);  // 820 wide, 380 high
    ComputeZoomedLayout(state);
    EXPECT_FALSE(state.ApplyZoomRect);
    EXPECT_EQ(state.ZoomLow, zoomLow);
    for (const std::size_t i : {0u, 120u, 499u}) {
        EXPECT_NEAR(state.PlotX[i][1], (before[i][1] - 100.0) / 620.0 * 820.0 + 100.0, 1e-9);
        EXPECT_NEAR(LevelY(state, record, i, 1),
                    590.0 - 380.0 * (record.Levels[i] - state.AxisLabels[1][0]) /
                                (state.AxisLabels[1][10] - state.AxisLabels[1][0]),
                    1e-9);
    }
}

TEST_F(ZoomedLayout, rectangleWithoutSize_givesFinitePositionsAndDistinctDivisions) {
    state.ZoomRect = {300.0, 300.0, 300.0, 300.0};
    ComputeZoomedLayout(state);
    EXPECT_GT(state.AxisLabels[1][10], state.AxisLabels[1][0]);
    for (std::size_t i = 0; i < 500; ++i) {
        EXPECT_TRUE(std::isfinite(state.PlotX[i][1]));
        EXPECT_TRUE(std::isfinite(LevelY(state, record, i, 1)));
    }
}

TEST_F(ZoomedLayout, scrollBars_takeTheReadingAtTheLeftEdgeAndTheLevelWindow) {
    state.ZoomRect = {224.0, 350.0, 348.0, 420.0};
    ComputeZoomedLayout(state);
    const std::optional<CScrollBarSetup> bars = SetUpScrollBars(state, record);
    ASSERT_TRUE(bars);
    EXPECT_TRUE(state.ScrollBarsSet);
    // x 224 lies 124 pixels right of the first reading, 99.8 readings of 620 / 499 pixels.
    EXPECT_EQ(state.LeftEdgeIndex, 99);
    EXPECT_EQ(bars->HorizontalPosition, 100);
    // Divisions of 3 dB: the middle one, 65 dB, is 15 divisions above 20 dB, of 40 up to 140.
    EXPECT_EQ(state.VScrollMid, 15);
    EXPECT_EQ(state.VScrollMax, 40);
    EXPECT_EQ(bars->VerticalMax, 40);
    EXPECT_EQ(bars->VerticalPosition, 26);
    // Only once per zoom.
    EXPECT_FALSE(SetUpScrollBars(state, record));
}

TEST(SegmentVisible, onlySegmentsThatReachIntoThePlot) {
    const CPixelRect plot{100, 210, 720, 490};
    EXPECT_TRUE(SegmentVisible({300, 100, 310, 600}, plot));   // through the whole height
    EXPECT_FALSE(SegmentVisible({300, 100, 310, 150}, plot));  // above it
    EXPECT_FALSE(SegmentVisible({300, 210, 310, 150}, plot));  // touching the top from above
    EXPECT_TRUE(SegmentVisible({300, 210, 310, 210}, plot));   // along the top edge
    EXPECT_TRUE(SegmentVisible({300, 490, 310, 490}, plot));   // along the bottom edge
    EXPECT_FALSE(SegmentVisible({300, 490, 310, 520}, plot));
    EXPECT_FALSE(SegmentVisible({90, 300, 100, 300}, plot));  // left of it
    EXPECT_TRUE(SegmentVisible({99, 300, 101, 300}, plot));
    EXPECT_FALSE(SegmentVisible({720, 300, 730, 300}, plot));  // right of it
    EXPECT_TRUE(SegmentVisible({719, 300, 720, 300}, plot));
}

TEST(LevelLabelClass, byCharacterCountOfTheLabel) {
    const std::vector<std::pair<float, int>> cases = {
        {-150.0f, 1}, {-100.0f, 1}, {-99.99f, 2}, {-10.0f, 2}, {-9.99f, 3}, {-0.01f, 3},
        {0.0f, 4},    {9.99f, 4},   {10.0f, 3},   {99.99f, 3}, {100.0f, 2}, {140.0f, 2}};
    for (const auto& [level, expected] : cases) {
        EXPECT_EQ(LevelLabelClass(level), expected) << level;
    }
}

TEST(TruncToInt, towardZeroAndNeverUndefined) {
    EXPECT_EQ(TruncToInt(2.9), 2);
    EXPECT_EQ(TruncToInt(-2.9), -2);
    EXPECT_EQ(TruncToInt(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(TruncToInt(std::numeric_limits<double>::infinity()), 1000000000);
    EXPECT_EQ(TruncToInt(-1e300), -1000000000);
}

}  // namespace
