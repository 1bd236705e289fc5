// The curve drawn column by column sets exactly the pixels that drawing every segment sets, for
// any record, window size, zoom, scroll position and mark points.

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <sstream>

#include <QPainter>

#include <gtest/gtest.h>

#include "document/CDTDoc.h"
#include "graph/GraphPainter.h"
#include "graph/GraphScene.h"
#include "tests/QtTestEnvironment.h"
#include "tests/graph/GraphTestSupport.h"

namespace {

class CRandomCase {
public:
    explicit CRandomCase(unsigned seed) : m_random(seed) {}

    int Between(int low, int high) { return std::uniform_int_distribution(low, high)(m_random); }
    double Real(double low, double high) {
        return std::uniform_real_distribution(low, high)(m_random);
    }
    bool Chance(double p) { return std::bernoulli_distribution(p)(m_random); }

    // From a couple of readings to a full memory, most of them a few thousand.
    int ReadingCount() {
        return std::clamp(static_cast<int>(std::exp(Real(std::log(2.0), std::log(129920.0)))), 2,
                          STORED_CAPACITY);
    }

    // Noise, steps, slow swells and levels far beyond the axis, mixed.
    std::vector<float> Levels(int count) {
        std::vector<float> levels(static_cast<std::size_t>(count));
        double level = Real(30.0, 110.0);
        const double spread = Real(0.0, 30.0);
        for (float& value : levels) {
            if (Chance(0.002)) {
                level = Real(-50.0, 250.0);
            } else if (Chance(0.3)) {
                level += Real(-spread, spread);
            }
            value = static_cast<float>(std::round((level + Real(-spread, spread)) * 10) / 10);
        }
        return levels;
    }

private:
    std::mt19937 m_random;
};

QImage Picture(CGraphState& state, CDTDoc& doc, CSceneInputs inputs, bool everySegment) {
    inputs.EverySegment = everySegment;
    const CGraphScene scene = ComposeGraphScene(state, doc, inputs);
    QImage picture(inputs.ClientWidth, inputs.ClientHeight, QImage::Format_RGB32);
    CGraphPainter().Draw(picture, scene);
    return picture;
}

std::string FirstDifference(const QImage& a, const QImage& b) {
    int differing = 0;
    std::ostringstream first;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y) && differing++ == 0) {
                first << "first at (" << x << ", " << y << ")";
            }
        }
    }
    return std::to_string(differing) + " pixels differ, " + first.str();
}

// The levels of a record for an axis from `low` to `high` dB.
using LevelsFor = std::function<std::vector<float>(CRandomCase&, int low, int high)>;

// The record's picture in a random window, axis, zoom, scroll position and mark points, drawn
// both ways and compared. Returns whether the curve showed in the plot.
bool ExpectSamePicture(unsigned seed, const LevelsFor& levelsFor, const std::string& record) {
    CRandomCase random(seed);
    CGraphState state;
    state.DisplayState = GraphDisplay::Graph;
    state.Settings.ShowMarkPoints = random.Chance(0.4) ? 1 : 0;
    state.Settings.AxisLow = random.Between(0, 60);
    state.Settings.AxisHigh = state.Settings.AxisLow + random.Between(30, 150);
    CDTDoc doc;
    doc.StoredData = true;
    doc.ReplaceRecord(RecordOf(levelsFor(random, state.Settings.AxisLow, state.Settings.AxisHigh)),
                      DocumentChange::Downloaded);
    CSceneInputs inputs;
    inputs.ClientWidth = random.Between(250, 1700);
    inputs.ClientHeight = random.Between(400, 1100);
    Picture(state, doc, inputs, false);  // lays the whole record out

    // Zoomed into a rectangle of the plot (tall enough to keep much of the curve in view),
    // perhaps scrolled either way.
    const CPixelRect plot = state.PlotRect;
    if (random.Chance(0.6) && plot.Width() > 8 && plot.Height() > 8) {
        const int x0 = random.Between(plot.Left, plot.Right - 5);
        const int height = random.Between(plot.Height() / 3, plot.Height());
        const int y0 = random.Between(plot.Top, plot.Bottom - height);
        state.ZoomRect = {static_cast<double>(x0), static_cast<double>(y0),
                          static_cast<double>(random.Between(x0 + 4, plot.Right)),
                          static_cast<double>(y0 + height)};
        state.Zoomed = 1;
        state.NeedBaseLayout = false;
        state.ApplyZoomRect = true;
        state.ScrollBarsSet = false;
        Picture(state, doc, inputs, false);
        if (random.Chance(0.5)) {
            state.HScrollOffset = random.Between(-200, 200);
            state.VScrollSteps[1] = random.Between(-2, 2);
        }
    }
    const QImage columns = Picture(state, doc, inputs, false);
    const QImage everySegment = Picture(state, doc, inputs, true);
    EXPECT_EQ(columns.size(), everySegment.size());
    EXPECT_TRUE(columns == everySegment)
        << record << ", seed " << seed << ", " << doc.Record().SampleCount << " readings at "
        << inputs.ClientWidth << " x " << inputs.ClientHeight << ", zoomed " << state.Zoomed
        << ", mark points " << int{state.Settings.ShowMarkPoints} << ": "
        << FirstDifference(columns, everySegment);
    // The curve may lie along the plot's bottom row.
    return CountPixels(columns, RED, {plot.Left, plot.Top, plot.Right, plot.Bottom + 1}) > 0;
}

TEST(ColumnCurve, drawsThePixelsOfEverySegment) {
    const LevelsFor randomLevels = [](CRandomCase& random, int, int) {
        return random.Levels(random.ReadingCount());
    };
    int withCurve = 0;
    for (unsigned seed = 1; seed <= 60; ++seed) {
        withCurve += ExpectSamePicture(seed, randomLevels, "random record") ? 1 : 0;
    }
    // Most cases must show a curve for the comparison to mean something.
    EXPECT_GE(withCurve, 40);
}

