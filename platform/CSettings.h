#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/CProfile.h"

// "SAMPRATE" indexes a list of this many rates; an index outside it reads as the default.
inline constexpr std::int32_t SAMPLE_RATE_CHOICES = 7;
// The level axis ends are read within these bounds (dB), far beyond any level a meter shows.
inline constexpr std::int32_t AXIS_LEVEL_LIMIT = 1000;

// The settings the main window holds: the last logger setup, the calibration value and the
// graph colours (palette indexes).
struct CFrameSettings {
    std::int32_t SampleRateIndex = 2;     // "SAMPRATE": 0 "50ms" .. 6 "60s"
    std::string SamplePoints = "129920";  // "SAMPPOINT", as typed
    std::string AlarmHigh = "130";        // "TEMPHI"
    std::string AlarmLow = "30";          // "TEMPLOW"
    std::string Calibration = "1";        // "CAL"
    std::uint8_t LedCycle = 24;           // "LEDDATA": 0, 10, 20, 30; anything else shows as 10
    std::uint8_t BackgroundColor = 13;    // "BGColor"
    std::uint8_t CurveColor = 0;          // "TColor"
    std::uint8_t GridColor = 2;           // "GRIDColor"
    std::uint8_t AutoStart = 0;           // "Auto/Manual": 1 automatic, else manual
    std::uint8_t Dba = 1;                 // "DBA/DBC": 0 dBC, else dBA
    std::uint8_t Fast = 1;                // "FAST/SLOW": 0 SLOW, else FAST
    std::uint8_t RealTimeMode = 0;        // "MODE": 1 RT, else STOR

    bool operator==(const CFrameSettings&) const = default;
};

// The settings the graph view holds: its six display switches and the level axis range.
struct CViewSettings {
    std::uint8_t ShowCurve = 1;       // "VIEW1"
    std::uint8_t ShowAlarmHigh = 0;   // "VIEW2"
    std::uint8_t ShowAlarmLow = 0;    // "VIEW3"
    std::uint8_t ShowMarkPoints = 0;  // "VIEW4"
    std::uint8_t ShowYAxis = 1;       // "VIEW5"
    std::uint8_t ShowXAxis = 1;       // "VIEW6"
    std::int32_t AxisLow = 20;        // "Y TEMPLOW"
    std::int32_t AxisHigh = 140;      // "Y TEMPHI"

    bool operator==(const CViewSettings&) const = default;
};

// "BRANTEL.ini" in the program directory; empty when the directory cannot be made.
std::optional<std::filesystem::path> SettingsFilePath();

// Read when the main window is created, in the order the program has always read them.
CFrameSettings ReadFrameSettings(const CProfile& profile);
// Read when the graph view is created.
CViewSettings ReadViewSettings(const CProfile& profile);
// Written when the main window closes, all keys in one pass.
void WriteSettings(CProfile& profile, const CFrameSettings& frame, const CViewSettings& view);

// The settings file as it is now; an empty profile (every key at its default) when the file
// or the program directory is missing.
CProfile ReadSettingsFile();
// Reads the settings file, lets `change` alter the settings it holds and writes every setting
// back, keeping everything else the file holds. Another program of ours that does the same
// at the same moment waits, so neither loses the other's change. False when the file could
// not be written.
bool UpdateSettingsFile(const std::function<void(CFrameSettings&, CViewSettings&)>& change);
// Reads the settings file, lets `change` alter any of its lines and writes it back, under the
// same lock. False when the file could not be written.
bool UpdateSettingsProfile(const std::function<void(CProfile&)>& change);
// Writes every setting into the settings file in one pass, as the main window does on close.
bool WriteSettingsFile(const CFrameSettings& frame, const CViewSettings& view);
