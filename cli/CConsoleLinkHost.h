#pragma once

#include <cstdint>
#include <iosfwd>

#include "cli/CConsolePrompt.h"
#include "logger/CLinkHost.h"
#include "logger/RunClock.h"

// The logger link's front end in a terminal: a progress bar on standard error when that is a
// terminal, and the logger's messages printed as CConsolePrompt prints them, on a line of
// their own below the bar.
class CConsoleLinkHost : public CLinkHost, public CPrompt {
public:
    static constexpr int BAR_WIDTH = 40;

    // `drawBar`: whether `err` is a terminal that shows a bar redrawn in place.
    CConsoleLinkHost(std::ostream& out, std::ostream& err, bool drawBar, CAlarmSettings alarms);

    void BeginProgress(std::uint32_t maximum) override;
    void StepProgress(std::uint32_t current) override;
    void EndProgress() override;
    CAlarmSettings AlarmSettings() const override { return m_alarms; }
    void StartPollTimer(std::uint32_t periodMs) override { m_pollPeriodMs = periodMs; }
    void StopPollTimer() override { m_pollPeriodMs = 0; }
    std::time_t Now() const override;
    // Now() by `clock` instead of the system's: a simulated logger's may run faster.
    void KeepTimeBy(CRunClock& clock) { m_clock = &clock; }
    // Milliseconds until the next poll of a real-time run; 0 when no run polls.
    std::uint32_t PollPeriodMs() const { return m_pollPeriodMs; }

    void Message(const std::string& text, PromptIcon icon) override;
    bool AskYesNo(const std::string& text, PromptIcon icon) override;

private:
    void Draw(std::uint32_t current);
    // Ends the bar's line, so that what follows starts on a line of its own.
    void BreakLine();

    std::ostream& m_err;
    CConsolePrompt m_prompt;
    bool m_drawBar;
    CAlarmSettings m_alarms;
    std::uint32_t m_maximum = 0;
    std::uint32_t m_pollPeriodMs = 0;
    bool m_lineOpen = false;
    CRunClock* m_clock = nullptr;
};
