#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "logger/CLinkHost.h"
#include "platform/CPrompt.h"
#include "platform/LocalTime.h"

// The front end of a real-time run that a benchmark drives itself: no windows, no messages,
// no timer (the benchmark calls each poll), alarms at 85 and 40 dB.
class CQuietFrontEnd : public CLinkHost, public CPrompt {
public:
    void BeginProgress(std::uint32_t) override {}
    void StepProgress(std::uint32_t) override {}
    void EndProgress() override {}
    CAlarmSettings AlarmSettings() const override { return {"85", "40"}; }
    void StartPollTimer(std::uint32_t) override {}
    void StopPollTimer() override {}
    std::time_t Now() const override { return CurrentTime(); }
    void Message(const std::string&, PromptIcon) override {}
    bool AskYesNo(const std::string&, PromptIcon) override { return false; }
};
