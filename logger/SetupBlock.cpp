#include "logger/SetupBlock.h"

namespace {

enum Offset : std::size_t {
    LED = 0,
    FLAGS = 1,
    RATE = 2,
    YEAR = 3,
    MONTH = 4,
    DAY = 5,
    HOUR = 6,
    MINUTE = 7,
    SECOND = 8,
    POINTS = 9,  // three bytes, high byte first
    ALARM_LOW = 12,
    ALARM_HIGH = 13,
};

std::uint8_t Byte(int value) {
    return static_cast<std::uint8_t>(value);
}

}  // namespace

SetupBlock ComposeSetupBlock(const SetupFields& fields, const LocalTimeParts& clock) {
    SetupBlock block{};
    block[LED] = fields.LedCycle;
    block[FLAGS] = Byte((fields.ManualStart ? SETUP_MANUAL_START : 0) |
                        (fields.RealTime ? SETUP_REAL_TIME : 0) | (fields.Dba ? SETUP_DBA : 0) |
                        (fields.Fast ? SETUP_FAST : 0));
    block[RATE] = fields.RateCode;
    block[YEAR] = Byte(clock.Year - 2000);
    block[MONTH] = Byte(clock.Month);
    block[DAY] = Byte(clock.Day);
    block[HOUR] = Byte(clock.Hour);
    block[MINUTE] = Byte(clock.Minute);
    block[SECOND] = Byte(clock.Second);
    block[POINTS] = Byte(fields.Points >> 16);
    block[POINTS + 1] = Byte(fields.Points >> 8);
    block[POINTS + 2] = Byte(fields.Points);
    block[ALARM_LOW] = fields.AlarmLow;
    block[ALARM_HIGH] = fields.AlarmHigh;
    return block;
}

SetupFields ParseSetupBlock(const SetupBlock& block, LocalTimeParts& clock) {
    SetupFields fields;
    fields.LedCycle = block[LED];
    fields.ManualStart = (block[FLAGS] & SETUP_MANUAL_START) != 0;
    fields.RealTime = (block[FLAGS] & SETUP_REAL_TIME) != 0;
    fields.Dba = (block[FLAGS] & SETUP_DBA) != 0;
    fields.Fast = (block[FLAGS] & SETUP_FAST) != 0;
    fields.RateCode = block[RATE];
    clock = {block[YEAR] + 2000, block[MONTH],  block[DAY],
             block[HOUR],        block[MINUTE], block[SECOND]};
    fields.Points = (std::uint32_t{block[POINTS]} << 16) | (std::uint32_t{block[POINTS + 1]} << 8) |
                    block[POINTS + 2];
    fields.AlarmLow = block[ALARM_LOW];
    fields.AlarmHigh = block[ALARM_HIGH];
    return fields;
}
