#include "logger/sim/UrbanSoundscape.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr double DAY_SECONDS = 86400;
// An event is heard for three half widths on each side of its peak.
constexpr double EVENT_REACH = 3;
constexpr double LONGEST_HALF_WIDTH = 12;

// A uniform number in [0, 1) from a 64-bit engine, the same on every platform (the
// standard's distributions may differ between libraries).
double Uniform(std::mt19937_64& engine) {
    return static_cast<double>(engine() >> 11) * 0x1.0p-53;
}

double Uniform(std::mt19937_64& engine, double low, double high) {
    return low + (high - low) * Uniform(engine);
}

// A quick hash of the seed and an integer, for the reading-to-reading jitter.
std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// The quiet background level by hour of the day: lowest before dawn, rising with the
// morning traffic, steady through the day, falling in the evening.
double DiurnalBackground(double hour) {
    static constexpr double LEVELS[25] = {48, 47,   46,   45.5, 45.5, 46.5, 50, 54,   56,
                                          56, 55.5, 55.5, 56,   56,   55.5, 56, 56.5, 57,
                                          56, 54,   52.5, 51,   50,   49,   48};
    const int whole = static_cast<int>(hour);
    const double part = hour - whole;
    return LEVELS[whole] + (LEVELS[whole + 1] - LEVELS[whole]) * part;
}

// Passing vehicles per hour.
double TrafficRate(double hour) {
    if (hour < 5 || hour >= 23) {
        return 6;
    }
    if (hour < 7 || hour >= 20) {
        return 30;
    }
    return 80;
}

double AddLevels(double a, double b) {
    return 10 * std::log10(std::pow(10.0, a / 10) + std::pow(10.0, b / 10));
}

}  // namespace

double CivilSeconds(const LocalTimeParts& p) {
    using namespace std::chrono;
    const sys_days date =
        year{p.Year} / month{static_cast<unsigned>(p.Month)} / day{static_cast<unsigned>(p.Day)};
    return static_cast<double>(date.time_since_epoch().count()) * DAY_SECONDS + p.Hour * 3600 +
           p.Minute * 60 + p.Second;
}

const std::vector<CUrbanSoundscape::Event>& CUrbanSoundscape::EventsOfDay(std::int64_t day) {
    const auto known = m_days.find(day);
    if (known != m_days.end()) {
        return known->second;
    }
    std::mt19937_64 engine(Mix(m_seed ^ Mix(static_cast<std::uint64_t>(day))));
    const double dayStart = static_cast<double>(day) * DAY_SECONDS;
    std::vector<Event> events;
    // Vehicles arrive at random, more often at busy hours.
    for (double t = 0;;) {
        const double perSecond = TrafficRate(t / 3600) / 3600;
        t += -std::log(1 - Uniform(engine)) / perSecond;
        if (t >= DAY_SECONDS) {
            break;
        }
        const bool lorry = Uniform(engine) < 0.15;
        events.push_back({dayStart + t, lorry ? Uniform(engine, 72, 82) : Uniform(engine, 62, 74),
                          lorry ? Uniform(engine, 6, LONGEST_HALF_WIDTH) : Uniform(engine, 3, 7)});
    }
    // A few loud moments in the waking hours.
    const int loud = 3 + static_cast<int>(Uniform(engine) * 3);
    for (int i = 0; i < loud; ++i) {
        events.push_back({dayStart + Uniform(engine, 7 * 3600, 22 * 3600),
                          Uniform(engine, 101, 112), Uniform(engine, 1, 3)});
    }
    std::sort(events.begin(), events.end(),
              [](const Event& a, const Event& b) { return a.Time < b.Time; });
    // A sound heard for weeks keeps the days it is asked about now, not every day it was.
    if (m_days.size() >= KEPT_DAYS) {
        m_days.erase(m_days.begin());
    }
    return m_days.emplace(day, std::move(events)).first->second;
}

double CUrbanSoundscape::Background(std::int64_t day, double secondOfDay) {
    // Slow drifts (wind, distant traffic) with phases of the day's own, and a jitter from
    // one twentieth of a second to the next.
    const std::uint64_t daySeed = Mix(m_seed + static_cast<std::uint64_t>(day));
    const double phase1 = static_cast<double>(daySeed & 0xFFFF) / 0x10000 * 2 * std::numbers::pi;
    const double phase2 =
        static_cast<double>((daySeed >> 16) & 0xFFFF) / 0x10000 * 2 * std::numbers::pi;
    const double drift =
        1.5 * std::sin(secondOfDay / 1700 + phase1) + 1.0 * std::sin(secondOfDay / 230 + phase2);
    const auto tick = static_cast<std::uint64_t>(secondOfDay * 20);
    const double jitter = static_cast<double>(Mix(daySeed ^ tick) >> 11) * 0x1.0p-53 * 2 - 1;
    return std::clamp(DiurnalBackground(secondOfDay / 3600) + drift + jitter, 45.0, 60.0);
}

double CUrbanSoundscape::Level(double civilSeconds) {
    const auto day = static_cast<std::int64_t>(std::floor(civilSeconds / DAY_SECONDS));
    const double secondOfDay = civilSeconds - static_cast<double>(day) * DAY_SECONDS;
    double level = Background(day, secondOfDay);
    const std::vector<Event>& events = EventsOfDay(day);
    const double reach = EVENT_REACH * LONGEST_HALF_WIDTH;
    auto event = std::lower_bound(events.begin(), events.end(), civilSeconds - reach,
                                  [](const Event& e, double time) { return e.Time < time; });
    for (; event != events.end() && event->Time <= civilSeconds + reach; ++event) {
        const double distance = (civilSeconds - event->Time) / event->HalfWidth;
        if (std::abs(distance) < EVENT_REACH) {
            level = AddLevels(level, event->Peak - 12 * distance * distance);
        }
    }
    return level;
}
