#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "logger/CBridge.h"
#include "logger/UsbSeam.h"

// USB vendor and product id of the logger's bridge chip.
struct UsbId {
    std::uint16_t Vendor = 0x10C4;
    std::uint16_t Product = 0xEA61;
};

// "vvvv:pppp" in hexadecimal; empty when the text is not of that form.
std::optional<UsbId> ParseUsbId(std::string_view text);
// The ids in DATALOGGER_USB_ID, else the bridge's own. Throws std::invalid_argument, with a
// message for the user, when the variable cannot be read.
UsbId UsbIdFromEnvironment();

// The one place where a libusb result becomes a bridge status. `transferFailure` is the
// status of an input/output error, which depends on the direction of the transfer.
BridgeStatus BridgeStatusOfUsbResult(int result,
                                     BridgeStatus transferFailure = BridgeStatus::SystemError);

// What one USB device with the bridge's ids shows of itself, for a user whose logger is not
// found: where it sits, its interface 0, and whether this user may open and claim it.
struct UsbDeviceReport {
    std::uint8_t Bus = 0;
    std::uint8_t Address = 0;
    std::vector<UsbEndpoint> Endpoints;  // of interface 0; empty when they cannot be read
    bool HasBridgeEndpoints = false;     // a bulk IN and a bulk OUT endpoint
    BridgeStatus Access = BridgeStatus::Success;
    std::string Product;  // empty unless it could be opened
};

// The bridge over the real USB bus: the devices with the bridge's vendor and product id,
// in the bus's order, are the bridge devices. Opening one claims its interface 0 and uses
// the bulk IN and OUT endpoints its descriptors name.
//
// A read returns exactly the bytes asked for or fails: the device's packets are gathered
// until the request is filled, and bytes that arrive beyond it wait for the next read of
// the same handle. A device that vanishes makes every later call fail, never crash.
class CUsbBridge : public CBridge {
public:
    explicit CUsbBridge(std::unique_ptr<CUsbBus> bus, UsbId id = {});
    ~CUsbBridge() override;

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

    // Every device with the bridge's ids, in the bus's order, whether or not it can be used;
    // the status is the bus's own. Each is opened and its interface claimed, then let go.
    BridgeStatus Survey(std::vector<UsbDeviceReport>& reports);

private:
    struct COpenDevice {
        std::unique_ptr<CUsbDeviceHandle> Usb;
        std::uint8_t InEndpoint = 0;
        std::uint8_t OutEndpoint = 0;
        std::uint16_t InPacketSize = 64;
        std::vector<std::uint8_t> Pending;  // received beyond the last read
    };

    BridgeStatus DeviceAt(std::uint32_t index, std::unique_ptr<CUsbDevice>& device);
    BridgeStatus MatchingDevices(std::vector<std::unique_ptr<CUsbDevice>>& devices);
    // Gathers packets until `wanted` bytes are pending or the read timeout has passed.
    BridgeStatus FillPending(COpenDevice& device, std::uint32_t wanted);

    std::unique_ptr<CUsbBus> m_bus;
    UsbId m_id;
    std::map<BridgeHandle, COpenDevice> m_open;
    BridgeHandle m_nextHandle = 1;
    CBridgeTimeouts m_timeouts;
};
