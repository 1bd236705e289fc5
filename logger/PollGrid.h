#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "logger/RunClock.h"

// The times the polls of a real-time run fall due: the first a set time after the start, each
// later one a period after the one before it fell due, however long the work in between took,
// so that the polls keep to the readings' time grid over a whole run instead of drifting
// behind it. The times are those of a steady clock, which no setting of the system's clock
// moves.
class CPollGrid {
public:
    using Clock = std::chrono::steady_clock;

    CPollGrid(Clock::time_point start, std::chrono::milliseconds first) : m_due(start + first) {}

    // When the next poll falls due.
    Clock::time_point Due() const { return m_due; }
    // Whole periods that went by, at `now`, after the poll due was (the process was stopped,
    // the event loop or the output blocked): the polls of those slots can no longer be taken.
    std::int64_t Missed(Clock::time_point now, std::chrono::milliseconds period) const;
    void Advance(std::chrono::milliseconds by) { m_due += by; }

private:
    Clock::time_point m_due;
};

// The time on a run's poll grid: the run's clock where it runs faster than real time (a
// simulated logger's), else the steady clock.
CPollGrid::Clock::time_point PollGridNow(CRunClock& clock);

// The period of a run's polls after its first: the sampling interval in whole milliseconds.
std::chrono::milliseconds RunPollPeriod(float sampleInterval);

// What the user is told when `missed` slots of a run were kept without a level.
std::string HeldUpRunText(std::int64_t missed);
