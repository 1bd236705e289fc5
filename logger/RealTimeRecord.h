#pragma once

#include <cstdint>
#include <optional>

#include "document/CMeasurementRecord.h"
#include "logger/CLinkHost.h"

// The empty record a real-time run fills, from the status byte of a logger set up for
// real time: weighting and time weighting from its bits, the sampling interval from its rate
// code, the alarm levels from the next setup's settings, room for 10000 readings and none
// taken. The start time stays the previous record's until the first reading sets it.
// Empty when the rate code is 0: the logger has nothing to poll.
std::optional<CMeasurementRecord> PrepareRealTimeRecord(std::uint8_t statusByte,
                                                        const CAlarmSettings& alarms,
                                                        const CMeasurementRecord& previous);
