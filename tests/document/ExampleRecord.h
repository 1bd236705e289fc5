#pragma once

#include "document/CMeasurementRecord.h"

// The record the tests keep coming back to: readings of 55.0 dB, 55.1 dB, ... taken every
// `interval` seconds from 5 June 2014 14:02:07 (rising by 0.1 dB a reading and starting
// again every 700 readings), dBA, FAST, as a memory download leaves it.
inline CMeasurementRecord ExampleRecord(int count = 2, float interval = 1.0f) {
    CMeasurementRecord r;
    r.ReplaceSeries(count);
    r.SampleCount = count;
    for (int i = 0; i < count; ++i) {
        r.Levels[static_cast<std::size_t>(i)] = static_cast<float>((550 + i % 700) * 0.1);
    }
    r.StartParts = {2014, 6, 5, 14, 2, 7};
    r.StartTime = *MakeLocalTime(r.StartParts);
    r.SampleInterval = interval;
    r.IsDBA = 1;
    r.IsFast = 1;
    r.ModeText = "STOR";
    r.AlarmHighText = "130 ";
    r.AlarmLowText = "30 ";
    r.AlarmHigh = 130.0f;
    r.AlarmLow = 30.0f;
    r.RecomputeStatistics();
    r.DeriveTextsAfterLoad();
    return r;
}
