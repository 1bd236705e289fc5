#include "logger/CLoggingBridge.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>

namespace {

void HexDump(std::ostream& out, const std::uint8_t* bytes, std::uint32_t count) {
    char hex[4];
    for (std::uint32_t i = 0; i < count; ++i) {
        std::snprintf(hex, sizeof hex, " %02x", bytes[i]);
        out << hex;
    }
}

}  // namespace

CLoggingBridge::CLoggingBridge(std::unique_ptr<CBridge> inner, std::ostream& trace)
    : m_inner(std::move(inner)), m_trace(trace) {}

CLoggingBridge::CLoggingBridge(std::unique_ptr<CBridge> inner, std::unique_ptr<std::ostream> trace)
    : m_inner(std::move(inner)), m_ownedTrace(std::move(trace)), m_trace(*m_ownedTrace) {}

CLoggingBridge::~CLoggingBridge() = default;

std::ostream& CLoggingBridge::Line(const char* operation) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - m_start);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10.3f ", static_cast<double>(elapsed.count()) / 1000);
    return m_trace << stamp << operation;
}

std::ostream& CLoggingBridge::End(BridgeStatus status) {
    m_trace << " -> " << BridgeStatusName(status) << std::endl;
    return m_trace;
}

BridgeStatus CLoggingBridge::BridgeCount(std::uint32_t& count) {
    const BridgeStatus status = m_inner->BridgeCount(count);
    Line("count") << ' ' << count;
    End(status);
    return status;
}

BridgeStatus CLoggingBridge::BridgeQueryString(std::uint32_t index, std::span<char> buffer,
                                               std::uint32_t option) {
    const BridgeStatus status = m_inner->BridgeQueryString(index, buffer, option);
    Line("query") << " index=" << index << " option=" << option;
    if (status == BridgeStatus::Success && !buffer.empty()) {
        m_trace << " \"" << std::string(buffer.data(), strnlen(buffer.data(), buffer.size()))
                << '"';
    }
    End(status);
    return status;
}

BridgeStatus CLoggingBridge::BridgeOpen(std::uint32_t index, BridgeHandle& handle) {
    const BridgeStatus status = m_inner->BridgeOpen(index, handle);
    Line("open") << " index=" << index << " handle=" << handle;
    End(status);
    return status;
}

BridgeStatus CLoggingBridge::BridgeClose(BridgeHandle handle) {
    const BridgeStatus status = m_inner->BridgeClose(handle);
    Line("close") << " handle=" << handle;
    End(status);
    return status;
}

BridgeStatus CLoggingBridge::BridgeRead(BridgeHandle handle, std::uint8_t* buffer,
                                        std::uint32_t wanted, std::uint32_t& returned) {
    const BridgeStatus status = m_inner->BridgeRead(handle, buffer, wanted, returned);
    Line("read") << " handle=" << handle << " wanted=" << wanted << " got=" << returned << ':';
    HexDump(m_trace, buffer, std::min(returned, wanted));
    End(status);
    return status;
}

BridgeStatus CLoggingBridge::BridgeWrite(BridgeHandle handle, const std::uint8_t* buffer,
                                         std::uint32_t length, std::uint32_t& written) {
    const BridgeStatus status = m_inner->BridgeWrite(handle, buffer, length, written);
    Line("write") << " handle=" << handle << " length=" << length << " written=" << written << ':';
    HexDump(m_trace, buffer, length);
    End(status);
    return status;
}

BridgeStatus CLoggingBridge::BridgeSetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) {
    const BridgeStatus status = m_inner->BridgeSetTimeouts(readMs, writeMs);
    Line("set-timeouts") << " read=" << readMs << " write=" << writeMs;
    End(status);
    return status;
}

BridgeStatus CLoggingBridge::BridgeGetTimeouts(std::uint32_t& readMs, std::uint32_t& writeMs) {
    const BridgeStatus status = m_inner->BridgeGetTimeouts(readMs, writeMs);
    Line("get-timeouts") << " read=" << readMs << " write=" << writeMs;
    End(status);
    return status;
}
