// The graph of a growing real-time series, reading by reading, on a view of 800 × 600: plot
// (100, 210) to (720, 490), level axis 20 to 140 dB, black background, red curve, blue grid.

#include <QLineEdit>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "dialogs/display/CInfoDlg.h"
#include "graph/GraphLayout.h"
#include "tests/QtTestEnvironment.h"
#include "tests/graph/GraphTestSupport.h"

namespace {

constexpr CPixelRect PLOT{100, 210, 720, 490};
constexpr int SECOND_LEVEL_LINE = PLOT.Top + 28;

// What an appended reading did to the kept picture.
enum class Outcome { Drawn, Composed, Nothing };

std::ostream& operator<<(std::ostream& out, Outcome outcome) {
    return out << (outcome == Outcome::Drawn      ? "drawn"
                   : outcome == Outcome::Composed ? "composed"
                                                  : "nothing");
}

class CurveExtension : public ::testing::Test, protected CGraphViewFixture {
protected:
    void SetUp() override {
        CMeasurementRecord record = ExampleRecord(0);
        record.ReplaceSeries(REAL_TIME_CAPACITY);
        Doc.RealTimeActive = true;
        Doc.StoredData = false;
        Doc.ReplaceRecord(std::move(record), DocumentChange::RealTimeStarted);
        View->State().Settings.ShowYAxis = 0;  // the level grid alone marks the kept picture
        Paint();
        View->State().FirstGraphSeen = true;  // no zoom reset in the middle of a test
    }

    // What the poll of a real-time run does with a new level.
    void Append(float level) {
        CMeasurementRecord& record = Doc.Record();
        record.Levels[static_cast<std::size_t>(record.SampleCount)] = level;
        ++record.SampleCount;
        record.Info.DataNo = std::to_string(record.SampleCount);
        Doc.UpdateAllViews(DocumentChange::ReadingAppended);
    }

