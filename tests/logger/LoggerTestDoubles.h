#pragma once

#include <cstdint>
#include <ctime>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "logger/CBridge.h"
#include "logger/CLinkHost.h"
#include "logger/sim/CSimulatedLogger.h"
#include "platform/CPrompt.h"
#include "tests/TempDir.h"

// Every message the link shows, in order. Named apart from CRecordingPrompt, which a test
// executable may hold beside it.
class CMessageLog : public CPrompt {
public:
    std::vector<std::pair<std::string, PromptIcon>> Messages;

    void Message(const std::string& text, PromptIcon icon) override {
        Messages.emplace_back(text, icon);
    }
    bool AskYesNo(const std::string& text, PromptIcon icon) override {
        Messages.emplace_back(text, icon);
        return false;
    }
};

using EventList = std::vector<std::string>;

// The front end of a download or a real-time run, writing down in one list what the user
// would see: the progress window, the messages, the views told of a new record and the poll
// timer. Its clock stands still unless a test moves it.
class CDownloadRecorder : public CLinkHost, public CPrompt {
public:
    void BeginProgress(std::uint32_t maximum) override {
        Events.push_back("begin " + std::to_string(maximum));
    }
    void StepProgress(std::uint32_t current) override {
        Events.push_back("step " + std::to_string(current));
    }
    void EndProgress() override { Events.push_back("end"); }
    CAlarmSettings AlarmSettings() const override { return Alarms; }
    void StartPollTimer(std::uint32_t periodMs) override {
        Events.push_back("poll " + std::to_string(periodMs));
        PollPeriodMs = periodMs;
    }
    void StopPollTimer() override {
        Events.push_back("poll stop");
        PollPeriodMs = 0;
    }
    std::time_t Now() const override { return Clock; }
    void Message(const std::string& text, PromptIcon icon) override {
        Events.push_back("message " + text);
        Icons.push_back(icon);
    }
    bool AskYesNo(const std::string& text, PromptIcon) override {
        Events.push_back("ask " + text);
        return false;
    }

    EventList Events;
    std::vector<PromptIcon> Icons;
    CAlarmSettings Alarms{"85", "40"};
    std::uint32_t PollPeriodMs = 0;  // 0: the poll timer is stopped
    std::time_t Clock = 1401969727;  // 2014-06-05 14:02:07 in the tests' time zone
};

// A bridge that answers from a script and writes down every call, for the cases a real
// logger cannot be made to show.
class CScriptedBridge : public CBridge {
public:
    struct Transfer {
        BridgeStatus Status = BridgeStatus::Success;
        std::vector<std::uint8_t> Bytes;     // read: the reply
        std::optional<std::uint32_t> Count;  // the count reported; default: all bytes
    };

    BridgeStatus CountStatus = BridgeStatus::Success;
    std::uint32_t Count = 1;
    std::set<std::uint32_t> Answering = {0};  // indexes whose string query succeeds
    BridgeStatus OpenStatus = BridgeStatus::Success;
    std::deque<Transfer> Reads;   // each read takes the next; with none left it times out
    std::deque<Transfer> Writes;  // each write takes the next; with none left it succeeds
    std::uint32_t ReadTimeout = 500;
    std::uint32_t WriteTimeout = 600;

    std::vector<std::string> Calls;
    std::vector<std::vector<std::uint8_t>> Written;
    int OpenHandles = 0;

    BridgeStatus BridgeCount(std::uint32_t& count) override {
        Calls.push_back("count");
        count = Count;
        return CountStatus;
    }
    BridgeStatus BridgeQueryString(std::uint32_t index, std::span<char> buffer,
                                   std::uint32_t option) override {
        Calls.push_back("query " + std::to_string(index));
        buffer[0] = '\0';
        return option == 0 && buffer.size() == BRIDGE_STRING_SIZE && Answering.contains(index)
                   ? BridgeStatus::Success
                   : BridgeStatus::DeviceNotFound;
    }
    BridgeStatus BridgeOpen(std::uint32_t index, BridgeHandle& handle) override {
        Calls.push_back("open " + std::to_string(index));
        if (OpenStatus != BridgeStatus::Success) {
            return OpenStatus;
        }
        ++OpenHandles;
        handle = HANDLE;
        return BridgeStatus::Success;
    }
    BridgeStatus BridgeClose(BridgeHandle handle) override {
        Calls.push_back("close");
        if (handle != HANDLE || OpenHandles == 0) {
            return BridgeStatus::InvalidHandle;
        }
        --OpenHandles;
        return BridgeStatus::Success;
    }
    BridgeStatus BridgeRead(BridgeHandle handle, std::uint8_t* buffer, std::uint32_t wanted,
                            std::uint32_t& returned) override {
        Calls.push_back("read " + std::to_string(wanted));
        returned = 0;
        if (handle != HANDLE || Reads.empty()) {
            return BridgeStatus::Timeout;
        }
        const Transfer reply = Reads.front();
        Reads.pop_front();
        const std::size_t n = std::min<std::size_t>(reply.Bytes.size(), wanted);
        std::copy_n(reply.Bytes.begin(), n, buffer);
        returned = reply.Count.value_or(static_cast<std::uint32_t>(n));
        return reply.Status;
    }
    BridgeStatus BridgeWrite(BridgeHandle handle, const std::uint8_t* buffer, std::uint32_t length,
                             std::uint32_t& written) override {
        Calls.push_back("write");
        Written.emplace_back(buffer, buffer + length);
        if (handle != HANDLE) {
            return BridgeStatus::InvalidHandle;
        }
        Transfer result;
        if (!Writes.empty()) {
            result = Writes.front();
            Writes.pop_front();
        }
        written = result.Count.value_or(length);
        return result.Status;
    }
    BridgeStatus BridgeSetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override {
        Calls.push_back("set " + std::to_string(readMs) + " " + std::to_string(writeMs));
        ReadTimeout = readMs;
        WriteTimeout = writeMs;
        return BridgeStatus::Success;
    }
    BridgeStatus BridgeGetTimeouts(std::uint32_t& readMs, std::uint32_t& writeMs) override {
        Calls.push_back("get");
        readMs = ReadTimeout;
        writeMs = WriteTimeout;
        return BridgeStatus::Success;
    }

private:
    static constexpr BridgeHandle HANDLE = 7;
};

// A clock that moves only when told.
class CManualClock : public CSimClock {
public:
    explicit CManualClock(std::int64_t nowMs) : Now(nowMs) {}
    std::int64_t NowMs() override { return Now; }
    void Advance(double seconds) { Now += static_cast<std::int64_t>(seconds * 1000); }

    std::int64_t Now;
};

// A simulated logger with its state in a directory of its own and a manual clock.
struct CSimulatorBench {
    CTempDir Directory;
    // 2024-06-03 10:00:00 in the tests' time zone (CEST).
    std::shared_ptr<CManualClock> Clock = std::make_shared<CManualClock>(1717401600000);

    SimulatorOptions Options() const {
        SimulatorOptions options;
        options.StateFile = Directory / "SimulatedLogger.ini";
        options.Clock = Clock;
        options.ButtonDelaySeconds.reset();
        return options;
    }
};