// Records at the edges of what the curve meets: too short for a segment, flat (within the
// plot and along its top and bottom edges), levels that are no number or infinite, and
// readings that leap across the whole plot and beyond.
TEST(ColumnCurve, drawsThePixelsOfEverySegmentForEdgeRecords) {
    constexpr float NOT_A_LEVEL = std::numeric_limits<float>::quiet_NaN();
    constexpr float INFINITE = std::numeric_limits<float>::infinity();
    const auto repeated = [](int count, const std::function<float(int i)>& level) {
        std::vector<float> levels(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            levels[static_cast<std::size_t>(i)] = level(i);
        }
        return levels;
    };
    const struct {
        const char* Record;
        LevelsFor Levels;
        bool CurveShows;  // in at least half the views
    } cases[] = {
        {"one reading", [](CRandomCase&, int low, int) { return std::vector<float>{low + 20.0f}; },
         false},
        {"flat",
         [&](CRandomCase& random, int low, int high) {
             return repeated(random.ReadingCount(), [&](int) { return (low + high) / 2.0f; });
         },
         true},
        {"flat on the plot's top edge",
         [&](CRandomCase& random, int, int high) {
             return repeated(random.ReadingCount(), [&](int) { return static_cast<float>(high); });
         },
         true},
        {"flat on the plot's bottom edge",
         [&](CRandomCase& random, int low, int) {
             return repeated(random.ReadingCount(), [&](int) { return static_cast<float>(low); });
         },
         true},
        {"levels no meter gives among the readings",
         [&](CRandomCase& random, int, int) {
             std::vector<float> levels = random.Levels(random.ReadingCount());
             for (float& level : levels) {
                 const int pick = random.Between(0, 19);
                 level = pick == 0   ? NOT_A_LEVEL
                         : pick == 1 ? INFINITE
                         : pick == 2 ? -INFINITE
                                     : level;
             }
             return levels;
         },
         true},
        {"very steep: from beyond the bottom to beyond the top at every reading",
         [&](CRandomCase& random, int low, int high) {
             return repeated(random.ReadingCount(),
                             [&](int i) { return i % 2 ? high + 80.0f : low - 80.0f; });
         },
         true},
        {"very steep within the plot, a full memory",
         [&](CRandomCase& random, int low, int high) {
             return repeated(STORED_CAPACITY,
                             [&](int) { return static_cast<float>(random.Real(low, high)); });
         },
         true},
    };
    unsigned seed = 1000;
    for (const auto& edge : cases) {
        int withCurve = 0;
        for (int view = 0; view < 6; ++view) {
            withCurve += ExpectSamePicture(++seed, edge.Levels, edge.Record) ? 1 : 0;
        }
        if (edge.CurveShows) {
            EXPECT_GE(withCurve, 3) << edge.Record;
        } else {
            EXPECT_EQ(withCurve, 0) << edge.Record;
        }
    }
}

// The placer's shortcuts agree with taking the readings one by one: the first reading at or
// right of a place, and the lowest and highest y of a stretch of readings, which has none when
// a level anywhere in the stretch is not a number or infinite.
TEST(CurvePlacer, shortcutsAgreeWithTheReadingsOneByOne) {
    CRandomCase random(77);
    CMeasurementRecord record = RecordOf(random.Levels(400));
    CGraphState state;
    state.PlotRect = {100, 210, 1500, 890};
    state.RangeFirst = 3;
    state.AxisLabels[0] = {30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130};
    std::vector<float> notLevels;  // the first nine cases have every level a number
    for (int n = 0; n < 9; ++n) {
        notLevels.push_back(0.0f);
    }
    for (const float notLevel :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
          -std::numeric_limits<float>::infinity()}) {
        notLevels.push_back(notLevel);
    }
    int placesFound = 0;
    for (std::size_t n = 0; n < notLevels.size() * 20; ++n) {
        state.HScrollOffset = random.Between(-50, 50);
        const CReadingAxis axis{random.Real(-500.0, 500.0), random.Real(0.001, 40.0)};
        const CCurvePlacer placer(state, record, axis);
        const std::int64_t from = random.Between(0, 390);
        const std::int64_t to = random.Between(static_cast<int>(from) + 1, 397);

        const double x = random.Real(placer.X(from) - 5.0, placer.X(to) + 5.0);
        std::int64_t first = from;
        while (first < to && placer.X(first) < x) {
            ++first;
        }
        ASSERT_EQ(placer.FirstReaching(x, from, to), first) << n;
        placesFound += first > from && first < to;

        const float notLevel = notLevels[n % notLevels.size()];
        const auto at = static_cast<std::size_t>(
            state.RangeFirst - 1 +
            random.Between(static_cast<int>(from), static_cast<int>(to) - 1));
        const float level = record.Levels[at];
        if (notLevel != 0.0f) {  // true of NaN too
            record.Levels[at] = notLevel;
        }
        const auto range = placer.YRange(from, to);
        if (record.Levels[at] != level) {
            EXPECT_FALSE(range) << n << ": " << record.Levels[at] << " at " << at;
        } else {
            ASSERT_TRUE(range) << n;
            double low = placer.Y(from);
            double high = low;
            for (std::int64_t k = from; k < to; ++k) {
                low = std::min(low, placer.Y(k));
                high = std::max(high, placer.Y(k));
            }
            EXPECT_EQ(range->Low, low) << n;
            EXPECT_EQ(range->High, high) << n;
        }
        record.Levels[at] = level;
    }
    EXPECT_GT(placesFound, 100);  // most places lay inside the stretch
}

}  // namespace
