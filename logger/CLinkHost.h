#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// The alarm levels of the next logger setup, as the user typed them.
struct CAlarmSettings {
    std::string HighText;  // "TEMPHI"
    std::string LowText;   // "TEMPLOW"
};

// What a download needs from the front end around the link, besides the prompt and the
// document: the progress window and the poll timer of a real-time run. The GUI maps it to
// the "Loading..." window and a timer, the command-line tool to a terminal progress bar;
// tests record the calls.
class CLinkHost {
public:
    virtual ~CLinkHost() = default;

    // A stored download reads `maximum` blocks: the progress window appears at position 0.
    virtual void BeginProgress(std::uint32_t maximum) = 0;
    // Position `current` of `maximum`. The front end gets its chance to repaint here, as the
    // transfers keep the thread busy between two steps.
    virtual void StepProgress(std::uint32_t current) = 0;
    // The download is over, successful or not; the progress window goes.
    virtual void EndProgress() = 0;

    // The alarm levels a real-time run compares its readings with.
    virtual CAlarmSettings AlarmSettings() const = 0;
    // A real-time run polls every `periodMs` from now on: the first poll after the download
    // prepared the run, then once per sampling interval.
    virtual void StartPollTimer(std::uint32_t periodMs) = 0;
    // The run has ended: no more polls.
    virtual void StopPollTimer() = 0;
    // The local time now, to the whole second: the start time of a run's first reading.
    virtual std::time_t Now() const = 0;
};
