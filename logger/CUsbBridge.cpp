#include "logger/CUsbBridge.h"

#include <libusb.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

constexpr int BRIDGE_INTERFACE = 0;
constexpr std::uint8_t ENDPOINT_IN = 0x80;
constexpr std::uint8_t TRANSFER_TYPE_MASK = 0x03;

bool IsBulk(const UsbEndpoint& endpoint) {
    return (endpoint.Attributes & TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK;
}

struct CBridgeEndpoints {
    const UsbEndpoint* In = nullptr;
    const UsbEndpoint* Out = nullptr;
    bool Found() const { return In != nullptr && Out != nullptr; }
};

// The first bulk endpoint of each direction among an interface's endpoints.
CBridgeEndpoints FindBridgeEndpoints(const std::vector<UsbEndpoint>& endpoints) {
    CBridgeEndpoints found;
    for (const UsbEndpoint& endpoint : endpoints) {
        if (!IsBulk(endpoint)) {
            continue;
        }
        const UsbEndpoint*& slot = (endpoint.Address & ENDPOINT_IN) != 0 ? found.In : found.Out;
        if (slot == nullptr) {
            slot = &endpoint;
        }
    }
    return found;
}

std::optional<std::uint16_t> ParseHex16(std::string_view text) {
    std::uint16_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || text.size() > 4 || error != std::errc() ||
        end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<UsbId> ParseUsbId(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const auto vendor = ParseHex16(text.substr(0, colon));
    const auto product = ParseHex16(text.substr(colon + 1));
    if (!vendor || !product) {
        return std::nullopt;
    }
    return UsbId{*vendor, *product};
}

UsbId UsbIdFromEnvironment() {
    const char* text = std::getenv("DATALOGGER_USB_ID");
    if (text == nullptr || *text == '\0') {
        return {};
    }
    const auto parsed = ParseUsbId(text);
    if (!parsed) {
        throw std::invalid_argument(std::string("DATALOGGER_USB_ID: cannot read \"") + text +
                                    "\" (vvvv:pppp in hexadecimal)");
    }
    return *parsed;
}

BridgeStatus BridgeStatusOfUsbResult(int result, BridgeStatus transferFailure) {
    if (result >= 0) {
        return BridgeStatus::Success;
    }
    switch (result) {
        case LIBUSB_ERROR_TIMEOUT:
            return BridgeStatus::Timeout;
        case LIBUSB_ERROR_NO_DEVICE:
        case LIBUSB_ERROR_NOT_FOUND:
            return BridgeStatus::DeviceNotFound;
        case LIBUSB_ERROR_ACCESS:
            return BridgeStatus::AccessDenied;
        case LIBUSB_ERROR_BUSY:
            return BridgeStatus::Busy;
        case LIBUSB_ERROR_INVALID_PARAM:
            return BridgeStatus::InvalidParameter;
        case LIBUSB_ERROR_IO:
        case LIBUSB_ERROR_PIPE:
        case LIBUSB_ERROR_OVERFLOW:
        case LIBUSB_ERROR_INTERRUPTED:
            return transferFailure;
        default:  // out of memory, not supported, anything a newer libusb adds
            return BridgeStatus::SystemError;
    }
}

CUsbBridge::CUsbBridge(std::unique_ptr<CUsbBus> bus, UsbId id) : m_bus(std::move(bus)), m_id(id) {}

CUsbBridge::~CUsbBridge() {
    for (auto& [handle, device] : m_open) {
        (void)device.Usb->ReleaseInterface(BRIDGE_INTERFACE);  // closing anyway
    }
}

BridgeStatus CUsbBridge::MatchingDevices(std::vector<std::unique_ptr<CUsbDevice>>& devices) {
    const int result = m_bus->Devices(devices);
    if (result < 0) {
        devices.clear();
        return BridgeStatusOfUsbResult(result);
    }
    std::erase_if(devices, [this](const std::unique_ptr<CUsbDevice>& device) {
        return device->VendorId() != m_id.Vendor || device->ProductId() != m_id.Product;
    });
    return BridgeStatus::Success;
}

BridgeStatus CUsbBridge::DeviceAt(std::uint32_t index, std::unique_ptr<CUsbDevice>& device) {
    std::vector<std::unique_ptr<CUsbDevice>> devices;
    const BridgeStatus status = MatchingDevices(devices);
    if (status != BridgeStatus::Success) {
        return status;
    }
    if (index >= devices.size()) {
        return BridgeStatus::DeviceNotFound;
    }
    device = std::move(devices[index]);
    return BridgeStatus::Success;
}

BridgeStatus CUsbBridge::BridgeCount(std::uint32_t& count) {
    count = 0;
    std::vector<std::unique_ptr<CUsbDevice>> devices;
    const BridgeStatus status = MatchingDevices(devices);
    count = static_cast<std::uint32_t>(devices.size());
    return status;
}

BridgeStatus CUsbBridge::BridgeQueryString(std::uint32_t index, std::span<char> buffer,
                                           std::uint32_t option) {
    if (option != 0 || buffer.empty()) {
        return BridgeStatus::InvalidParameter;
    }
    buffer[0] = '\0';
    std::unique_ptr<CUsbDevice> device;
    if (const BridgeStatus status = DeviceAt(index, device); status != BridgeStatus::Success) {
        return status;
    }
    std::unique_ptr<CUsbDeviceHandle> handle;
    std::string product;
    int result = device->Open(handle);
    if (result >= 0) {
        result = handle->ProductString(product);
    }
    if (result < 0) {
        return BridgeStatusOfUsbResult(result);
    }
    const std::size_t length = std::min(product.size(), buffer.size() - 1);
    std::memcpy(buffer.data(), product.data(), length);
    buffer[length] = '\0';
    return BridgeStatus::Success;
}

BridgeStatus CUsbBridge::BridgeOpen(std::uint32_t index, BridgeHandle& handle) {
    handle = INVALID_BRIDGE_HANDLE;
    std::unique_ptr<CUsbDevice> device;
    if (const BridgeStatus status = DeviceAt(index, device); status != BridgeStatus::Success) {
        return status;
    }
    std::vector<UsbEndpoint> endpoints;
    if (const int result = device->InterfaceEndpoints(BRIDGE_INTERFACE, endpoints); result < 0) {
        return BridgeStatusOfUsbResult(result);
    }
    const CBridgeEndpoints bridge = FindBridgeEndpoints(endpoints);
    if (!bridge.Found()) {
        return BridgeStatus::DeviceNotFound;  // a device with our ids but not our bridge
    }
    COpenDevice open;
    open.InEndpoint = bridge.In->Address;
    open.OutEndpoint = bridge.Out->Address;
    open.InPacketSize = std::max<std::uint16_t>(bridge.In->MaxPacketSize, 1);
    if (const int result = device->Open(open.Usb); result < 0) {
        return BridgeStatusOfUsbResult(result);
    }
    if (const int result = open.Usb->ClaimInterface(BRIDGE_INTERFACE); result < 0) {
        return BridgeStatusOfUsbResult(result);
    }
    handle = m_nextHandle++;
    if (m_nextHandle == INVALID_BRIDGE_HANDLE) {
        m_nextHandle = 1;
    }
    m_open.emplace(handle, std::move(open));
    return BridgeStatus::Success;
}

BridgeStatus CUsbBridge::Survey(std::vector<UsbDeviceReport>& reports) {
    reports.clear();
    std::vector<std::unique_ptr<CUsbDevice>> devices;
    const BridgeStatus status = MatchingDevices(devices);
    for (const auto& device : devices) {
        UsbDeviceReport& report = reports.emplace_back();
        report.Bus = device->BusNumber();
        report.Address = device->Address();
        if (device->InterfaceEndpoints(BRIDGE_INTERFACE, report.Endpoints) < 0) {
            report.Endpoints.clear();
        }
        report.HasBridgeEndpoints = FindBridgeEndpoints(report.Endpoints).Found();
        std::unique_ptr<CUsbDeviceHandle> handle;
        int result = device->Open(handle);
        if (result >= 0) {
            // A bridge without a product name is still a bridge: the name is for the user.
            (void)handle->ProductString(report.Product);
            result = handle->ClaimInterface(BRIDGE_INTERFACE);
            if (result >= 0) {
                (void)handle->ReleaseInterface(BRIDGE_INTERFACE);  // it is closed next anyway
            }
        }
        report.Access = BridgeStatusOfUsbResult(result);
    }
    return status;
}

BridgeStatus CUsbBridge::BridgeClose(BridgeHandle handle) {
    const auto found = m_open.find(handle);
    if (found == m_open.end()) {
        return BridgeStatus::InvalidHandle;
    }
    // An unplugged device cannot give its interface back; closing it is all that is left.
    (void)found->second.Usb->ReleaseInterface(BRIDGE_INTERFACE);
    m_open.erase(found);
    return BridgeStatus::Success;
}

BridgeStatus CUsbBridge::FillPending(COpenDevice& device, std::uint32_t wanted) {
    using Clock = std::chrono::steady_clock;
    const bool limited = m_timeouts.ReadMs != 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_timeouts.ReadMs);
    std::vector<std::uint8_t> packet;
    while (device.Pending.size() < wanted) {
        unsigned timeoutMs = 0;
        if (limited) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                return BridgeStatus::Timeout;
            }
            timeoutMs = static_cast<unsigned>(left);
        }
        // Whole packets only: a device packet larger than the request would overflow it.
        const std::size_t missing = wanted - device.Pending.size();
        const std::size_t packets = (missing + device.InPacketSize - 1) / device.InPacketSize;
        packet.assign(packets * device.InPacketSize, 0);
        int transferred = 0;
        const int result =
            device.Usb->BulkTransfer(device.InEndpoint, packet.data(),
                                     static_cast<int>(packet.size()), transferred, timeoutMs);
        const auto received =
            static_cast<std::size_t>(std::clamp<int>(transferred, 0, packet.size()));
        device.Pending.insert(device.Pending.end(), packet.begin(), packet.begin() + received);
        if (result < 0 && device.Pending.size() < wanted) {
            return BridgeStatusOfUsbResult(result, BridgeStatus::ReadError);
        }
    }
    return BridgeStatus::Success;
}

