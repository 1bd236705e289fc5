// The calibration dialog: what the value box lets in and how it limits it, OK only with a
// logger, the value kept as the setting whatever the transfer made of it, and Cancel.

#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "dialogs/display/CNumberEdit.h"
#include "dialogs/logger/CCalAdjustDlg.h"
#include "platform/CSettings.h"
#include "tests/QtTestEnvironment.h"
#include "tests/logger/LoggerTestDoubles.h"

namespace {

const std::string WRITE_FAILED = "Failed writing data to the datalogger.";
const std::string READ_FAILED = "Failed reading data from the datalogger.";

struct CalAdjustDialog : testing::Test {
    CSimulatorBench Bench;
    CSimulatedLogger Logger{Bench.Options()};
    CMessageLog Prompt;
    CFrameSettings Settings;
    std::unique_ptr<CCalAdjustDlg> Dialog;

    void Open(CBridge& bridge) {
        Dialog = std::make_unique<CCalAdjustDlg>(Settings, bridge, Prompt);
        Dialog->Open();
        Dialog->show();
    }
    void Type(const QString& text) {
        Dialog->ValueEdit().clear();
        QTest::keyClicks(&Dialog->ValueEdit(), text);
    }
    void ClickOk() { QTest::mouseClick(&Dialog->OkButton(), Qt::LeftButton); }
};

TEST_F(CalAdjustDialog, valueBox_keepsTheNumberWithinMinus10To10AsItIsTyped) {
    // Each typed character is a change of its own: "7." is "7" before the "5" makes "75".
    const std::pair<const char*, const char*> cases[] = {
        {"15", "10"}, {"-12", "-10"}, {"-", "-"},  {"", ""},
        {"-3", "-3"}, {"7.5", "10"},  {"a4", "4"}, {"99999999999", "10"}};
    Open(Logger);
    for (const auto& [typed, shown] : cases) {
        Type(typed);
        EXPECT_EQ(Dialog->ValueEdit().text(), shown) << typed;
    }
}

TEST_F(CalAdjustDialog, opening_showsTheSettingLimitedAndUpDownStopsAtBothEnds) {
    const struct {
        const char* Stored;
        const char* Shown;
        Qt::Key Key;
        const char* AfterKey;
    } cases[] = {{"1", "1", Qt::Key_Up, "2"},
                 {"99", "10", Qt::Key_Up, "10"},
                 {"-10", "-10", Qt::Key_Down, "-10"},
                 {"junk", "0", Qt::Key_Down, "-1"}};
    for (const auto& c : cases) {
        Settings.Calibration = c.Stored;
        Open(Logger);
        EXPECT_EQ(Dialog->windowTitle(), "Connecting...");
        EXPECT_EQ(Dialog->ValueEdit().text(), c.Shown) << c.Stored;
        QTest::keyClick(&Dialog->ValueEdit(), c.Key);
        EXPECT_EQ(Dialog->ValueEdit().text(), c.AfterKey) << c.Stored;
    }
    Settings.Calibration = "9";
    Open(Logger);
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(Dialog->ValueEdit().UpButton(), Qt::LeftButton);
    }
    EXPECT_EQ(Dialog->ValueEdit().text(), "10");
}

TEST_F(CalAdjustDialog, ok_withoutALogger_doesNothing) {
    CScriptedBridge absent;
    absent.Count = 0;
    Open(absent);
    Type("-3");
    ClickOk();  // before the first poll: no logger seen yet
    Dialog->Poll();
    EXPECT_EQ(Dialog->windowTitle(), "Not Connected");
    ClickOk();
    EXPECT_TRUE(Dialog->isVisible());
    EXPECT_EQ(Settings.Calibration, "1");
    EXPECT_EQ(std::count(absent.Calls.begin(), absent.Calls.end(), "write"), 0);
    EXPECT_TRUE(Prompt.Messages.empty());
}

TEST_F(CalAdjustDialog, ok_keepsTheValueClosesAndShowsTheLoggersTotal) {
    Open(Logger);
    Dialog->Poll();
    EXPECT_EQ(Dialog->windowTitle(), "Connected");
    Type("-3");
    ClickOk();
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(Dialog->PresenceTimer().isActive());
    EXPECT_EQ(Settings.Calibration, "-3");
    // A fresh logger stands at 0: its total is now the adjustment.
    ASSERT_EQ(Prompt.Messages.size(), 1u);
    EXPECT_EQ(Prompt.Messages[0].first, "Total calibrated value as -0.3 dB.");
    EXPECT_EQ(Prompt.Messages[0].second, PromptIcon::Information);
}

TEST_F(CalAdjustDialog, failedTransfer_stillKeepsTheTypedValueAsTheSetting) {
    const struct {
        bool WriteFails;
        const std::string& Message;
    } cases[] = {{true, WRITE_FAILED}, {false, READ_FAILED}};
    for (const auto& c : cases) {
        CScriptedBridge bridge;
        if (c.WriteFails) {
            bridge.Writes.push_back({BridgeStatus::WriteError, {}, {}});
        }  // else the reply never comes: the read times out
        Settings.Calibration = "1";
        Prompt.Messages.clear();
        Open(bridge);
        Dialog->Poll();
        Type("7");
        ClickOk();
        ASSERT_EQ(bridge.Written.size(), 1u);  // the command went out (or was tried)
        EXPECT_EQ(bridge.Written[0], (std::vector<std::uint8_t>{0x0C, 7, 0}));
        EXPECT_EQ(std::count(bridge.Calls.begin(), bridge.Calls.end(), "read 1"),
                  c.WriteFails ? 0 : 1);
        EXPECT_EQ(Settings.Calibration, "7");
        ASSERT_EQ(Prompt.Messages.size(), 1u);
        EXPECT_EQ(Prompt.Messages[0].first, c.Message);
        EXPECT_EQ(bridge.OpenHandles, 0);
    }
}

TEST_F(CalAdjustDialog, cancel_keepsTheSettingAndSendsNothing) {
    CScriptedBridge bridge;
    Open(bridge);
    Dialog->Poll();
    Type("-8");
    QTest::mouseClick(&Dialog->CancelButton(), Qt::LeftButton);
    EXPECT_EQ(Dialog->result(), QDialog::Rejected);
    EXPECT_EQ(Settings.Calibration, "1");
    EXPECT_TRUE(bridge.Written.empty());
}

}  // namespace
