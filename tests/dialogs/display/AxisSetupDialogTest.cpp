// Axis Setup: each number limited as it is typed, the up-down buttons within their ranges,
// OK refusing a range that does not rise with its message(s), a real-time run's range ending
// at the newest reading, and Cancel.

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "dialogs/display/CAxisSetupDlg.h"
#include "dialogs/display/CNumberEdit.h"
#include "document/CDTDoc.h"
#include "tests/CRecordingPrompt.h"
#include "tests/QtTestEnvironment.h"
#include "tests/document/ExampleRecord.h"

namespace {

constexpr int READINGS = 500;
const CAxisRange OPENED{20, 140, 1, READINGS};

enum class Edit { YFrom, YTo, XFrom, XTo };

class AxisSetupDialog : public testing::Test {
protected:
    void SetUp() override { Open(READINGS); }

    void Open(int readings, CAxisRange current = OPENED) {
        m_doc.ReplaceRecord(ExampleRecord(readings), DocumentChange::Downloaded);
        m_dialog = std::make_unique<CAxisSetupDlg>(current, m_doc, m_prompt);
        m_dialog->show();
    }
    CNumberEdit& EditOf(Edit edit) {
        switch (edit) {
            case Edit::YFrom:
                return m_dialog->YFromEdit();
            case Edit::YTo:
                return m_dialog->YToEdit();
            case Edit::XFrom:
                return m_dialog->XFromEdit();
            case Edit::XTo:
                break;
        }
        return m_dialog->XToEdit();
    }
    void Type(Edit edit, const QString& text) {
        EditOf(edit).clear();
        QTest::keyClicks(&EditOf(edit), text);
    }
    void TypeAll(const char* yFrom, const char* yTo, const char* xFrom, const char* xTo) {
        Type(Edit::YFrom, yFrom);
        Type(Edit::YTo, yTo);
        Type(Edit::XFrom, xFrom);
        Type(Edit::XTo, xTo);
    }
    void ClickOk() { QTest::mouseClick(&m_dialog->OkButton(), Qt::LeftButton); }

