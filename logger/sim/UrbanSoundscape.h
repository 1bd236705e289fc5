#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/LocalTime.h"

// Seconds of a local calendar time counted from 1970-01-01 00:00 on the same local clock,
// so that the time of day is the remainder of a division by 86400.
double CivilSeconds(const LocalTimeParts& parts);

// The sound of a city street as a sound level meter beside it would hear it: a background
// of 45 to 60 dB that is quiet at night and busy by day, cars and lorries passing (more by
// day than by night), and a few loud events a day (horns, sirens, a lorry braking close by)
// above 100 dB. The same seed always gives the same sound, so recordings are repeatable.
class CUrbanSoundscape {
public:
    explicit CUrbanSoundscape(std::uint64_t seed) : m_seed(seed) {}

    // The level in dB at a time given as CivilSeconds.
    double Level(double civilSeconds);

private:
    struct Event {
        double Time;       // civil seconds of the loudest moment
        double Peak;       // dB at that moment
        double HalfWidth;  // seconds from the loudest moment to 12 dB below it
    };

    const std::vector<Event>& EventsOfDay(std::int64_t day);
    double Background(std::int64_t day, double secondOfDay);

    static constexpr std::size_t KEPT_DAYS = 2;

    std::uint64_t m_seed;
    std::map<std::int64_t, std::vector<Event>> m_days;
};
