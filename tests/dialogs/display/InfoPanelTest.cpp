// The info panel: its texts, its alarm lamps, and the keys it keeps to itself.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "dialogs/display/CInfoDlg.h"
#include "dialogs/display/LedPicture.h"
#include "tests/QtTestEnvironment.h"
#include "tests/document/ExampleRecord.h"

namespace {

const QStringList FIELD_LABELS = {"Start Time",  "Mode", "DataNo.", "Sound Alarm Hi",
                                  "Sample Rate", "Unit", "Speed",   "Sound Alarm Low",
                                  "Sound MAX",   "MIN",  "AVG"};

bool IsLit(const QPixmap& picture) {
    const QColor centre =
        picture.toImage().pixelColor(picture.width() / 2, picture.height() / 2 + 2);
    return centre.red() > 200 && centre.green() < 100;
}

// The lamps of the panel that are shown, lit first, top row first.
struct VisibleLamps {
    int Count = 0;
    bool HighLit = false;
    bool LowLit = false;
};

VisibleLamps LampsOf(const CInfoDlg& panel) {
    VisibleLamps lamps;
    int topRow = INT_MAX;
    for (const QLabel* label : panel.findChildren<QLabel*>()) {
        topRow = label->pixmap().isNull() ? topRow : std::min(topRow, label->y());
    }
    for (const QLabel* label : panel.findChildren<QLabel*>()) {
        if (label->pixmap().isNull() || !label->isVisibleTo(&panel)) {
            continue;
        }
        ++lamps.Count;
        const bool lit = IsLit(label->pixmap());
        (label->y() == topRow ? lamps.HighLit : lamps.LowLit) = lit;
    }
    return lamps;
}

TEST(InfoPanel, refresh_showsTheRecordTextsInTheirFields) {
    CInfoDlg panel(nullptr);
    CMeasurementRecord record = ExampleRecord(500, 0.5f);
    panel.Refresh(record);

    EXPECT_EQ(panel.Field("Start Time")->text(), "05/06/14 14:02:07");
    EXPECT_EQ(panel.Field("Sample Rate")->text(), "500 ms");
    EXPECT_EQ(panel.Field("DataNo.")->text(), "500");
    EXPECT_EQ(panel.Field("Unit")->text(), "dBA");
    EXPECT_EQ(panel.Field("Speed")->text(), "FAST");
    EXPECT_EQ(panel.Field("Mode")->text(), "STOR");
    EXPECT_EQ(panel.Field("Sound Alarm Hi")->text(), "130 ");
    EXPECT_EQ(panel.Field("Sound Alarm Low")->text(), "30 ");
    EXPECT_EQ(panel.Field("Sound MAX")->text().toStdString(), record.MaxText);
    EXPECT_EQ(panel.Field("MIN")->text().toStdString(), record.MinText);
    EXPECT_EQ(panel.Field("AVG")->text().toStdString(), record.AvgText);
    for (const QString& label : FIELD_LABELS) {
        EXPECT_TRUE(panel.Field(label)->isReadOnly()) << label.toStdString();
    }

    // The panel shows, it never keeps: a changed record shows only after the next refresh.
    record.ModeText = "RT";
    EXPECT_EQ(panel.Field("Mode")->text(), "STOR");
    panel.Refresh(record);
    EXPECT_EQ(panel.Field("Mode")->text(), "RT");
}

TEST(InfoPanel, fields_standInThreeRowsInTemplateOrder) {
    CInfoDlg panel(nullptr);
    const auto geometry = [&](const char* label) { return panel.Field(label)->geometry(); };
    for (const auto& row : {QStringList{"Start Time", "Mode", "DataNo.", "Sound Alarm Hi"},
                            QStringList{"Sample Rate", "Unit", "Speed", "Sound Alarm Low"},
                            QStringList{"Sound MAX", "MIN", "AVG"}}) {
        for (qsizetype i = 1; i < row.size(); ++i) {
            const QRect left = panel.Field(row[i - 1])->geometry();
            const QRect right = panel.Field(row[i])->geometry();
            EXPECT_LT(left.right(), right.left()) << row[i].toStdString();
            // Mode stands a unit higher than its row.
            EXPECT_NEAR(left.top(), right.top(), 4) << row[i].toStdString();
        }
    }
    EXPECT_LT(geometry("Start Time").bottom(), geometry("Sample Rate").top());
    EXPECT_LT(geometry("Sample Rate").bottom(), geometry("Sound MAX").top());
    // The two wide statistics fields hold "94.3 @14:02:07 05/06/14" whole.
    EXPECT_GT(geometry("Sound MAX").width(), 2 * geometry("AVG").width());
}

TEST(InfoPanel, indicators_lightOneLampPerRowAtMost) {
    CInfoDlg panel(nullptr);
    EXPECT_EQ(panel.Indicators(), AlarmIndicatorState::Normal);
    VisibleLamps lamps = LampsOf(panel);
    EXPECT_EQ(lamps.Count, 2);
    EXPECT_FALSE(lamps.HighLit || lamps.LowLit);

    panel.SetIndicators(AlarmIndicatorState::High);
    lamps = LampsOf(panel);
    EXPECT_EQ(lamps.Count, 2);
    EXPECT_TRUE(lamps.HighLit);
    EXPECT_FALSE(lamps.LowLit);

    panel.SetIndicators(AlarmIndicatorState::Low);
    lamps = LampsOf(panel);
    EXPECT_EQ(lamps.Count, 2);
    EXPECT_FALSE(lamps.HighLit);
    EXPECT_TRUE(lamps.LowLit);

    panel.SetIndicators(AlarmIndicatorState::Normal);
    lamps = LampsOf(panel);
    EXPECT_FALSE(lamps.HighLit || lamps.LowLit);
}

TEST(InfoPanel, alarmDecision_atTheLevelLightsItsLamp) {
    EXPECT_EQ(DecideAlarmIndicator(85.0f, 85, 40), AlarmIndicatorState::High);
    EXPECT_EQ(DecideAlarmIndicator(40.0f, 85, 40), AlarmIndicatorState::Low);
    EXPECT_EQ(DecideAlarmIndicator(60.0f, 85, 40), AlarmIndicatorState::Normal);
    EXPECT_EQ(DecideAlarmIndicator(84.9f, 85, 40), AlarmIndicatorState::Normal);
    EXPECT_EQ(DecideAlarmIndicator(40.1f, 85, 40), AlarmIndicatorState::Normal);
    // Inverted levels: a reading between them is beyond both, and low wins.
    EXPECT_EQ(DecideAlarmIndicator(50.0f, 40, 60), AlarmIndicatorState::Low);
}

TEST(InfoPanel, enterAndEscape_inAFieldEndNothing) {
    QDialog window;
    auto* panel = new CInfoDlg(&window);
    auto* ok = new QPushButton("OK", &window);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &window, &QDialog::accept);
    window.show();
    QLineEdit* field = panel->Field("Start Time");
    field->setFocus();

    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(field, key);
        EXPECT_TRUE(window.isVisible()) << key;
        EXPECT_EQ(window.result(), 0) << key;
    }
    // Outside the panel the same key still ends the window.
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

