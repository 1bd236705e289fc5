#pragma once

#include <chrono>
#include <cstdint>

// The clock a run keeps time by: milliseconds since 1970-01-01 00:00 UTC. The system's clock
// for a real logger; the simulated logger's clock may run faster than real time, and whoever
// waits for it waits Speed() times less. Tests give their own so that nothing waits at all.
class CRunClock {
public:
    virtual ~CRunClock() = default;
    // The time polls are scheduled by: it never steps.
    virtual std::int64_t NowMs() = 0;
    // How far the system's clock, which readings are stamped by, is ahead of NowMs(): it
    // changes when the system's clock is set, or runs on while the system sleeps and the
    // steady clock does not. A clock of its own (the simulated logger's) is both: 0.
    virtual std::int64_t WallAheadMs() { return 0; }
    // How many milliseconds of this clock pass in one real millisecond.
    virtual std::int64_t Speed() const { return 1; }
    // Lets `ms` of this clock pass: Speed() times less real time.
    virtual void Sleep(std::int64_t ms);
};

class CSystemClock : public CRunClock {
public:
    std::int64_t NowMs() override;
};

// The system's time at its creation, then running `speed` times faster: days of a logger's
// readings pass in minutes. Steady: it never steps back when the system's clock is set.
class CScaledClock : public CRunClock {
public:
    explicit CScaledClock(std::int64_t speed);
    std::int64_t NowMs() override;
    std::int64_t Speed() const override { return m_speed; }

private:
    std::int64_t m_speed;
    std::int64_t m_originMs;
    std::chrono::steady_clock::time_point m_steadyOrigin;
};

// A logger's real time: the polls steady from the system's time at its start, the readings
// stamped by the system's clock as it is set.
class CMonitorClock : public CScaledClock {
public:
    CMonitorClock() : CScaledClock(1) {}
    std::int64_t WallAheadMs() override { return CSystemClock().NowMs() - NowMs(); }
};

// A clock whose time passes only while its user sleeps: a loop on it never waits and is never
// late, so that benchmarks and tests run days of polling at the speed of the work itself.
class CSteppingClock : public CRunClock {
public:
    explicit CSteppingClock(std::int64_t startMs) : m_nowMs(startMs) {}
    std::int64_t NowMs() override { return m_nowMs; }
    std::int64_t WallAheadMs() override { return m_wallStepMs; }
    void Sleep(std::int64_t ms) override { m_nowMs += ms; }
    // The system's clock set by `ms` (back when negative), the steady time going on.
    void StepWall(std::int64_t ms) { m_wallStepMs += ms; }

private:
    std::int64_t m_nowMs;
    std::int64_t m_wallStepMs = 0;
};
