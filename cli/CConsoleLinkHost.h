#pragma once

#include <cstdint>
#include <iosfwd>

#include "cli/CConsolePrompt.h"
#include "logger/CLinkHost.h"

// The download's front end in a terminal: a progress bar on standard error when that is a
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
    // The command stops before the first poll: live readings need the real-time run.
    void StartPollTimer(std::uint32_t) override {}

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
    bool m_lineOpen = false;
};
