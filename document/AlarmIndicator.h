#pragma once

// Which of the info panel's two alarm lamps is lit.
enum class AlarmIndicatorState { Normal, High, Low };

// The lamp for one real-time reading. The alarm levels are whole numbers; a reading at or
// beyond a level lights its lamp, and low wins when both hold (only with low >= high).
constexpr AlarmIndicatorState DecideAlarmIndicator(float level, int alarmHigh, int alarmLow) {
    const double reading = level;
    if (reading <= alarmLow) {
        return AlarmIndicatorState::Low;
    }
    if (reading >= alarmHigh) {
        return AlarmIndicatorState::High;
    }
    return AlarmIndicatorState::Normal;
}
