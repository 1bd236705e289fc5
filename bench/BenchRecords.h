#pragma once

#include <cmath>
#include <cstdint>

#include "document/CMeasurementRecord.h"
#include "platform/LocalTime.h"

// A full logger memory at one reading a second from 5 June 2014 14:02:07: a street's
// background of 45 to 60 dB with traffic passing and a few loud peaks, the same every run.
inline CMeasurementRecord FullMemoryRecord() {
    CMeasurementRecord r;
    r.ReplaceSeries(STORED_CAPACITY);
    r.SampleCount = STORED_CAPACITY;
    std::uint32_t noise = 12345;
    for (std::int32_t i = 0; i < r.SampleCount; ++i) {
        noise = noise * 1103515245u + 12345u;
        const double background = 52.0 + 7.0 * std::sin(i / 6000.0);
        const double traffic = (i % 97 < 12) ? 15.0 * std::sin((i % 97) / 12.0 * 3.14159) : 0.0;
        const double peak = (i % 20011 == 0) ? 50.0 : 0.0;
        const double level = background + traffic + peak + (noise >> 24) / 64.0;
        r.Levels[static_cast<std::size_t>(i)] = static_cast<float>(std::round(level * 10) / 10);
    }
    r.StartTime = *MakeLocalTime({2014, 6, 5, 14, 2, 7});
    r.SampleInterval = 1.0f;
    r.IsDBA = 1;
    r.IsFast = 1;
    r.ModeText = "STOR";
    r.RecomputeStatistics();
    r.DeriveTextsAfterLoad();
    return r;
}