BridgeStatus CUsbBridge::BridgeRead(BridgeHandle handle, std::uint8_t* buffer, std::uint32_t wanted,
                                    std::uint32_t& returned) {
    returned = 0;
    const auto found = m_open.find(handle);
    if (found == m_open.end()) {
        return BridgeStatus::InvalidHandle;
    }
    COpenDevice& device = found->second;
    if (const BridgeStatus status = FillPending(device, wanted); status != BridgeStatus::Success) {
        // What came of a reply cut short would be taken for the start of the next one.
        device.Pending.clear();
        return status;
    }
    std::copy_n(device.Pending.begin(), wanted, buffer);
    device.Pending.erase(device.Pending.begin(), device.Pending.begin() + wanted);
    returned = wanted;
    return BridgeStatus::Success;
}

BridgeStatus CUsbBridge::BridgeWrite(BridgeHandle handle, const std::uint8_t* buffer,
                                     std::uint32_t length, std::uint32_t& written) {
    written = 0;
    const auto found = m_open.find(handle);
    if (found == m_open.end()) {
        return BridgeStatus::InvalidHandle;
    }
    COpenDevice& device = found->second;
    // libusb takes a mutable buffer for both directions; an OUT transfer only reads it.
    std::vector<std::uint8_t> data(buffer, buffer + length);
    int transferred = 0;
    const int result = device.Usb->BulkTransfer(
        device.OutEndpoint, data.data(), static_cast<int>(length), transferred, m_timeouts.WriteMs);
    written = static_cast<std::uint32_t>(std::clamp<int>(transferred, 0, static_cast<int>(length)));
    if (result >= 0 && written < length) {
        return BridgeStatus::WriteError;
    }
    return BridgeStatusOfUsbResult(result, BridgeStatus::WriteError);
}

BridgeStatus CUsbBridge::BridgeSetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) {
    return m_timeouts.Set(readMs, writeMs);
}

BridgeStatus CUsbBridge::BridgeGetTimeouts(std::uint32_t& readMs, std::uint32_t& writeMs) {
    return m_timeouts.Get(readMs, writeMs);
}