// The fields are in the tab order, in template order; a click gives one the focus with
// nothing selected, so that its text can be selected and copied.
TEST(InfoPanel, fields_takeTheFocusByClickOnly) {
    QWidget window;
    auto* panel = new CInfoDlg(&window);
    panel->Refresh(ExampleRecord(30));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QLineEdit* first = panel->Field(FIELD_LABELS.front());
    QTest::mouseClick(first, Qt::LeftButton);
    EXPECT_TRUE(first->hasFocus());
    EXPECT_FALSE(first->hasSelectedText());
    // Out of the Tab chain: the fields are there to be read and copied.
    for (const QString& label : FIELD_LABELS) {
        EXPECT_EQ(panel->Field(label)->focusPolicy(), Qt::ClickFocus) << label.toStdString();
    }
}

TEST(LedPicture, lampsLitRedOrUnlitGreyOnThePanelGrey) {
    const QPixmap off = LedPicture(false);
    const QPixmap on = LedPicture(true);
    EXPECT_EQ(off.size(), QSize(26, 30));
    EXPECT_EQ(on.size(), QSize(26, 30));
    EXPECT_EQ(off.toImage().pixelColor(0, 0), QColor(225, 225, 225));
    EXPECT_EQ(on.toImage().pixelColor(25, 29), QColor(225, 225, 225));
    EXPECT_TRUE(IsLit(on));
    EXPECT_FALSE(IsLit(off));
    // Somewhere on the lit lens the red is the lamp's own.
    const QImage lit = on.toImage();
    bool pure = false;
    for (int y = 0; y < lit.height(); ++y) {
        for (int x = 0; x < lit.width(); ++x) {
            pure = pure || lit.pixelColor(x, y) == QColor(248, 7, 30);
        }
    }
    EXPECT_TRUE(pure);
}

}  // namespace
