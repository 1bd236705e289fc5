#include "platform/CSettings.h"

#include <algorithm>

#include "platform/CFileLock.h"
#include "platform/CProfile.h"
#include "platform/ProgramDirectory.h"

namespace {

constexpr const char* SAMPLING = "SAMPRATEINFO";
constexpr const char* ALARM = "ALARMInfo";
constexpr const char* CALIBRATION = "CAL Info";
constexpr const char* LED = "LEDInfo";
constexpr const char* COLOR = "ColorInfo";
constexpr const char* START = "AUTO/MANUAL Info";
constexpr const char* WEIGHTING = "DBA/DBC Info";
constexpr const char* SPEED = "FAST/SLOW Info";
constexpr const char* MODE = "MODE Info";
constexpr const char* VIEW = "VIEWInfo";
constexpr const char* AXIS = "Y AXISInfo";

// Several values live in 8-bit fields: only their low 8 bits survive.
std::uint8_t Byte(const CProfile& profile, const char* section, const char* key, int fallback) {
    return static_cast<std::uint8_t>(profile.GetInt(section, key, fallback));
}

// The 32-bit values are brought into the range their use allows before anything computes
// with them: an edited file may hold any number.
std::int32_t RateIndex(const CProfile& profile, std::int32_t fallback) {
    const std::int32_t index = profile.GetInt(SAMPLING, "SAMPRATE", fallback);
    return index >= 0 && index < SAMPLE_RATE_CHOICES ? index : fallback;
}

std::int32_t AxisLevel(const CProfile& profile, const char* key, std::int32_t fallback) {
    return std::clamp(profile.GetInt(AXIS, key, fallback), -AXIS_LEVEL_LIMIT, AXIS_LEVEL_LIMIT);
}

// Other programs of ours wait for this one while it reads, changes and writes the file.
std::filesystem::path LockFileOf(const std::filesystem::path& file) {
    return file.parent_path() / ("." + file.filename().string() + ".lock");
}

}  // namespace

std::optional<std::filesystem::path> SettingsFilePath() {
    return ProgramFile("BRANTEL.ini");
}

CProfile ReadSettingsFile() {
    return CProfile(SettingsFilePath().value_or(std::filesystem::path()));
}

bool UpdateSettingsProfile(const std::function<void(CProfile&)>& change) {
    const auto file = SettingsFilePath();
    if (!file) {
        return false;
    }
    const CFileLock lock(LockFileOf(*file));
    if (!lock.Held()) {
        return false;
    }
    CProfile profile(*file);
    change(profile);
    return profile.Save();
}

bool UpdateSettingsFile(const std::function<void(CFrameSettings&, CViewSettings&)>& change) {
    return UpdateSettingsProfile([&](CProfile& profile) {
        CFrameSettings frame = ReadFrameSettings(profile);
        CViewSettings view = ReadViewSettings(profile);
        change(frame, view);
        WriteSettings(profile, frame, view);
    });
}

bool WriteSettingsFile(const CFrameSettings& frame, const CViewSettings& view) {
    return UpdateSettingsFile([&](CFrameSettings& storedFrame, CViewSettings& storedView) {
        storedFrame = frame;
        storedView = view;
    });
}

CFrameSettings ReadFrameSettings(const CProfile& profile) {
    const CFrameSettings defaults;
    CFrameSettings s;
    s.SampleRateIndex = RateIndex(profile, defaults.SampleRateIndex);
    s.SamplePoints = profile.GetString(SAMPLING, "SAMPPOINT", defaults.SamplePoints);
    s.AlarmHigh = profile.GetString(ALARM, "TEMPHI", defaults.AlarmHigh);
    s.AlarmLow = profile.GetString(ALARM, "TEMPLOW", defaults.AlarmLow);
    s.Calibration = profile.GetString(CALIBRATION, "CAL", defaults.Calibration);
    s.LedCycle = Byte(profile, LED, "LEDDATA", defaults.LedCycle);
    s.BackgroundColor = Byte(profile, COLOR, "BGColor", defaults.BackgroundColor);
    s.CurveColor = Byte(profile, COLOR, "TColor", defaults.CurveColor);
    s.GridColor = Byte(profile, COLOR, "GRIDColor", defaults.GridColor);
    s.AutoStart = Byte(profile, START, "Auto/Manual", defaults.AutoStart);
    s.Dba = Byte(profile, WEIGHTING, "DBA/DBC", defaults.Dba);
    s.Fast = Byte(profile, SPEED, "FAST/SLOW", defaults.Fast);
    s.RealTimeMode = Byte(profile, MODE, "MODE", defaults.RealTimeMode);
    return s;
}

CViewSettings ReadViewSettings(const CProfile& profile) {
    const CViewSettings defaults;
    CViewSettings s;
    s.ShowCurve = Byte(profile, VIEW, "VIEW1", defaults.ShowCurve);
    s.ShowAlarmHigh = Byte(profile, VIEW, "VIEW2", defaults.ShowAlarmHigh);
    s.ShowAlarmLow = Byte(profile, VIEW, "VIEW3", defaults.ShowAlarmLow);
    s.ShowMarkPoints = Byte(profile, VIEW, "VIEW4", defaults.ShowMarkPoints);
    s.ShowYAxis = Byte(profile, VIEW, "VIEW5", defaults.ShowYAxis);
    s.ShowXAxis = Byte(profile, VIEW, "VIEW6", defaults.ShowXAxis);
    s.AxisLow = AxisLevel(profile, "Y TEMPLOW", defaults.AxisLow);
    s.AxisHigh = AxisLevel(profile, "Y TEMPHI", defaults.AxisHigh);
    return s;
}

void WriteSettings(CProfile& profile, const CFrameSettings& frame, const CViewSettings& view) {
    profile.SetInt(SAMPLING, "SAMPRATE", frame.SampleRateIndex);
    profile.SetString(SAMPLING, "SAMPPOINT", frame.SamplePoints);
    profile.SetInt(VIEW, "VIEW1", view.ShowCurve);
    profile.SetInt(VIEW, "VIEW2", view.ShowAlarmHigh);
    profile.SetInt(VIEW, "VIEW3", view.ShowAlarmLow);
    profile.SetInt(VIEW, "VIEW4", view.ShowMarkPoints);
    profile.SetInt(VIEW, "VIEW5", view.ShowYAxis);
    profile.SetInt(VIEW, "VIEW6", view.ShowXAxis);
    profile.SetInt(LED, "LEDDATA", frame.LedCycle);
    profile.SetInt(COLOR, "BGColor", frame.BackgroundColor);
    profile.SetInt(COLOR, "TColor", frame.CurveColor);
    profile.SetInt(COLOR, "GRIDColor", frame.GridColor);
    profile.SetInt(AXIS, "Y TEMPLOW", view.AxisLow);
    profile.SetInt(AXIS, "Y TEMPHI", view.AxisHigh);
    profile.SetInt(START, "Auto/Manual", frame.AutoStart);
    profile.SetInt(WEIGHTING, "DBA/DBC", frame.Dba);
    profile.SetInt(SPEED, "FAST/SLOW", frame.Fast);
    profile.SetInt(MODE, "MODE", frame.RealTimeMode);
    profile.SetString(ALARM, "TEMPHI", frame.AlarmHigh);
    profile.SetString(ALARM, "TEMPLOW", frame.AlarmLow);
    profile.SetString(CALIBRATION, "CAL", frame.Calibration);
}
