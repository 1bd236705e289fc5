// What detect --verbose tells of the USB bus, for a user whose logger is not found.

#include "cli/UsbDeviceList.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "logger/CUsbBridge.h"

namespace {

std::string Digits(const char* format, unsigned value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, format, width, value);
    return text;
}

std::string Hex(unsigned value, int width) {
    return Digits("%0*x", value, width);
}

std::string Endpoint(const UsbEndpoint& endpoint) {
    static constexpr const char* TYPES[] = {"control", "isochronous", "bulk", "interrupt"};
    return "0x" + Hex(endpoint.Address, 2) + ((endpoint.Address & 0x80) != 0 ? " IN " : " OUT ") +
           TYPES[endpoint.Attributes & 0x03] + " " + std::to_string(endpoint.MaxPacketSize);
}

// Why a device cannot be used, in the user's terms.
std::string AccessText(BridgeStatus access) {
    switch (access) {
        case BridgeStatus::Success:
            return "can be opened";
        case BridgeStatus::AccessDenied:
            return "cannot be opened: this user may not open it (AccessDenied)";
        case BridgeStatus::Busy:
            return "cannot be opened: another program holds it (Busy)";
        default:
            return std::string("cannot be opened (") + BridgeStatusName(access) + ")";
    }
}

}  // namespace

void PrintUsbDevices(const UsbId& id, std::ostream& out) {
    CUsbBridge bridge(MakeLibusbBus(), id);
    std::vector<UsbDeviceReport> reports;
    const BridgeStatus status = bridge.Survey(reports);
    out << "USB devices with the bridge's id " << Hex(id.Vendor, 4) << ':' << Hex(id.Product, 4)
        << ": " << reports.size() << '\n';
    if (status != BridgeStatus::Success) {
        out << "  the USB bus cannot be read (" << BridgeStatusName(status) << ")\n";
    }
    for (const UsbDeviceReport& report : reports) {
        // Numbered as lsusb numbers them.
        out << "  bus " << Digits("%0*u", report.Bus, 3) << " device "
            << Digits("%0*u", report.Address, 3) << ": interface 0";
        for (const UsbEndpoint& endpoint : report.Endpoints) {
            out << ", " << Endpoint(endpoint);
        }
        if (!report.HasBridgeEndpoints) {
            out << " (not the bridge's bulk IN and OUT endpoints)";
        }
        if (!report.Product.empty()) {
            out << "; \"" << report.Product << '"';
        }
        out << "; " << AccessText(report.Access) << '\n';
    }
}
