#pragma once

#include <cstdint>
#include <span>

#include "logger/LoggerProtocol.h"

// Results of the bridge operations: 0 is success, every other value a failure. The values
// are the program's own; each backend maps its errors to them in one place.
enum class BridgeStatus : std::uint32_t {
    Success = 0,
    DeviceNotFound,    // no bridge at that index, or the device went away
    InvalidHandle,     // not a handle of an open device
    InvalidParameter,  // an argument the bridge cannot serve
    ReadError,
    WriteError,
    Timeout,       // the transfer did not complete within its timeout
    Busy,          // another program holds the device
    AccessDenied,  // the user may not open the device (see the udev rule)
    SystemError,   // the USB stack itself failed
};

using BridgeHandle = std::uint32_t;
// The handle of a link whose device is closed.
inline constexpr BridgeHandle INVALID_BRIDGE_HANDLE = 0xFFFFFFFF;

// The device string buffer that a query fills.
inline constexpr std::size_t BRIDGE_STRING_SIZE = 256;

// The USB bridge in front of the logger: the eight operations the logger link needs and
// nothing else. The link's logic runs unchanged over any implementation: the libusb
// backend, the simulated logger, a logging wrapper or a test double.
//
// Timeouts are bridge-wide: they apply to every later read and write of every handle.
class CBridge {
public:
    virtual ~CBridge() = default;

    // Number of attached bridge devices.
    virtual BridgeStatus BridgeCount(std::uint32_t& count) = 0;
    // Success means a device answers at this index (0-based). The buffer receives a
    // NUL-terminated description; option 0 asks for the product name.
    virtual BridgeStatus BridgeQueryString(std::uint32_t index, std::span<char> buffer,
                                           std::uint32_t option) = 0;
    virtual BridgeStatus BridgeOpen(std::uint32_t index, BridgeHandle& handle) = 0;
    virtual BridgeStatus BridgeClose(BridgeHandle handle) = 0;
    // `returned` and `written` say how many bytes moved, also when the transfer failed.
    virtual BridgeStatus BridgeRead(BridgeHandle handle, std::uint8_t* buffer, std::uint32_t wanted,
                                    std::uint32_t& returned) = 0;
    virtual BridgeStatus BridgeWrite(BridgeHandle handle, const std::uint8_t* buffer,
                                     std::uint32_t length, std::uint32_t& written) = 0;
    // Milliseconds; 0 waits without limit.
    virtual BridgeStatus BridgeSetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) = 0;
    virtual BridgeStatus BridgeGetTimeouts(std::uint32_t& readMs, std::uint32_t& writeMs) = 0;
};

// The bridge-wide timeouts a backend keeps: the program's usual pair until they are set.
struct CBridgeTimeouts {
    std::uint32_t ReadMs = READ_TIMEOUT_MS;
    std::uint32_t WriteMs = WRITE_TIMEOUT_MS;

    BridgeStatus Set(std::uint32_t readMs, std::uint32_t writeMs) {
        ReadMs = readMs;
        WriteMs = writeMs;
        return BridgeStatus::Success;
    }
    BridgeStatus Get(std::uint32_t& readMs, std::uint32_t& writeMs) const {
        readMs = ReadMs;
        writeMs = WriteMs;
        return BridgeStatus::Success;
    }
};

// Name of a status for messages and traces ("Timeout", "DeviceNotFound", ...).
const char* BridgeStatusName(BridgeStatus status);
