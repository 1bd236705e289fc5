#include "platform/CSettings.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
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
    EXPECT_EQ(frame.Dba, 0);  // 256 is dBC: only its low byte survives
    EXPECT_EQ(ReadViewSettings(profile).ShowCurve, 1);
}

// An edited file may hold any number: each 32-bit key is read within the range its use
// allows, and what is read writes back and reads again unchanged.
TEST_F(SettingsTest, everyKeyAtTheIntegerLimits_readsWithinRangeAndRoundTrips) {
    for (const long long extreme : {(long long)INT_MIN, (long long)INT_MAX, -1LL << 40}) {
        std::string text;
        for (const auto& [section, keys] : std::vector<std::pair<std::string, std::string>>{
                 {"SAMPRATEINFO", "SAMPRATE SAMPPOINT"},
                 {"ALARMInfo", "TEMPHI TEMPLOW"},
                 {"CAL Info", "CAL"},
                 {"LEDInfo", "LEDDATA"},
                 {"ColorInfo", "BGColor TColor GRIDColor"},
                 {"AUTO/MANUAL Info", "Auto/Manual"},
                 {"DBA/DBC Info", "DBA/DBC"},
                 {"FAST/SLOW Info", "FAST/SLOW"},
                 {"MODE Info", "MODE"},
                 {"VIEWInfo", "VIEW1 VIEW2 VIEW3 VIEW4 VIEW5 VIEW6"},
                 {"Y AXISInfo", "Y TEMPLOW|Y TEMPHI"}}) {
            text += "[" + section + "]\n";
            std::string key;
            std::istringstream names(keys);
            while (std::getline(names, key, section == "Y AXISInfo" ? '|' : ' ')) {
                text += key + "=" + std::to_string(extreme) + "\n";
            }
        }
        std::ofstream(m_file) << text;
        const CProfile profile(m_file);
        const CFrameSettings frame = ReadFrameSettings(profile);
        const CViewSettings view = ReadViewSettings(profile);
        EXPECT_EQ(frame.SampleRateIndex, 2) << extreme;  // outside the list: "1s"
        const std::int32_t axisEnd = extreme < 0 ? -AXIS_LEVEL_LIMIT : AXIS_LEVEL_LIMIT;
        EXPECT_EQ(view.AxisLow, axisEnd) << extreme;
        EXPECT_EQ(view.AxisHigh, axisEnd) << extreme;
        const long long read = std::clamp<long long>(extreme, INT_MIN, INT_MAX);
        EXPECT_EQ(frame.LedCycle, static_cast<std::uint8_t>(read)) << extreme;

        CProfile rewritten(m_dir / "again.ini");
        WriteSettings(rewritten, frame, view);
        ASSERT_TRUE(rewritten.Save());
        const CProfile again(m_dir / "again.ini");
        EXPECT_EQ(ReadFrameSettings(again), frame) << extreme;
        EXPECT_EQ(ReadViewSettings(again), view) << extreme;
    }
}

// Two programs change different keys of the file at the same time, over and over: each
// read-change-write waits for the other's, so no change is lost.
TEST_F(SettingsTest, updatesFromTwoProgramsAtOnceAreAllKept) {
    constexpr int UPDATES = 40;
    const auto update = [](bool low) {
        for (int i = 0; i < UPDATES; ++i) {
            if (!UpdateSettingsFile([low](CFrameSettings&, CViewSettings& view) {
                    ++(low ? view.AxisLow : view.AxisHigh);
                })) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(WriteSettingsFile(CFrameSettings{}, CViewSettings{}));
    const pid_t other = fork();
    if (other == 0) {
        _exit(update(true) ? 0 : 1);
    }
    EXPECT_TRUE(update(false));
    int status = -1;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_EQ(status, 0);
    const CViewSettings view = ReadViewSettings(ReadSettingsFile());
    EXPECT_EQ(view.AxisLow, CViewSettings{}.AxisLow + UPDATES);
    EXPECT_EQ(view.AxisHigh, CViewSettings{}.AxisHigh + UPDATES);
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
