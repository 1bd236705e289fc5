// The setup dialog: what the edits let in and how they limit it, the mode and rate rules,
// settings a hand-edited file put out of range, and the setup sent to the logger.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

#include "dialogs/display/CNumberEdit.h"
#include "dialogs/logger/CSetupDlg.h"
#include "document/CDTDoc.h"
#include "logger/SetupSettings.h"
#include "platform/CProfile.h"
#include "platform/CSettings.h"
#include "tests/QtTestEnvironment.h"
#include "tests/logger/LoggerTestDoubles.h"

namespace {

// The dialog over a simulated logger, opened from `settings`.
struct SetupDialog : testing::Test {
    CSimulatorBench Bench;
    CSimulatedLogger Logger{Bench.Options()};
    CMessageLog Prompt;
    CDTDoc Doc;
    CFrameSettings Settings;
    std::unique_ptr<CSetupDlg> Dialog;

    void Open(CBridge& bridge) {
        Dialog = std::make_unique<CSetupDlg>(Settings, Doc, bridge, Prompt);
        Dialog->Open();
    }
    void Open() { Open(Logger); }

    static void Type(QLineEdit& edit, const QString& text) {
        edit.clear();
        QTest::keyClicks(&edit, text);
    }
    void ChooseRate(int index) {
        Dialog->RateList().setCurrentIndex(index);
        emit Dialog->RateList().activated(index);
    }
    void Click(const QString& radio) { Dialog->Radio(radio).click(); }
    // The setup the simulated logger took, as it keeps it in its state file.
    SetupFields SentFields() const {
        const std::string hex =
            CProfile(*Bench.Options().StateFile).GetString("Logger", "Setup", "");
        SetupBlock block{};
        for (std::size_t i = 0; i < block.size() && 2 * i + 1 < hex.size(); ++i) {
            block[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
        }
        LocalTimeParts clock;
        return ParseSetupBlock(block, clock);
    }
    QStringList Checked() const {
        QStringList checked;
        for (const char* text : {"STOR", "RT", "dBA", "dBC", "FAST", "SLOW", "Manual", "Auto",
                                 "10s", "20s", "30s", "No Light"}) {
            if (Dialog->Radio(text).isChecked()) {
                checked << text;
            }
        }
        return checked;
    }
};

TEST_F(SetupDialog, pointsEdit_limitsWhatIsTypedToTheModesRange) {
    // Each character typed is a change of its own: "3." is limited to "3" before the "5".
    const struct {
        bool RealTime;
        const char* Typed;
        const char* Shown;
    } cases[] = {
        {false, "200000", "129920"}, {true, "200000", "10000"},
        {false, "0", "1"},           {false, "", ""},
        {false, "-", "-"},           {true, "-7", "1"},
        {false, "3.5", "35"},        {false, "x4y2", "42"},
    };
    for (const auto& c : cases) {
        Settings.RealTimeMode = c.RealTime ? 1 : 0;
        Open();
        Type(Dialog->PointsEdit(), c.Typed);
        EXPECT_EQ(Dialog->PointsEdit().text(), c.Shown) << c.Typed;
    }
}

TEST_F(SetupDialog, alarmEdits_limitTo0To130WithoutComparingTheTwo) {
    const std::pair<const char*, const char*> cases[] = {
        {"140", "130"}, {"-5", "0"}, {"85", "85"}, {"-", "-"}, {"9999999999", "130"}};
    Open();
    for (const auto& [typed, shown] : cases) {
        Type(Dialog->AlarmHighEdit(), typed);
        EXPECT_EQ(Dialog->AlarmHighEdit().text(), shown) << typed;
    }
    Type(Dialog->AlarmLowEdit(), "120");
    Type(Dialog->AlarmHighEdit(), "40");
    EXPECT_EQ(Dialog->AlarmLowEdit().text(), "120");
}

TEST_F(SetupDialog, numberEdit_dropsOtherCharactersTypedAndRefusesSuchPastes) {
    CNumberEdit edit;
    QTest::keyClicks(&edit, "a1,b2 -.3e");
    EXPECT_EQ(edit.text(), "12-.3");
    const std::pair<const char*, const char*> pastes[] = {
        {"45x", "12-.3"}, {"4 5", "12-.3"}, {"-4.5", "12-.3-4.5"}};
    for (const auto& [pasted, shown] : pastes) {
        QApplication::clipboard()->setText(pasted);
        edit.paste();
        EXPECT_EQ(edit.text(), shown) << pasted;
    }
    edit.SetRange(30, 130);
    edit.setText("129");
    QTest::keyClick(&edit, Qt::Key_Up);
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.text(), "130");
}

TEST_F(SetupDialog, realTimeMode_setsAsidePointsAbove10000AndStoredModeGivesThemBack) {
    Settings.SamplePoints = "129920";
    Open();
    EXPECT_EQ(Dialog->SamplingTimeText(), "1Day 12Hour 5Minute 20Second");
    Click("RT");
    EXPECT_EQ(Dialog->PointsEdit().text(), "10000");
    EXPECT_EQ(Dialog->SamplingTimeText(), "0Day 2Hour 46Minute 40Second");
    Click("STOR");
    EXPECT_EQ(Dialog->PointsEdit().text(), "129920");
    Click("STOR");
    EXPECT_EQ(Dialog->PointsEdit().text(), "129920");
}

TEST_F(SetupDialog, fastestRate_checksRealTimeAndLocksModeAndSpeedUntilAnotherRate) {
    Settings.SamplePoints = "20000";
    Open();
    ChooseRate(0);
    EXPECT_TRUE(Dialog->RealTimeMode());
    EXPECT_EQ(Checked(), QStringList({"RT", "dBA", "FAST", "Manual", "10s"}));
    for (const char* locked : {"STOR", "RT", "FAST", "SLOW"}) {
        EXPECT_FALSE(Dialog->Radio(locked).isEnabled()) << locked;
    }
    EXPECT_EQ(Dialog->PointsEdit().text(), "10000");
    EXPECT_EQ(Dialog->SamplingTimeText(), "0Day 0Hour 8Minute 20Second");

    ChooseRate(6);
    for (const char* unlocked : {"STOR", "RT", "FAST", "SLOW"}) {
        EXPECT_TRUE(Dialog->Radio(unlocked).isEnabled()) << unlocked;
    }
    EXPECT_TRUE(Dialog->RealTimeMode());
}

// The fastest rate runs in real time: the points box shows what is sent, and how long it takes.
TEST_F(SetupDialog, fastestRate_showsThePointsSentAndTheirTime) {
    const struct {
        std::int32_t SavedRate;
        std::vector<int> RatesChosen;
        const char* ModeClicked;
        const char* Points;
        const char* Time;
    } cases[] = {{2, {0}, nullptr, "10000", "0Day 0Hour 8Minute 20Second"},
                 {0, {}, nullptr, "10000", "0Day 0Hour 8Minute 20Second"},
                 {2, {0, 6}, "STOR", "129920", "90Day 5Hour 20Minute 0Second"}};
    for (const auto& c : cases) {
        Settings = {};
        Settings.SampleRateIndex = c.SavedRate;
        Open();
        for (const int rate : c.RatesChosen) {
            ChooseRate(rate);
        }
        if (c.ModeClicked != nullptr) {
            Click(c.ModeClicked);
        }
        EXPECT_EQ(Dialog->PointsEdit().text(), c.Points) << c.SavedRate;
        EXPECT_EQ(Dialog->SamplingTimeText(), c.Time) << c.SavedRate;
        Dialog->Poll();
        Dialog->OnSetup();
        EXPECT_EQ(SentFields().Points, Dialog->PointsEdit().text().toUInt()) << c.SavedRate;
    }
}

TEST_F(SetupDialog, handEditedSettings_areLimitedBeforeTheyAreShownOrSent) {
    Settings.LedCycle = 24;
    Settings.SampleRateIndex = 99;
    Settings.SamplePoints = "999999";
    Settings.AlarmHigh = "-2147483648";
    Settings.AlarmLow = "500";
    Settings.AutoStart = 7;
    Settings.Dba = 200;
    Settings.Fast = 0;
    Open();
    EXPECT_EQ(Dialog->RateList().currentText(), "1s");
    EXPECT_EQ(Dialog->PointsEdit().text(), "129920");
    EXPECT_EQ(Dialog->AlarmHighEdit().text(), "0");
    EXPECT_EQ(Dialog->AlarmLowEdit().text(), "130");
    EXPECT_EQ(Checked(), QStringList({"STOR", "dBA", "SLOW", "Manual", "10s"}));

    Settings.RealTimeMode = 1;
    Open();
    EXPECT_EQ(Dialog->PointsEdit().text(), "10000");

    Dialog->Poll();
    Dialog->OnSetup();
    const SetupFields sent = SentFields();
    EXPECT_EQ(sent.LedCycle, 10);
    EXPECT_EQ(sent.RateCode, 3);
    EXPECT_EQ(sent.Points, 10000u);
    EXPECT_EQ(sent.AlarmHigh, 0);
    EXPECT_EQ(sent.AlarmLow, 130);
    EXPECT_TRUE(sent.ManualStart);
    EXPECT_EQ(Settings.LedCycle, 10);
    EXPECT_EQ(Settings.SampleRateIndex, 2);
    EXPECT_EQ(Settings.SamplePoints, "10000");
}

TEST_F(SetupDialog, defaultButton_resetsTheRadiosAndRateButNotLevelsPointsOrLocks) {
    Settings = {};
    Settings.RealTimeMode = 1;
    Settings.AutoStart = 1;
    Settings.LedCycle = 0;
    Settings.Dba = 0;
    Settings.SampleRateIndex = 0;
    Settings.AlarmHigh = "90";
    Settings.SamplePoints = "500";
    Open();
    QTest::mouseClick(&Dialog->DefaultButton(), Qt::LeftButton);
    EXPECT_EQ(Checked(), QStringList({"STOR", "dBA", "FAST", "Manual", "10s"}));
    EXPECT_EQ(Dialog->RateList().currentText(), "1s");
    EXPECT_EQ(Dialog->AlarmHighEdit().text(), "90");
    EXPECT_EQ(Dialog->PointsEdit().text(), "500");
    EXPECT_FALSE(Dialog->Radio("STOR").isEnabled());
    EXPECT_EQ(Dialog->SamplingTimeText(), "0Day 0Hour 8Minute 20Second");
}

TEST_F(SetupDialog, setup_sendsTheFieldsOnceALoggerAnsweredAndTellsHowTheRunStarts) {
    Settings.RealTimeMode = 1;
    Settings.SampleRateIndex = 4;
    Settings.AutoStart = 1;
    Doc.SetupSinceSave = false;
    Open();
    EXPECT_EQ(Dialog->windowTitle(), "Connecting...");
    QTest::mouseClick(&Dialog->SetupButton(), Qt::LeftButton);  // no poll yet: not connected
    EXPECT_TRUE(Prompt.Messages.empty());
    EXPECT_EQ(Logger.Device().StatusByte(), STATUS_STORED);

    Dialog->Poll();
    EXPECT_EQ(Dialog->windowTitle(), "Connected");
    Click("dBC");
    Click("30s");
    QTest::mouseClick(&Dialog->SetupButton(), Qt::LeftButton);
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    using Shown = std::vector<std::pair<std::string, PromptIcon>>;
    EXPECT_EQ(Prompt.Messages, (Shown{{MSG_SETUP_RUNNING, PromptIcon::Information}}));
    EXPECT_TRUE(Doc.SetupSinceSave);
    EXPECT_EQ(Logger.Device().StatusByte(), 0x05 | STATUS_FAST);  // 5 s, RT, dBC, FAST
    EXPECT_EQ(SentFields().LedCycle, 30);
    EXPECT_FALSE(SentFields().ManualStart);
    EXPECT_EQ(Settings.Dba, 0);
    EXPECT_EQ(Settings.LedCycle, 30);

    // Reopened, the dialog acts on the last opening's connected state before its first poll.
    Click("Manual");
    Dialog->Open();
    Click("Manual");
    QTest::mouseClick(&Dialog->SetupButton(), Qt::LeftButton);
    EXPECT_EQ(Prompt.Messages.back().first, MSG_SETUP_PRESS_BUTTON);
}

TEST_F(SetupDialog, noLoggerOrFailedTransfer_saysSoOnceAndStaysOpen) {
    CScriptedBridge bridge;
    bridge.Count = 0;
    Open(bridge);
    Dialog->Poll();
    EXPECT_EQ(Dialog->windowTitle(), "Not Connected");
    EXPECT_EQ(Dialog->StatusText(), "Connecting failed. Ensure logger inserted and try again.");
    QTest::mouseClick(&Dialog->SetupButton(), Qt::LeftButton);
    EXPECT_TRUE(Prompt.Messages.empty());

    bridge.Count = 1;
    Dialog->Poll();
    EXPECT_EQ(Dialog->StatusText(), "");
    bridge.Writes.push_back({BridgeStatus::WriteError, {}, {}});
    Type(Dialog->AlarmHighEdit(), "99");
    QTest::mouseClick(&Dialog->SetupButton(), Qt::LeftButton);
    ASSERT_EQ(Prompt.Messages.size(), 1u);
    EXPECT_EQ(Prompt.Messages[0].first, "Failed writing data to the datalogger.");
    EXPECT_NE(Dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Settings.AlarmHigh, "99");
}

}  // namespace
