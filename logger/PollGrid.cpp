#include "logger/PollGrid.h"

std::int64_t CPollGrid::Missed(Clock::time_point now, std::chrono::milliseconds period) const {
    return now > m_due && period.count() > 0 ? (now - m_due) / period : 0;
}

CPollGrid::Clock::time_point PollGridNow(CRunClock& clock) {
    return clock.Speed() > 1
               ? CPollGrid::Clock::time_point(std::chrono::milliseconds(clock.NowMs()))
               : CPollGrid::Clock::now();
}

std::chrono::milliseconds RunPollPeriod(float sampleInterval) {
    return std::chrono::milliseconds(static_cast<std::int64_t>(sampleInterval * 1000.0f));
}

std::string HeldUpRunText(std::int64_t missed) {
    return "The run was held up: the " + std::to_string(missed) +
           " readings due meanwhile are kept without a level.";
}
