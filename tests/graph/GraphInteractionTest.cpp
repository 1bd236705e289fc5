// The arithmetic of the mouse, the scroll bars and the level window, without a window.

#include <gtest/gtest.h>

#include <cmath>

#include "dialogs/display/LevelAssessment.h"
#include "graph/GraphInteraction.h"
#include "graph/GraphLayout.h"
#include "tests/graph/GraphTestSupport.h"

namespace {

// An 800 × 600 view: plot (100, 210) to (720, 490).
CGraphState ViewState() {
    CGraphState state;
    state.PlotRect = PlotRectFor(800, 600, state.PanelHeight);
    return state;
}

TEST(DragZone, fromAbovePlotToBelowItAndFromLeftOfItToTheClientEdge) {
    const CGraphState state = ViewState();
    const struct {
        CPixelPoint Pointer;
        bool Inside;
    } pointers[] = {
        {{400, 300}, true},  {{51, 300}, true},  {{50, 300}, false},  {{779, 300}, true},
        {{780, 300}, false}, {{400, 208}, true}, {{400, 207}, false}, {{400, 509}, true},
        {{400, 510}, false}, {{-5, 300}, false}, {{400, 900}, false},
    };
    for (const auto& [pointer, inside] : pointers) {
        EXPECT_EQ(InsideDragZone(state, 800, 600, pointer), inside)
            << pointer.X << "," << pointer.Y;
    }
}

TEST(ScrollBars, verticalRequestsStopAtBothEnds) {
    CGraphState state = ViewState();
    state.Zoomed = 1;
    state.VScrollMax = 40;
    state.VScrollMid = 15;  // position 26 with no steps
    const struct {
        ScrollRequest Request;
        std::int32_t Track;
        std::int32_t Position;
    } requests[] = {
        {ScrollRequest::PageBack, 0, 16},    {ScrollRequest::PageBack, 0, 6},
        {ScrollRequest::PageBack, 0, 0},     {ScrollRequest::LineBack, 0, 0},
        {ScrollRequest::LineForward, 0, 1},  {ScrollRequest::Track, 33, 33},
        {ScrollRequest::PageForward, 0, 40}, {ScrollRequest::LineForward, 0, 40},
        {ScrollRequest::PageForward, 0, 40}, {ScrollRequest::Other, 12, 40},
    };
    for (const auto& [request, track, position] : requests) {
        EXPECT_EQ(ScrollVertically(state, request, track), position);
        EXPECT_EQ(state.VScrollSteps[1], 40 - 15 + 1 - position);
    }
    EXPECT_EQ(state.VScrollSteps[0], 0);  // the outer axis has its own steps
}

TEST(ScrollBars, horizontalRequestsSaturateOnADamagedState) {
    CGraphState state = ViewState();
    state.RangeFirst = 1;
    state.RangeLast = 3;
    state.LeftEdgeIndex = 2000000000;
    state.HScrollOffset = -2000000000;
    for (const ScrollRequest request : {ScrollRequest::PageBack, ScrollRequest::LineForward,
                                        ScrollRequest::Track, ScrollRequest::PageForward}) {
        const std::int32_t position = ScrollHorizontally(state, request, -2000000000);
        EXPECT_EQ(position, HorizontalBarPosition(state));
    }
}

TEST(ScrollBars, longRangeThumbFollowsThePointerAlongThePlot) {
    CGraphState state = ViewState();
    state.RangeFirst = 1;
    state.RangeLast = 129920;
    // 30 pixels in from each end of the 620-pixel plot, 560 pixels for the whole range.
    const struct {
        int X;
        std::int32_t Position;
    } pointers[] = {{50, 0},       {129, 0},      {130, 0},     {410, 64960},
                    {690, 129920}, {691, 129920}, {900, 129920}};
    for (const auto& [x, position] : pointers) {
        EXPECT_EQ(TrackPositionFromPointer(state, x), position) << x;
    }
    state.PlotRect = PlotRectFor(150, 600, state.PanelHeight);  // narrower than the margins
    EXPECT_EQ(TrackPositionFromPointer(state, 120), 0);
    EXPECT_EQ(TrackPositionFromPointer(state, 131), 129920);
}

TEST(LevelAssessment, twoHoursFromTheChosenReading) {
    CMeasurementRecord record = RecordOf(std::vector<float>(10000, 60.0f));
    record.Levels[8000] = 135.0f;
    const struct {
        std::int32_t Asked;
        float Interval;
        std::int32_t First;
        std::int32_t Last;
        bool Short;
    } cases[] = {
        {1, 1.0f, 1, 7200, false},       {2801, 1.0f, 2801, 10000, false},
        {2802, 1.0f, 2802, 10000, true}, {10000, 1.0f, 9999, 10000, true},
        {-7, 1.0f, 1, 7200, false},      {1, 2.0f, 1, 3600, false},
        {1, 0.05f, 1, 10000, true},      {1, 60.0f, 1, 120, false},
        {1, 0.0f, 1, 10000, true},       {5, -1.0f, 5, 5, false},
        {3, std::nanf(""), 3, 3, false},
    };
    for (const auto& c : cases) {
        record.SampleInterval = c.Interval;
        const CLevelAssessment assessment = AssessTwoHours(record, c.Asked);
        EXPECT_EQ(assessment.First, c.First) << c.Asked << " every " << c.Interval;
        EXPECT_EQ(assessment.Last, c.Last) << c.Asked << " every " << c.Interval;
        EXPECT_EQ(assessment.ShortOfTwoHours, c.Short) << c.Asked << " every " << c.Interval;
    }
    record.SampleInterval = 1.0f;
    EXPECT_EQ(AssessedLevelText(AssessTwoHours(record, 1).Max), "60.0 dB");
    EXPECT_EQ(AssessedLevelText(AssessTwoHours(record, 3000).Max), "135.0 dB");
}

TEST(LevelAssessment, lampsLightAtTheirLimits) {
    const struct {
        std::vector<float> Levels;
        bool MaxLamp;
        bool AverageLamp;
        const char* Average;
    } cases[] = {
        {{134.9f, 60.0f}, false, false, "97.4 dB"},
        {{135.0f, 60.0f}, true, false, "97.5 dB"},
        {{99.0f, 99.0f}, false, true, "99.0 dB"},
        {{98.9f, 99.0f}, false, false, "99.0 dB"},          // 98.95 before rounding
        {{std::nanf(""), 99.0f}, false, false, "---- dB"},  // no meter gives it
    };
    for (const auto& c : cases) {
        const CLevelAssessment assessment = AssessTwoHours(RecordOf(c.Levels), 1);
        EXPECT_EQ(assessment.MaxAlarm(), c.MaxLamp) << c.Levels[0];
        EXPECT_EQ(assessment.AverageAlarm(), c.AverageLamp) << c.Levels[0];
        EXPECT_EQ(AssessedLevelText(assessment.Average), c.Average) << c.Levels[0];
    }
}

TEST(CursorReadout, aLevelNoMeterGivesShowsAsPlaceholder) {
    CMeasurementRecord record = RecordOf({55.0f, std::nanf(""), INFINITY});
    record.Info.Unit = "dBA";
    for (const std::int32_t index : {1, 2}) {
        const std::string readout = CursorReadout(record, index);
        EXPECT_EQ(readout.substr(readout.rfind("Sound:")), "Sound:----dBA") << index;
    }
}

}  // namespace
