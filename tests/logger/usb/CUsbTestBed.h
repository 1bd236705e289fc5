#pragma once

#include <umockdev.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "logger/CUsbBridge.h"
#include "tests/logger/usb/CEmulatedLogger.h"

// umockdev's test bed with loggers plugged in: each a USB device in the emulated sysfs (its
// device and configuration descriptors: one interface with a bulk IN and a bulk OUT endpoint)
// and a node in /dev/bus/usb whose requests its CEmulatedLogger answers. The test process
// and the programs it starts must run under umockdev's preload.
class CUsbTestBed {
public:
    static constexpr int BUS = 1;

    CUsbTestBed();
    ~CUsbTestBed();
    CUsbTestBed(const CUsbTestBed&) = delete;
    CUsbTestBed& operator=(const CUsbTestBed&) = delete;

    // Plugs in a logger at the next address on bus 1 (the first at 2).
    CEmulatedLogger& Plug(SimulatorOptions options = {}, UsbId id = {});
    // Plugs in a device like it whose requests umockdev answers from a recording.
    void PlugRecording(const std::string& recording, UsbId id = {});
    // The logger goes away instead of answering its bulk URB number `urb`, and leaves sysfs.
    void UnplugAt(CEmulatedLogger& logger, int urb);
    // Its node may be opened by root only, as before the udev rule gave the user access.
    void Forbid(const CEmulatedLogger& logger);
    int Address(const CEmulatedLogger& logger) const;

private:
    struct CDevice {
        std::unique_ptr<CEmulatedLogger> Logger;
        std::string SysPath;
        std::string Node;  // under /dev, as the program names it
        int Address;
    };
    const CDevice& DeviceOf(const CEmulatedLogger& logger) const;
    // Puts the next device into sysfs and /dev; its node's requests must have a handler.
    CDevice& Add(UsbId id, const std::function<bool(const char* node)>& attach);

    UMockdevTestbed* m_bed;
    std::string m_root;
    std::vector<CDevice> m_devices;
};
