#include "platform/CSettings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/CProfile.h"
#include "tests/FileText.h"
#include "tests/TempDir.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    CTempDir m_dir;
    std::filesystem::path m_file = m_dir / "BRANTEL.ini";
};

TEST_F(SettingsTest, firstStart_withoutAFile_givesTheDefaults) {
    const CProfile none(m_file);
    const CFrameSettings frame = ReadFrameSettings(none);
    EXPECT_EQ(frame.SampleRateIndex, 2);  // "1s"
    EXPECT_EQ(frame.SamplePoints, "129920");
    EXPECT_EQ(frame.AlarmHigh, "130");
    EXPECT_EQ(frame.AlarmLow, "30");
    EXPECT_EQ(frame.Calibration, "1");
    EXPECT_EQ(frame.LedCycle, 24);  // shown as 10 s
    EXPECT_EQ(frame.BackgroundColor, 13);
    EXPECT_EQ(frame.CurveColor, 0);
    EXPECT_EQ(frame.GridColor, 2);
    EXPECT_EQ(frame.AutoStart, 0);     // Manual
    EXPECT_EQ(frame.Dba, 1);           // dBA
    EXPECT_EQ(frame.Fast, 1);          // FAST
    EXPECT_EQ(frame.RealTimeMode, 0);  // STOR

    const CViewSettings view = ReadViewSettings(none);
    EXPECT_EQ(view.ShowCurve, 1);
    EXPECT_EQ(view.ShowAlarmHigh, 0);
    EXPECT_EQ(view.ShowAlarmLow, 0);
    EXPECT_EQ(view.ShowMarkPoints, 0);
    EXPECT_EQ(view.ShowYAxis, 1);
    EXPECT_EQ(view.ShowXAxis, 1);
    EXPECT_EQ(view.AxisLow, 20);
    EXPECT_EQ(view.AxisHigh, 140);
}

TEST_F(SettingsTest, writeThenRead_givesBackEveryValue) {
    CFrameSettings frame;
    frame.SampleRateIndex = 6;
    frame.SamplePoints = "5000";
    frame.AlarmHigh = "95";
    frame.AlarmLow = "40";
    frame.Calibration = "-3";
    frame.LedCycle = 30;
    frame.BackgroundColor = 4;
    frame.CurveColor = 7;
    frame.GridColor = 9;
    frame.AutoStart = 1;
    frame.Dba = 0;
    frame.Fast = 0;
    frame.RealTimeMode = 1;
    CViewSettings view{0, 1, 1, 1, 0, 0, -10, 95};

    CProfile profile(m_file);
    WriteSettings(profile, frame, view);
    ASSERT_TRUE(profile.Save());

    const CProfile again(m_file);
    EXPECT_EQ(ReadFrameSettings(again), frame);
    EXPECT_EQ(ReadViewSettings(again), view);
}

TEST_F(SettingsTest, eightBitKeys_keepTheirLowEightBits) {
    std::ofstream(m_file) << "[LEDInfo]\nLEDDATA=300\n[ColorInfo]\nBGColor=-1\n"
                             "[DBA/DBC Info]\nDBA/DBC=256\n[VIEWInfo]\nVIEW1=513\n"
                             "[SAMPRATEINFO]\nSAMPRATE=300\n[Y AXISInfo]\nY TEMPHI=300\n";
    const CProfile profile(m_file);
    const CFrameSettings frame = ReadFrameSettings(profile);
    EXPECT_EQ(frame.LedCycle, 44);
    EXPECT_EQ(frame.BackgroundColor, 255);
    EXPECT_EQ(frame.Dba, 0);                // 256 is dBC: only its low byte survives
    EXPECT_EQ(frame.SampleRateIndex, 300);  // a 32-bit key keeps its value
    const CViewSettings view = ReadViewSettings(profile);
    EXPECT_EQ(view.ShowCurve, 1);
    EXPECT_EQ(view.AxisHigh, 300);
}

// The order of the first writes decides where a new file puts its sections.
TEST_F(SettingsTest, aNewFileHasItsSectionsInWritingOrder) {
    CProfile profile(m_file);
    WriteSettings(profile, CFrameSettings{}, CViewSettings{});
    ASSERT_TRUE(profile.Save());
    const std::string text = ReadFileText(m_file);
    const std::vector<std::string> order = {
        "[SAMPRATEINFO]\r\nSAMPRATE=2\r\nSAMPPOINT=129920\r\n",
        "[VIEWInfo]\r\nVIEW1=1\r\nVIEW2=0\r\nVIEW3=0\r\nVIEW4=0\r\nVIEW5=1\r\nVIEW6=1\r\n",
        "[LEDInfo]\r\nLEDDATA=24\r\n",
        "[ColorInfo]\r\nBGColor=13\r\nTColor=0\r\nGRIDColor=2\r\n",
        "[Y AXISInfo]\r\nY TEMPLOW=20\r\nY TEMPHI=140\r\n",
        "[AUTO/MANUAL Info]\r\nAuto/Manual=0\r\n",
        "[DBA/DBC Info]\r\nDBA/DBC=1\r\n",
        "[FAST/SLOW Info]\r\nFAST/SLOW=1\r\n",
        "[MODE Info]\r\nMODE=0\r\n",
        "[ALARMInfo]\r\nTEMPHI=130\r\nTEMPLOW=30\r\n",
        "[CAL Info]\r\nCAL=1\r\n",
    };
    std::string expected;
    for (const std::string& section : order) {
        expected += section;
    }
    EXPECT_EQ(text, expected);
}

TEST_F(SettingsTest, settingsFile_livesInTheProgramDirectory) {
    const auto file = SettingsFilePath();
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->filename(), "BRANTEL.ini");
    EXPECT_EQ(file->parent_path(), std::filesystem::path(std::getenv("DATALOGGER_HOME")));
}

TEST_F(SettingsTest, writeSettingsFile_keepsKeysTheProgramDoesNotKnow) {
    const auto file = *SettingsFilePath();
    std::ofstream(file) << "[Mine]\nnote=keep me\n[LEDInfo]\nLEDDATA=10\nextra=1\n";
    CFrameSettings frame = ReadFrameSettings(ReadSettingsFile());
    EXPECT_EQ(frame.LedCycle, 10);
    frame.LedCycle = 20;
    ASSERT_TRUE(WriteSettingsFile(frame, CViewSettings{}));
    const CProfile again = ReadSettingsFile();
    EXPECT_EQ(again.GetString("Mine", "note", ""), "keep me");
    EXPECT_EQ(again.GetInt("LEDInfo", "extra", 0), 1);
    EXPECT_EQ(again.GetInt("LEDInfo", "LEDDATA", 0), 20);
    std::filesystem::remove(file);
}

}  // namespace
