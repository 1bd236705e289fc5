#pragma once

#include <chrono>
#include <iosfwd>
#include <memory>

#include "logger/CBridge.h"

// A bridge that passes every operation on to another and writes one line per operation to
// a trace: its arguments, its status and, for transfers, the bytes moved as hex. Users
// switch it on with DATALOGGER_USB_TRACE to report a problem with their logger.
class CLoggingBridge : public CBridge {
public:
    // Traces to `trace`, which must outlive the bridge.
    CLoggingBridge(std::unique_ptr<CBridge> inner, std::ostream& trace);
    // Traces to a stream the bridge owns (an opened file).
    CLoggingBridge(std::unique_ptr<CBridge> inner, std::unique_ptr<std::ostream> trace);
    ~CLoggingBridge() override;

    BridgeStatus BridgeCount(std::uint32_t& count) override;
    BridgeStatus BridgeQueryString(std::uint32_t index, std::span<char> buffer,
                                   std::uint32_t option) override;
    BridgeStatus BridgeOpen(std::uint32_t index, BridgeHandle& handle) override;
    BridgeStatus BridgeClose(BridgeHandle handle) override;
    BridgeStatus BridgeRead(BridgeHandle handle, std::uint8_t* buffer, std::uint32_t wanted,
                            std::uint32_t& returned) override;
    BridgeStatus BridgeWrite(BridgeHandle handle, const std::uint8_t* buffer, std::uint32_t length,
                             std::uint32_t& written) override;
    BridgeStatus BridgeSetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override;
    BridgeStatus BridgeGetTimeouts(std::uint32_t& readMs, std::uint32_t& writeMs) override;

private:
    // Starts a trace line with the time since the bridge was made and the operation.
    std::ostream& Line(const char* operation);
    std::ostream& End(BridgeStatus status);

    std::unique_ptr<CBridge> m_inner;
    std::unique_ptr<std::ostream> m_ownedTrace;
    std::ostream& m_trace;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};
