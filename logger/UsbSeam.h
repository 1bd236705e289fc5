#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The few libusb calls the USB bridge backend makes, behind interfaces so that tests can
// put a fake device in their place. Results are libusb's own: 0 or more for success, a
// negative LIBUSB_ERROR_* value for failure.

struct UsbEndpoint {
    std::uint8_t Address = 0;     // bit 7 set for IN
    std::uint8_t Attributes = 0;  // bits 0-1: the transfer type, 2 for bulk
    std::uint16_t MaxPacketSize = 64;
};

// An open device; destroying it closes the device.
class CUsbDeviceHandle {
public:
    virtual ~CUsbDeviceHandle() = default;
    virtual int ProductString(std::string& text) = 0;
    virtual int ClaimInterface(int number) = 0;
    virtual int ReleaseInterface(int number) = 0;
    virtual int BulkTransfer(std::uint8_t endpoint, std::uint8_t* data, int length,
                             int& transferred, unsigned timeoutMs) = 0;
};

// A device seen on the bus.
class CUsbDevice {
public:
    virtual ~CUsbDevice() = default;
    virtual std::uint16_t VendorId() const = 0;
    virtual std::uint16_t ProductId() const = 0;
    // Where the device sits, as lsusb shows it; 0 where the bus cannot tell.
    virtual std::uint8_t BusNumber() const { return 0; }
    virtual std::uint8_t Address() const { return 0; }
    // Endpoints of an interface's first alternate setting in the active configuration.
    virtual int InterfaceEndpoints(int number, std::vector<UsbEndpoint>& endpoints) = 0;
    virtual int Open(std::unique_ptr<CUsbDeviceHandle>& handle) = 0;
};

class CUsbBus {
public:
    virtual ~CUsbBus() = default;
    // Every device on the bus now, in the bus's order.
    virtual int Devices(std::vector<std::unique_ptr<CUsbDevice>>& devices) = 0;
};

// The real USB bus through libusb.
std::unique_ptr<CUsbBus> MakeLibusbBus();
