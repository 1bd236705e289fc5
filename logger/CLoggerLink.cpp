#include "logger/CLoggerLink.h"

#include <cstdio>
#include <string>

namespace {

// The bridge's timeouts for the length of one transfer: the pair in force is saved, the
// transfer's own is set, and the saved pair is set back when the transfer is over.
class CTimeoutScope {
public:
    CTimeoutScope(CBridge& bridge, std::uint32_t readMs, std::uint32_t writeMs) : m_bridge(bridge) {
        // A bridge that cannot tell its timeouts gets the program's usual pair back.
        (void)m_bridge.BridgeGetTimeouts(m_savedRead, m_savedWrite);
        (void)m_bridge.BridgeSetTimeouts(readMs, writeMs);
    }
    ~CTimeoutScope() { (void)m_bridge.BridgeSetTimeouts(m_savedRead, m_savedWrite); }
    CTimeoutScope(const CTimeoutScope&) = delete;
    CTimeoutScope& operator=(const CTimeoutScope&) = delete;

private:
    CBridge& m_bridge;
    std::uint32_t m_savedRead = READ_TIMEOUT_MS;
    std::uint32_t m_savedWrite = WRITE_TIMEOUT_MS;
};

std::string CalibrationTotalText(std::int8_t total) {
    char value[32];
    std::snprintf(value, sizeof value, "%.1f dB", total * 0.1);
    return std::string("Total calibrated value as ") + value + ".";
}

}  // namespace

CLoggerLink::CLoggerLink(CBridge& bridge, CPrompt& prompt) : m_bridge(bridge), m_prompt(prompt) {}

CLoggerLink::~CLoggerLink() {
    CloseLogger();
}

bool CLoggerLink::WriteTimed(const std::uint8_t* buffer, std::uint32_t length,
                             std::uint32_t& written, std::uint32_t timeoutMs) {
    written = 0;
    CTimeoutScope timeouts(m_bridge, 0, timeoutMs);
    return m_bridge.BridgeWrite(m_handle, buffer, length, written) == BridgeStatus::Success;
}

bool CLoggerLink::ReadTimed(std::uint8_t* buffer, std::uint32_t length, std::uint32_t& returned,
                            std::uint32_t timeoutMs) {
    returned = 0;
    CTimeoutScope timeouts(m_bridge, timeoutMs, 0);
    return m_bridge.BridgeRead(m_handle, buffer, length, returned) == BridgeStatus::Success;
}

int CLoggerLink::FindLogger() {
    std::uint32_t count = 0;
    m_findFailure = m_bridge.BridgeCount(count);
    if (m_findFailure != BridgeStatus::Success) {
        return -1;
    }
    m_findFailure = BridgeStatus::DeviceNotFound;
    std::array<char, BRIDGE_STRING_SIZE> description{};
    for (std::uint32_t index = 0; index < count; ++index) {
        const BridgeStatus status = m_bridge.BridgeQueryString(index, description, 0);
        if (status == BridgeStatus::Success) {
            m_findFailure = status;
            return static_cast<int>(index);
        }
        // A logger the user may not open is the one failure worth telling.
        if (m_findFailure != BridgeStatus::AccessDenied) {
            m_findFailure = status;
        }
    }
    return -1;
}

void CLoggerLink::CloseLogger() {
    if (m_handle != INVALID_BRIDGE_HANDLE) {
        (void)m_bridge.BridgeClose(m_handle);  // nothing is left to do when closing fails
        m_handle = INVALID_BRIDGE_HANDLE;
    }
}

bool CLoggerLink::OpenLogger() {
    BridgeHandle handle = INVALID_BRIDGE_HANDLE;
    if (m_bridge.BridgeOpen(0, handle) != BridgeStatus::Success) {
        return false;
    }
    m_handle = handle;
    return true;
}

bool CLoggerLink::RunConnected(const std::function<bool()>& exchange) {
    if (FindLogger() < 0 || !OpenLogger()) {
        return false;
    }
    const bool succeeded = exchange();
    CloseLogger();
    return succeeded;
}

bool CLoggerLink::WriteCommand(std::uint8_t command, std::uint8_t first, std::uint8_t second,
                               std::uint32_t& written) {
    const std::array<std::uint8_t, COMMAND_SIZE> request = {command, first, second};
    return WriteTimed(request.data(), request.size(), written);
}

bool CLoggerLink::Fail(const std::string& message, PromptIcon icon) {
    CloseLogger();
    m_prompt.Message(message, icon);
    return false;
}

bool CLoggerLink::SendSetup(const SetupBlock& block) {
    if (!RunConnected([&] { return SetupExchange(block); })) {
        return Fail(MSG_WRITE_FAILED);
    }
    return true;
}

bool CLoggerLink::SetupExchange(const SetupBlock& block) {
    std::uint32_t written = 0;
    if (!WriteCommand(CMD_SETUP, SETUP_BLOCK_SIZE, 0, written) || written != COMMAND_SIZE) {
        return false;
    }
    // The logger takes the block whole; how much of it the bridge reports is not telling.
    if (!WriteTimed(block.data(), block.size(), written)) {
        return false;
    }
    return AwaitAcknowledgement();
}

bool CLoggerLink::AwaitAcknowledgement() {
    int failedReads = 0;
    int skippedBytes = 0;
    while (failedReads < ACKNOWLEDGE_FAILED_READS && skippedBytes < ACKNOWLEDGE_SKIPPED_BYTES) {
        std::uint32_t returned = 0;
        m_receive[0] = 0;
        if (!ReadTimed(m_receive.data(), 1, returned) || returned != 1) {
            ++failedReads;
        } else if (m_receive[0] == SETUP_ACKNOWLEDGE) {
            return true;
        } else {
            ++skippedBytes;
        }
    }
    return false;
}

bool CLoggerLink::SendCalibration(std::int8_t value) {
    return RunConnected([&] { return CalibrationExchange(value); });
}

bool CLoggerLink::CalibrationExchange(std::int8_t value) {
    std::uint32_t count = 0;
    if (!WriteCommand(CMD_CALIBRATE, static_cast<std::uint8_t>(value), 0, count)) {
        return Fail(MSG_WRITE_FAILED);
    }
    m_receive[0] = 0;
    if (!ReadTimed(m_receive.data(), CALIBRATION_REPLY_SIZE, count) ||
        count != CALIBRATION_REPLY_SIZE) {
        return Fail(MSG_READ_FAILED);
    }
    const auto total = static_cast<std::int8_t>(m_receive[0]);
    CloseLogger();
    m_prompt.Message(CalibrationTotalText(total), PromptIcon::Information);
    return true;
}