    CDTDoc m_doc;
    CRecordingPrompt m_prompt;
    std::unique_ptr<CAxisSetupDlg> m_dialog;
};

TEST_F(AxisSetupDialog, opening_showsTheViewsRange) {
    Open(READINGS, {35, 90, 12, 480});
    EXPECT_EQ(m_dialog->windowTitle(), "Axis Setup");
    EXPECT_EQ(m_dialog->YFromEdit().text(), "35");
    EXPECT_EQ(m_dialog->YToEdit().text(), "90");
    EXPECT_EQ(m_dialog->XFromEdit().text(), "12");
    EXPECT_EQ(m_dialog->XToEdit().text(), "480");
}

TEST_F(AxisSetupDialog, typing_limitsEachNumberAtOnceAndLeavesAnUnfinishedOneStanding) {
    const struct {
        Edit Into;
        const char* Typed;
        const char* Shown;
    } cases[] = {
        {Edit::YTo, "200", "150"},
        {Edit::YTo, "-", "-"},
        {Edit::YTo, "-5", "-5"},
        {Edit::YFrom, "12.", "12"},
        {Edit::YFrom, "-5", "0"},
        {Edit::YFrom, "160", "160"},
        {Edit::YFrom, "", ""},
        {Edit::XFrom, "0", "1"},
        {Edit::XFrom, "600", "600"},
        {Edit::XTo, "501", "500"},
        {Edit::XTo, "99999999999", "500"},
        {Edit::XTo, "-", "-"},
        {Edit::YTo, "9a0b", "90"},
        {Edit::XFrom, "x,y 7", "7"},
    };
    for (const auto& c : cases) {
        Type(c.Into, c.Typed);
        EXPECT_EQ(EditOf(c.Into).text(), c.Shown) << c.Typed;
    }
    // Dropped text is checked as typed text is: refused whole when anything but a number.
    const std::pair<const char*, const char*> drops[] = {{"4a", "12"}, {"9 ", "12"}, {"5", "125"}};
    for (const auto& [dropped, shown] : drops) {
        CNumberEdit& edit = EditOf(Edit::YTo);
        Type(Edit::YTo, "12");
        QMimeData text;
        text.setText(dropped);
        const QPoint end(edit.width() - 20, 5);
        QDragEnterEvent enter(end, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&edit, &enter);
        QDropEvent drop(end, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&edit, &drop);
        EXPECT_EQ(edit.text(), shown) << dropped;
    }
}

TEST_F(AxisSetupDialog, upDown_stepsWithinItsRangeAtBothEnds) {
    const struct {
        Edit Of;
        const char* Start;
        bool Up;
        const char* After;
    } cases[] = {{Edit::YTo, "150", true, "150"},   {Edit::YFrom, "0", false, "0"},
                 {Edit::YFrom, "149", true, "150"}, {Edit::XTo, "500", true, "500"},
                 {Edit::XFrom, "2", false, "1"},    {Edit::XTo, "1", false, "0"}};
    for (const auto& c : cases) {
        EditOf(c.Of).setText(c.Start);
        QToolButton* arrow = c.Up ? EditOf(c.Of).UpButton() : EditOf(c.Of).DownButton();
        ASSERT_NE(arrow, nullptr);
        QTest::mouseClick(arrow, Qt::LeftButton);
        QTest::mouseClick(arrow, Qt::LeftButton);
        EXPECT_EQ(EditOf(c.Of).text(), c.After) << c.Start;
    }
    // The arrow keys step as well.
    EditOf(Edit::YTo).setText("140");
    QTest::keyClick(&EditOf(Edit::YTo), Qt::Key_Up);
    EXPECT_EQ(EditOf(Edit::YTo).text(), "141");
}

TEST_F(AxisSetupDialog, ok_refusesARangeThatDoesNotRiseAndSaysWhichOne) {
    const std::string Y = MSG_Y_AXIS_ORDER;
    const std::string X = MSG_X_AXIS_ORDER;
    EXPECT_EQ(Y, "The started Y Axis must be lower than the ended Y Axis");
    EXPECT_EQ(X, "The started X Axis must be lower than the ended X Axis");
    const struct {
        const char* Typed[4];
        std::vector<std::string> Messages;
    } cases[] = {
        {{"80", "80", "1", "500"}, {Y}},
        {{"90", "80", "300", "200"}, {Y, X}},
        {{"20", "140", "250", "250"}, {X}},
        {{"20", "", "1", "500"}, {Y}},  // an empty box counts as 0
        {{"20", "140", "1", "-"}, {X}},
    };
    for (const auto& c : cases) {
        Open(READINGS);
        TypeAll(c.Typed[0], c.Typed[1], c.Typed[2], c.Typed[3]);
        m_prompt.Log.clear();
        ClickOk();
        EXPECT_EQ(m_prompt.Texts(), c.Messages) << c.Typed[0] << " " << c.Typed[2];
        for (const auto& shown : m_prompt.Log) {
            EXPECT_EQ(shown.Icon, PromptIcon::None);
        }
        EXPECT_TRUE(m_dialog->isVisible());
        EXPECT_EQ(m_dialog->Chosen(), OPENED);
    }
}

TEST_F(AxisSetupDialog, ok_takesARisingRangeAndCloses) {
    const struct {
        int Readings;
        const char* Typed[4];
        CAxisRange Chosen;
    } cases[] = {
        {READINGS, {"40", "100", "50", "450"}, {40, 100, 50, 450}},
        {READINGS, {"0", "150", "1", "500"}, {0, 150, 1, 500}},
        {READINGS, {"149", "150", "499", "500"}, {149, 150, 499, 500}},
        // Numbers still being typed count as 0 within their bounds: the range starts at 1.
        {READINGS, {"-", "90", "", "500"}, {0, 90, 1, 500}},
        // A record of one reading has the one range 1 to 1.
        {1, {"30", "120", "1", "1"}, {30, 120, 1, 1}},
    };
    for (const auto& c : cases) {
        Open(c.Readings);
        TypeAll(c.Typed[0], c.Typed[1], c.Typed[2], c.Typed[3]);
        ClickOk();
        EXPECT_TRUE(m_prompt.Log.empty());
        EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
        EXPECT_FALSE(m_dialog->isVisible());
        EXPECT_EQ(m_dialog->Chosen(), c.Chosen) << c.Typed[0];
    }
}

TEST_F(AxisSetupDialog, realTimeRun_rangeEndsAtTheNewestReadingWhateverIsTyped) {
    m_doc.RealTimeActive = true;
    Type(Edit::XTo, "100");
    // Readings keep coming while the dialog is open.
    m_doc.Record() = ExampleRecord(READINGS + 20);
    Type(Edit::XTo, "515");
    EXPECT_EQ(m_dialog->XToEdit().text(), "515");
    Type(Edit::XTo, "100");
    ClickOk();
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(m_dialog->Chosen(), (CAxisRange{20, 140, 1, READINGS + 20}));
}

TEST_F(AxisSetupDialog, cancel_changesNothing) {
    TypeAll("50", "60", "10", "20");
    QTest::mouseClick(&m_dialog->CancelButton(), Qt::LeftButton);
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
    EXPECT_EQ(m_dialog->Chosen(), OPENED);
    EXPECT_TRUE(m_prompt.Log.empty());
}

}  // namespace
