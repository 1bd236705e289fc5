// Color Setup and View: the pickers and boxes opened from the current choices, a change taken
// only by OK, the swatch-only pickers, and an index a settings file put beyond the palette.

#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTest>

#include <gtest/gtest.h>

#include "dialogs/display/CColorCombo.h"
#include "dialogs/display/CColorSetupDlg.h"
#include "dialogs/display/CViewSetupDlg.h"
#include "tests/QtTestEnvironment.h"

namespace {

const QColor BLACK(0, 0, 0);
const QColor RED(255, 0, 0);
const QColor BLUE(0, 0, 255);
const QColor CYAN(0, 255, 255);

// The columns of the closed picker's face that show `color`, from its left edge.
std::vector<int> ColumnsOf(CColorCombo& picker, const QColor& color) {
    const QImage face = picker.grab().toImage();
    std::vector<int> columns;
    for (int x = 0; x < face.width(); ++x) {
        for (int y = 0; y < face.height(); ++y) {
            if (face.pixelColor(x, y) == color) {
                columns.push_back(x);
                break;
            }
        }
    }
    return columns;
}

// A click on the box itself, at the check mark.
void ClickBox(QCheckBox& box) {
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.height() / 2, box.height() / 2));
}

TEST(ColorSetupDialog, opening_selectsTheCurrentColoursInPickersOfSwatchesOnly) {
    CColorSetupDlg dialog(CGraphColorIndexes{});
    EXPECT_EQ(dialog.windowTitle(), "Color Setup");
    const struct {
        CColorCombo& Picker;
        int Index;
        QColor Color;
    } pickers[] = {{dialog.BackgroundPicker(), 13, BLACK},
                   {dialog.SoundPicker(), 0, RED},
                   {dialog.GridPicker(), 2, BLUE}};
    for (const auto& p : pickers) {
        EXPECT_EQ(p.Picker.currentIndex(), p.Index);
        EXPECT_EQ(p.Picker.SelectedColor(), p.Color);
        ASSERT_EQ(p.Picker.count(), 14);
        for (int i = 0; i < p.Picker.count(); ++i) {
            EXPECT_TRUE(p.Picker.itemText(i).isEmpty()) << i;
        }
        EXPECT_EQ(p.Picker.itemData(5).value<QColor>(), CYAN);
    }
}

TEST(ColorSetupDialog, closedPicker_showsOnlyTheChosenSwatch50PixelsWide) {
    CColorSetupDlg dialog(CGraphColorIndexes{});
    dialog.show();
    CColorCombo& sound = dialog.SoundPicker();
    QStyleOptionComboBox option;
    option.initFrom(&sound);
    const QRect face = sound.style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                     QStyle::SC_ComboBoxEditField, &sound);
    // A black frame at face columns 1 and 50, red between them, and no text beside it.
    const std::vector<int> red = ColumnsOf(sound, RED);
    ASSERT_EQ(red.size(), 48u);
    EXPECT_EQ(red.front(), face.left() + 2);
    EXPECT_EQ(red.back(), face.left() + 49);
    const QImage picture = sound.grab().toImage();
    const int middle = face.center().y();
    EXPECT_EQ(picture.pixelColor(face.left() + 1, middle), BLACK);
    EXPECT_EQ(picture.pixelColor(face.left() + 50, middle), BLACK);
    for (int x = face.left() + 52; x < face.right(); ++x) {
        EXPECT_EQ(picture.pixelColor(x, middle), picture.pixelColor(face.left() + 52, middle)) << x;
    }
}

TEST(ColorSetupDialog, indexBeyondThePalette_showsNoSelectionAndOkKeeps255) {
    CColorSetupDlg dialog(CGraphColorIndexes{200, 0, 14});
    EXPECT_EQ(dialog.BackgroundPicker().currentIndex(), -1);
    EXPECT_FALSE(dialog.BackgroundPicker().SelectedColor().isValid());
    EXPECT_TRUE(ColumnsOf(dialog.BackgroundPicker(), BLACK).empty());
    QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.Chosen(), (CGraphColorIndexes{255, 0, 255}));
}

TEST(ViewSetupDialog, eachBoxShowsAndSetsItsOwnSwitch) {
    using Switch = std::uint8_t CViewSettings::*;
    const std::pair<const char*, Switch> boxes[] = {
        {"Sound", &CViewSettings::ShowCurve},
        {"Sound Alarm Hi", &CViewSettings::ShowAlarmHigh},
        {"Sound Alarm Low", &CViewSettings::ShowAlarmLow},
        {"X Axis", &CViewSettings::ShowXAxis},
        {"Y Axis", &CViewSettings::ShowYAxis},
        {"Mark Points", &CViewSettings::ShowMarkPoints},
    };
    const CViewSettings opened;  // curve and both grids on, alarm lines and mark points off
    for (const auto& [text, field] : boxes) {
        CViewSetupDlg dialog(opened);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "View ");
        EXPECT_EQ(dialog.Box(text).isChecked(), opened.*field != 0) << text;
        ClickBox(dialog.Box(text));
        QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
        CViewSettings expected = opened;
        expected.*field = opened.*field != 0 ? 0 : 1;
        EXPECT_EQ(dialog.Chosen(), expected) << text;
    }
}

TEST(ViewSetupDialog, cancelKeepsTheSwitchesAndUnchangedBoxesKeepThemToo) {
    CViewSettings opened;
    opened.ShowMarkPoints = 2;  // a settings file's "on" other than 1
    opened.AxisLow = 35;
    CViewSetupDlg cancelled(opened);
    cancelled.show();
    ClickBox(cancelled.Box("Sound"));
    QTest::mouseClick(&cancelled.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_EQ(cancelled.Chosen(), opened);

    CViewSetupDlg unchanged(opened);
    unchanged.show();
    EXPECT_TRUE(unchanged.Box("Mark Points").isChecked());
    QTest::keyClick(&unchanged, Qt::Key_Return);  // OK is the default button
    EXPECT_EQ(unchanged.result(), QDialog::Accepted);
    CViewSettings expected = opened;
    expected.ShowMarkPoints = 1;
    EXPECT_EQ(unchanged.Chosen(), expected);
}

}  // namespace
