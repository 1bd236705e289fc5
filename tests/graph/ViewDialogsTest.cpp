// The view toolbar's Axis Setup, Color Setup and View buttons: each opens its dialog over the
// view's state, OK changes the picture, Cancel changes nothing.

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include "dialogs/display/CAxisSetupDlg.h"
#include "dialogs/display/CColorCombo.h"
#include "dialogs/display/CColorSetupDlg.h"
#include "dialogs/display/CNumberEdit.h"
#include "dialogs/display/CViewSetupDlg.h"
#include "tests/ModalDialog.h"
#include "tests/QtTestEnvironment.h"
#include "tests/graph/GraphTestSupport.h"

namespace {

constexpr int READINGS = 500;

class ViewDialogs : public ::testing::Test, protected CGraphViewFixture {
protected:
    void SetUp() override {
        Download(ExampleRecord(READINGS));
        Paint();
        View->State().FirstGraphSeen = true;  // no first-graph reset in the middle of a test
    }

    QAction& Button(const QString& caption) {
        for (QAction* action : View->findChild<QToolBar*>()->actions()) {
            if (action->text() == caption) {
                return *action;
            }
        }
        throw std::invalid_argument(caption.toStdString());
    }

    // Axis Setup with the four numbers typed, then OK, and Cancel should OK not close it.
    bool SetAxes(const char* yFrom, const char* yTo, const char* xFrom, const char* xTo) {
        return WhileModal<CAxisSetupDlg>(
            [this] { Button("Axis Setup").trigger(); },
            [&](CAxisSetupDlg& dialog) {
                for (const auto& [edit, text] :
                     {std::pair{&dialog.YFromEdit(), yFrom}, std::pair{&dialog.YToEdit(), yTo},
                      std::pair{&dialog.XFromEdit(), xFrom}, std::pair{&dialog.XToEdit(), xTo}}) {
                    edit->clear();
                    QTest::keyClicks(edit, text);
                }
                QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
                if (dialog.isVisible()) {
                    QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
                }
            });
    }

    int CurvePixels(const QColor& color) {
        return CountPixels(Paint(), color, View->State().PlotRect);
    }
};

TEST_F(ViewDialogs, axisSetup_narrowsTheAxesAndShowsThemUnzoomed) {
    View->State().Zoomed = 1;
    View->State().NeedBaseLayout = false;
    ASSERT_TRUE(SetAxes("40", "100", "101", "400"));
    const CGraphState& state = View->State();
    EXPECT_EQ(state.Settings.AxisLow, 40);
    EXPECT_EQ(state.Settings.AxisHigh, 100);
    EXPECT_EQ(state.RangeFirst, 101);
    EXPECT_EQ(state.RangeLast, 400);
    EXPECT_EQ(state.Zoomed, 0);
    EXPECT_TRUE(state.NeedBaseLayout);
    Paint();
    EXPECT_FLOAT_EQ(state.AxisLabels[0][0], 40.0f);
    EXPECT_FLOAT_EQ(state.AxisLabels[0][10], 100.0f);
    // Reading 101 now stands on the plot's left edge.
    EXPECT_DOUBLE_EQ(state.PlotX[100][0], state.PlotRect.Left);
    EXPECT_TRUE(Host.Messages.Log.empty());
}

TEST_F(ViewDialogs, axisSetup_aRefusedRangeThenCancel_changesNothing) {
    const CViewSettings before = View->Settings();
    ASSERT_TRUE(SetAxes("80", "80", "300", "200"));
    EXPECT_EQ(Host.Messages.Texts(),
              (std::vector<std::string>{MSG_Y_AXIS_ORDER, MSG_X_AXIS_ORDER}));
    EXPECT_EQ(View->Settings(), before);
    EXPECT_EQ(View->State().RangeFirst, 1);
    EXPECT_EQ(View->State().RangeLast, READINGS);
}

TEST_F(ViewDialogs, axisSetup_doesNothingWhileTheLevelWindowIsOpen) {
    View->ShowLevelWindow(true);
    ASSERT_NE(View->LevelWindow(), nullptr);
    EXPECT_FALSE(SetAxes("40", "100", "1", "500"));
    View->LevelWindow()->close();
    ASSERT_TRUE(WaitUntil([&] { return View->LevelWindow() == nullptr; }));
    EXPECT_TRUE(SetAxes("40", "100", "1", "500"));
}

TEST_F(ViewDialogs, axisSetup_choosesTheFirstScaleStepThatHoldsTheReadingsShown) {
    CMeasurementRecord record = ExampleRecord(20000);
    Download(std::move(record));
    Paint();
    const std::vector<std::int32_t>& table = View->State().ScaleTable;
    ASSERT_GE(table.size(), 4u);
    ASSERT_LT(table.back(), 20000);
    const struct {
        int Shown;  // readings from the range's first to the record's last
        std::int32_t Level;
    } cases[] = {{table[0], 0}, {table[0] + 1, 1}, {table[2], 2}, {20000, 3}};
    for (const auto& c : cases) {
        View->State().ScaleLevel = 3;  // kept when no step holds them all
        const std::string first = std::to_string(20000 - c.Shown + 1);
        ASSERT_TRUE(SetAxes("20", "140", first.c_str(), "20000"));
        EXPECT_EQ(View->State().ScaleLevel, c.Level) << c.Shown;
    }
}

TEST_F(ViewDialogs, colorSetup_okRedrawsInTheNewColoursAndCancelKeepsTheOld) {
    EXPECT_GT(CurvePixels(RED), 0);
    for (const bool ok : {false, true}) {
        EXPECT_TRUE(WhileModal<CColorSetupDlg>(
            [this] { Button("Color Setup").trigger(); },
            [ok](CColorSetupDlg& dialog) {
                dialog.BackgroundPicker().setCurrentIndex(12);  // White
                dialog.SoundPicker().setCurrentIndex(2);        // Blue
                dialog.GridPicker().setCurrentIndex(1);         // Green
                QTest::mouseClick(ok ? &dialog.OkButton() : &dialog.CancelButton(), Qt::LeftButton);
            }));
        const CGraphColorIndexes expected =
            ok ? CGraphColorIndexes{12, 2, 1} : CGraphColorIndexes{};
        EXPECT_EQ(Host.Colors, expected) << ok;
    }
    const CPixelRect& plot = View->State().PlotRect;
    EXPECT_GT(CurvePixels(WHITE), plot.Width() * plot.Height() / 2);
    EXPECT_GT(CurvePixels(BLUE), 0);
    EXPECT_EQ(CurvePixels(RED), 0);
}

TEST_F(ViewDialogs, viewSetup_switchesTheCurveOffAndCancelKeepsIt) {
    for (const bool ok : {false, true}) {
        EXPECT_TRUE(WhileModal<CViewSetupDlg>(
            [this] { Button("View").trigger(); },
            [ok](CViewSetupDlg& dialog) {
                dialog.Box("Sound").setChecked(false);
                dialog.Box("Mark Points").setChecked(true);
                QTest::mouseClick(ok ? &dialog.OkButton() : &dialog.CancelButton(), Qt::LeftButton);
            }));
        EXPECT_EQ(View->Settings().ShowCurve, ok ? 0 : 1);
        EXPECT_EQ(View->Settings().ShowMarkPoints, ok ? 1 : 0);
        EXPECT_EQ(CurvePixels(RED) > 0, !ok);
    }
}

}  // namespace