    // Appends a reading over a picture composed with the level grid, which the next composed
    // picture leaves out: the grid still there afterwards shows that the picture was drawn
    // over, not composed again.
    Outcome AppendAndWatch(float level) {
        CViewSettings& settings = View->State().Settings;
        settings.ShowXAxis = 1;
        const QImage before = Paint();
        settings.ShowXAxis = 0;
        Append(level);
        View->grab();
        const QImage& after = View->Picture();
        if (CountPixels(after, BLUE, PLOT.Left + 1, SECOND_LEVEL_LINE, PLOT.Right,
                        SECOND_LEVEL_LINE + 1) == 0) {
            return Outcome::Composed;
        }
        return after == before ? Outcome::Nothing : Outcome::Drawn;
    }
};

TEST_F(CurveExtension, newestSegment_drawnOverThePictureUnlessItMustBeComposed) {
    // 60 dB lies at y 396, 140 dB on the top edge, 150 dB above it, 10 dB below the bottom.
    const struct {
        float Level;
        Outcome Expected;
        const char* Why;
    } readings[] = {
        {60.0f, Outcome::Composed, "the first reading"},
        {60.0f, Outcome::Composed, "the second reading"},
        {60.0f, Outcome::Drawn, "inside the plot"},
        {150.0f, Outcome::Composed, "crossing the top edge"},
        {150.0f, Outcome::Nothing, "above the top"},
        {140.0f, Outcome::Nothing, "from above the top to the edge"},
        {140.0f, Outcome::Drawn, "along the top edge"},
        {60.0f, Outcome::Drawn, "from the edge inwards"},
        {10.0f, Outcome::Composed, "crossing the bottom edge"},
        {60.0f, Outcome::Composed, "crossing it back"},
    };
    for (const auto& reading : readings) {
        EXPECT_EQ(AppendAndWatch(reading.Level), reading.Expected)
            << reading.Why << ", reading " << Doc.Record().SampleCount;
    }
}

TEST_F(CurveExtension, hundredReadings_fillThePlot_andTheNextStepsTheScale) {
    for (int i = 0; i < 3; ++i) {
        Append(60.0f);
    }
    // The fourth reading's segment runs from x 112 to 118, at y 396.
    EXPECT_NE(View->Picture().pixelColor(115, 396), RED);
    EXPECT_EQ(AppendAndWatch(60.0f), Outcome::Drawn);
    EXPECT_EQ(View->Picture().pixelColor(115, 396), RED);

    while (Doc.Record().SampleCount < 99) {
        Append(60.0f);
    }
    EXPECT_EQ(AppendAndWatch(60.0f), Outcome::Drawn);
    EXPECT_EQ(View->Picture().pixelColor(PLOT.Right - 1, 396), RED);  // the 100th on the edge

    // The 101st reading brings the next scale at once, with room to the right of the newest.
    EXPECT_EQ(AppendAndWatch(60.0f), Outcome::Composed);
    const CGraphState& state = View->State();
    EXPECT_EQ(state.ScaleLevel, 1);
    EXPECT_FALSE(state.ScaleChanged);
    const double spacing = PLOT.Width() / (state.ScaleTable[1] - 1.0);
    const int lastX = TruncToInt(PLOT.Left + 100 * spacing);
    EXPECT_LT(lastX, PLOT.Right - 30);
    const QImage& picture = View->Picture();
    EXPECT_EQ(picture.pixelColor(lastX - 1, 396), RED);
    EXPECT_EQ(CountPixels(picture, RED, lastX + 1, PLOT.Top, PLOT.Right, PLOT.Bottom), 0);
    EXPECT_EQ(AppendAndWatch(60.0f), Outcome::Drawn);
}

TEST_F(CurveExtension, whileZoomed_theSegmentTakesTheZoomedLayout) {
    View->State().Settings.ShowMarkPoints = 1;
    for (int i = 0; i < 20; ++i) {
        Append(65.0f);
    }
    // Twice the readings' spacing; the level axis 50.00 to 80.00, so 65 dB lies at y 350.
    CGraphState& state = View->State();
    state.Zoomed = 1;
    state.NeedBaseLayout = false;
    state.ApplyZoomRect = true;
    state.ScrollBarsSet = false;
    state.ZoomRect = {100.0, 350.0, 410.0, 420.0};
    Paint();
    ASSERT_EQ(state.AxisLabels[1][0], 50.0f);

    // Reading 21 is drawn from x 337 (reading 20) to 350, with its mark points.
    EXPECT_EQ(AppendAndWatch(65.0f), Outcome::Drawn);
    const QImage& picture = View->Picture();
    EXPECT_EQ(picture.pixelColor(343, 350), RED);
    for (const int y : {349, 351}) {
        EXPECT_EQ(picture.pixelColor(351, y), RED) << y;
    }
    EXPECT_NE(picture.pixelColor(343, 385), RED);  // not where the unzoomed layout puts it
}

TEST_F(CurveExtension, duringADrag_nothingIsDrawnAndTheScaleStepWaits) {
    while (Doc.Record().SampleCount < 100) {
        Append(60.0f);
    }
    CGraphState& state = View->State();
    state.Dragging = true;
    EXPECT_EQ(AppendAndWatch(60.0f), Outcome::Nothing);
    EXPECT_TRUE(state.ScaleChanged);
    EXPECT_EQ(AppendAndWatch(60.0f), Outcome::Nothing);

    state.Dragging = false;
    EXPECT_EQ(AppendAndWatch(60.0f), Outcome::Composed);
    EXPECT_FALSE(state.ScaleChanged);
    // The panel shows every reading, drawn or not.
    EXPECT_EQ(View->InfoPanel()->Field("DataNo.")->text(), "103");
}

}  // namespace

namespace {

TEST_F(CurveExtension, eachLiveReadingIsAmongTheReadingsShown) {
    const QSignalSpy changes(View.get(), &CDTView::ReadingsShownChanged);
    for (int reading = 1; reading <= 3; ++reading) {
        Append(60.0f + reading);
        EXPECT_EQ(changes.count(), reading);
        EXPECT_EQ(View->ReadingsShown().First, 1);
        EXPECT_EQ(View->ReadingsShown().Last, reading);
    }
}

}  // namespace
