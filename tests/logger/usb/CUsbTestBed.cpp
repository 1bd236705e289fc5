#include "tests/logger/usb/CUsbTestBed.h"

#include <sys/stat.h>

#include <cstdio>
#include <stdexcept>

namespace {

std::string Hex(const std::vector<unsigned>& bytes) {
    std::string text;
    for (const unsigned byte : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", byte & 0xFF);
        text += digits;
    }
    return text;
}

// The descriptors as sysfs holds them: the device, then its one configuration.
std::string Descriptors(const UsbId& id) {
    const unsigned packet = CEmulatedLogger::PACKET_SIZE;
    return Hex({18, 1, 0x00, 0x02, 0, 0, 0, 64, id.Vendor, static_cast<unsigned>(id.Vendor >> 8),
                id.Product, static_cast<unsigned>(id.Product >> 8), 0x00, 0x01, 0,
                CEmulatedLogger::PRODUCT_STRING, 0, 1,
                // configuration 1: 32 bytes in all, one interface, bus powered, 100 mA
                9, 2, 32, 0, 1, 1, 0, 0x80, 50,
                // interface 0: two endpoints, vendor specific
                9, 4, 0, 0, 2, 0xFF, 0, 0, 0,
                // the bulk endpoints
                7, 5, CEmulatedLogger::IN_ENDPOINT, 2, packet, 0, 0,  //
                7, 5, CEmulatedLogger::OUT_ENDPOINT, 2, packet, 0, 0});
}

}  // namespace

CUsbTestBed::CUsbTestBed() : m_bed(umockdev_testbed_new()) {
    gchar* root = umockdev_testbed_get_root_dir(m_bed);
    m_root = root;
    g_free(root);
    // Users other than root must find the devices to be refused one; libusb's event monitor
    // makes its socket here.
    chmod(m_root.c_str(), 01777);
}

CUsbTestBed::~CUsbTestBed() {
    // The test bed stops asking the handlers before they go.
    g_object_unref(m_bed);
}

CEmulatedLogger& CUsbTestBed::Plug(SimulatorOptions options, UsbId id) {
    auto logger = std::make_unique<CEmulatedLogger>(std::move(options));
    CDevice& device = Add(id, [&](const char* node) {
        return umockdev_testbed_attach_ioctl(m_bed, node, logger->Handler(), nullptr);
    });
    device.Logger = std::move(logger);
    return *device.Logger;
}

void CUsbTestBed::PlugRecording(const std::string& recording, UsbId id) {
    Add(id, [&](const char* node) {
        return umockdev_testbed_load_ioctl(m_bed, node, recording.c_str(), nullptr);
    });
}

CUsbTestBed::CDevice& CUsbTestBed::Add(UsbId id,
                                       const std::function<bool(const char* node)>& attach) {
    const int address = static_cast<int>(m_devices.size()) + 2;
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", BUS, address);
    if (!attach(node)) {
        throw std::runtime_error(std::string("cannot attach a handler to ") + node);
    }
    const std::string sysPath = "/devices/usb1/1-" + std::to_string(address - 1);
    const std::string number = std::to_string(address);
    const std::string description =
        "P: " + sysPath + "\nN: " + std::string(node + 5) +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=" + node +
        "\nE: BUSNUM=001\nE: DEVNUM=" + number + "\nA: busnum=1\\n\nA: devnum=" + number +
        "\\n\nA: speed=12\\n\nA: bConfigurationValue=1\\n\nH: descriptors=" + Descriptors(id) +
        "\n";
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(m_bed, description.c_str(), &error)) {
        const std::string message = error->message;
        g_error_free(error);
        throw std::runtime_error(message);
    }
    return m_devices.emplace_back(CDevice{nullptr, "/sys" + sysPath, node, address});
}

void CUsbTestBed::UnplugAt(CEmulatedLogger& logger, int urb) {
    const std::string sysPath = DeviceOf(logger).SysPath;
    logger.UnplugAt(urb,
                    [this, sysPath] { umockdev_testbed_remove_device(m_bed, sysPath.c_str()); });
}

void CUsbTestBed::Forbid(const CEmulatedLogger& logger) {
    const std::string& node = DeviceOf(logger).Node;
    chmod((m_root + node).c_str(), 0);
    // The preload reaches the handler's socket whatever the open did; refusing is the node's.
    chmod((m_root + "/ioctl" + node).c_str(), 0666);
}

int CUsbTestBed::Address(const CEmulatedLogger& logger) const {
    return DeviceOf(logger).Address;
}

const CUsbTestBed::CDevice& CUsbTestBed::DeviceOf(const CEmulatedLogger& logger) const {
    for (const CDevice& device : m_devices) {
        if (device.Logger.get() == &logger) {
            return device;
        }
    }
    throw std::invalid_argument("not a logger of this test bed");
}
