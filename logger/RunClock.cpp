#include "logger/RunClock.h"

#include <thread>

void CRunClock::Sleep(std::int64_t ms) {
    std::this_thread::sleep_for(std::chrono::microseconds(ms * 1000 / Speed()));
}

std::int64_t CSystemClock::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

CScaledClock::CScaledClock(std::int64_t speed)
    : m_speed(speed),
      m_originMs(CSystemClock().NowMs()),
      m_steadyOrigin(std::chrono::steady_clock::now()) {}

std::int64_t CScaledClock::NowMs() {
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - m_steadyOrigin);
    return m_originMs + elapsed.count() * m_speed / 1000;
}
