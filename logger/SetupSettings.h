#pragma once

#include "logger/SetupBlock.h"
#include "platform/CSettings.h"

// The rules by which the setup and calibration front ends (the dialogs and the command-line
// tool) turn the stored settings into what is sent to the logger, and back.

// What the user is told after a setup the logger took, for an automatic and a manual start.
inline constexpr const char* MSG_SETUP_RUNNING = "The DATA LOGGER is running... ";
inline constexpr const char* MSG_SETUP_PRESS_BUTTON =
    "To Start Datalogging; Press and Hold the button on the logger until the led's flash "
    "Red-Green-Yellow (~5 sec).";

inline constexpr int ALARM_LEVEL_MIN = 0;
inline constexpr int ALARM_LEVEL_MAX = 130;
inline constexpr int CALIBRATION_MIN = -10;
inline constexpr int CALIBRATION_MAX = 10;

// Points run from 1 to 10000 in real-time mode and to 129920 in stored mode.
int LimitPoints(int points, bool realTime);
int LimitAlarmLevel(int level);
int LimitCalibration(int value);

// The setup the settings describe, every value brought into its range: an LED cycle other
// than 0, 20 or 30 is 10; a start mode other than 1 is manual; a mode other than 1 is
// stored; the 50 ms rate only runs in real time; a rate index outside the list (an edited
// settings file) is taken as "1s".
SetupFields SetupFieldsFromSettings(const CFrameSettings& settings);

// The settings after a successful setup: the fields as the setup dialog keeps them, the
// numbers written back as plain decimal texts.
void StoreSetupFields(const SetupFields& fields, CFrameSettings& settings);
