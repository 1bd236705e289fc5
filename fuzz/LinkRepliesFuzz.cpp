// Fuzz target for the link's handling of the logger's replies: a bridge whose every
// transfer ends as the input says (whole, short, failed, or with the logger unplugged) and
// whose replies are the input's bytes, under a download, a setup, a calibration and the
// ticks of a real-time run. Every outcome must leave the record whole and the link closed.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <span>
#include <string>

#include "document/CDTDoc.h"
#include "logger/CBridge.h"
#include "logger/CLinkHost.h"
#include "logger/CLoggerLink.h"
#include "logger/SetupBlock.h"
#include "platform/CPrompt.h"

namespace {

class CFuzzedBridge : public CBridge {
public:
    explicit CFuzzedBridge(std::span<const std::uint8_t> input) : m_input(input) {}

    BridgeStatus BridgeCount(std::uint32_t& count) override {
        count = 1;
        return BridgeStatus::Success;
    }
    BridgeStatus BridgeQueryString(std::uint32_t, std::span<char> buffer, std::uint32_t) override {
        std::strncpy(buffer.data(), "fuzzed logger", buffer.size() - 1);
        return BridgeStatus::Success;
    }
    BridgeStatus BridgeOpen(std::uint32_t, BridgeHandle& handle) override {
        handle = 0;
        return m_unplugged ? BridgeStatus::DeviceNotFound : BridgeStatus::Success;
    }
    BridgeStatus BridgeClose(BridgeHandle) override { return BridgeStatus::Success; }

    // One byte says how the transfer ends; a read then takes its reply from the input. An
    // input that has run out leaves writes whole and reads timing out.
    BridgeStatus BridgeRead(BridgeHandle, std::uint8_t* buffer, std::uint32_t wanted,
                            std::uint32_t& returned) override {
        returned = 0;
        if (m_unplugged || m_input.empty()) {
            return m_unplugged ? BridgeStatus::DeviceNotFound : BridgeStatus::Timeout;
        }
        const std::uint8_t how = Take();
        std::uint32_t count = how % 4 == 0 ? how / 4 % (wanted + 1) : wanted;
        count = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(m_input.size()));
        std::memcpy(buffer, m_input.data(), count);
        m_input = m_input.subspan(count);
        returned = count;
        return Ending(how);
    }
    BridgeStatus BridgeWrite(BridgeHandle, const std::uint8_t*, std::uint32_t length,
                             std::uint32_t& written) override {
        written = 0;
        if (m_unplugged) {
            return BridgeStatus::DeviceNotFound;
        }
        const std::uint8_t how = m_input.empty() ? 0xFF : Take();
        written = how % 4 == 0 ? how / 4 % (length + 1) : length;
        return Ending(how);
    }
    BridgeStatus BridgeSetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override {
        return m_timeouts.Set(readMs, writeMs);
    }
    BridgeStatus BridgeGetTimeouts(std::uint32_t& readMs, std::uint32_t& writeMs) override {
        return m_timeouts.Get(readMs, writeMs);
    }

private:
    std::uint8_t Take() {
        const std::uint8_t byte = m_input.front();
        m_input = m_input.subspan(1);
        return byte;
    }
    BridgeStatus Ending(std::uint8_t how) {
        switch (how % 16) {
            case 1:
                return BridgeStatus::ReadError;
            case 2:
                return BridgeStatus::Timeout;
            case 3:
                m_unplugged = true;
                return BridgeStatus::DeviceNotFound;
            default:
                return BridgeStatus::Success;
        }
    }

    std::span<const std::uint8_t> m_input;
    CBridgeTimeouts m_timeouts;
    bool m_unplugged = false;
};

class CSilentHost : public CLinkHost, public CPrompt {
public:
    void BeginProgress(std::uint32_t maximum) override { m_maximum = maximum; }
    void StepProgress(std::uint32_t current) override {
        if (current > m_maximum) {
            std::abort();
        }
    }
    void EndProgress() override {}
    CAlarmSettings AlarmSettings() const override { return {"130", "30"}; }
    void StartPollTimer(std::uint32_t) override {}
    void StopPollTimer() override {}
    std::time_t Now() const override { return 1402070527; }
    void Message(const std::string&, PromptIcon) override {}
    bool AskYesNo(const std::string&, PromptIcon) override { return false; }

private:
    std::uint32_t m_maximum = 0;
};

void ExpectWhole(const CMeasurementRecord& record, std::int32_t capacity) {
    if (record.SampleCount < 0 || record.SampleCount > record.Capacity() ||
        record.Capacity() > capacity) {
        std::abort();
    }
}

}  // namespace

// The last measurement file goes nowhere: a folder that cannot be made keeps the fuzzer off
// the disk.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("DATALOGGER_HOME", "/dev/null/datalogger", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    CFuzzedBridge bridge(std::span(data + 1, size - 1));
    CSilentHost host;
    CLoggerLink link(bridge, host);
    switch (data[0] % 4) {
        case 0: {
            CDTDoc doc;
            static_cast<void>(link.RunDownload(doc, host));
            ExpectWhole(doc.Record(), STORED_CAPACITY);
            break;
        }
        case 1:
            static_cast<void>(link.SendSetup(ComposeSetupBlock(SetupFields{}, LocalTimeParts{})));
            break;
        case 2:
            static_cast<void>(
                link.SendCalibration(static_cast<std::int8_t>(data[0] / 4 % 21 - 10)));
            break;
        default: {
            // A real-time run polled until it ends: a full record, or a logger that stops.
            CDTDoc doc;
            if (link.RunDownload(doc, host, DownloadScope::RealTimeOnly) ==
                DownloadResult::RealTimeStarted) {
                while (link.PollRealTime(doc, host) == PollResult::Polling) {
                    ExpectWhole(doc.Record(), REAL_TIME_CAPACITY);
                }
            }
            ExpectWhole(doc.Record(), REAL_TIME_CAPACITY);
            if (doc.RealTimeActive) {
                std::abort();
            }
            break;
        }
    }
    if (link.Handle() != INVALID_BRIDGE_HANDLE) {
        std::abort();
    }
    return 0;
}
