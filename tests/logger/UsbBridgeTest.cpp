#include <gtest/gtest.h>
#include <libusb.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "logger/CLoggerLink.h"
#include "logger/CUsbBridge.h"
#include "tests/logger/LoggerTestDoubles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// What a fake bus holds, shared by its devices and handles so that tests can change it.
struct CFakeUsb {
    struct Device {
        std::uint16_t Vendor = 0x10C4;
        std::uint16_t Product = 0xEA61;
        std::string Name = "USB bridge";
        std::vector<UsbEndpoint> Endpoints = {{0x83, LIBUSB_TRANSFER_TYPE_INTERRUPT, 16},
                                              {0x82, LIBUSB_TRANSFER_TYPE_BULK, 64},
                                              {0x01, LIBUSB_TRANSFER_TYPE_BULK, 64}};
        int OpenResult = LIBUSB_SUCCESS;
        int NameResult = LIBUSB_SUCCESS;
        int ClaimResult = LIBUSB_SUCCESS;
    };
    struct Transfer {
        std::uint8_t Endpoint;
        int Length;
        unsigned TimeoutMs;
    };

    int ListResult = LIBUSB_SUCCESS;
    std::vector<Device> Devices;
    bool Unplugged = false;
    std::deque<Bytes> InPackets;  // what the device sends, packet by packet
    int OutResult = LIBUSB_SUCCESS;
    std::vector<Transfer> Transfers;
    std::vector<Bytes> Sent;
    int OpenHandles = 0;
    int Claimed = 0;
};

class CFakeHandle : public CUsbDeviceHandle {
public:
    CFakeHandle(CFakeUsb& usb, const CFakeUsb::Device& device) : m_usb(usb), m_device(device) {
        ++m_usb.OpenHandles;
    }
    ~CFakeHandle() override { --m_usb.OpenHandles; }

    int ProductString(std::string& text) override {
        text = m_device.Name;
        return m_device.NameResult;
    }
    int ClaimInterface(int number) override {
        if (number != 0 || m_device.ClaimResult != LIBUSB_SUCCESS) {
            return number != 0 ? LIBUSB_ERROR_NOT_FOUND : m_device.ClaimResult;
        }
        ++m_usb.Claimed;
        return LIBUSB_SUCCESS;
    }
    int ReleaseInterface(int) override {
        --m_usb.Claimed;
        return m_usb.Unplugged ? LIBUSB_ERROR_NO_DEVICE : LIBUSB_SUCCESS;
    }
    int BulkTransfer(std::uint8_t endpoint, std::uint8_t* data, int length, int& transferred,
                     unsigned timeoutMs) override {
        m_usb.Transfers.push_back({endpoint, length, timeoutMs});
        transferred = 0;
        if (m_usb.Unplugged) {
            return LIBUSB_ERROR_NO_DEVICE;
        }
        if ((endpoint & 0x80) == 0) {
            m_usb.Sent.emplace_back(data, data + length);
            transferred = m_usb.OutResult == LIBUSB_SUCCESS ? length : 0;
            return m_usb.OutResult;
        }
        if (m_usb.InPackets.empty()) {
            return LIBUSB_ERROR_TIMEOUT;
        }
        const Bytes packet = m_usb.InPackets.front();
        m_usb.InPackets.pop_front();
        if (static_cast<int>(packet.size()) > length) {
            return LIBUSB_ERROR_OVERFLOW;
        }
        std::copy(packet.begin(), packet.end(), data);
        transferred = static_cast<int>(packet.size());
        return LIBUSB_SUCCESS;
    }

private:
    CFakeUsb& m_usb;
    CFakeUsb::Device m_device;
};

class CFakeDevice : public CUsbDevice {
public:
    CFakeDevice(CFakeUsb& usb, const CFakeUsb::Device& device) : m_usb(usb), m_device(device) {}
    std::uint16_t VendorId() const override { return m_device.Vendor; }
    std::uint16_t ProductId() const override { return m_device.Product; }
    int InterfaceEndpoints(int number, std::vector<UsbEndpoint>& endpoints) override {
        endpoints = number == 0 ? m_device.Endpoints : std::vector<UsbEndpoint>{};
        return LIBUSB_SUCCESS;
    }
    int Open(std::unique_ptr<CUsbDeviceHandle>& handle) override {
        if (m_usb.Unplugged) {
            return LIBUSB_ERROR_NO_DEVICE;
        }
        if (m_device.OpenResult == LIBUSB_SUCCESS) {
            handle = std::make_unique<CFakeHandle>(m_usb, m_device);
        }
        return m_device.OpenResult;
    }

private:
    CFakeUsb& m_usb;
    CFakeUsb::Device m_device;
};

class CFakeBus : public CUsbBus {
public:
    explicit CFakeBus(CFakeUsb& usb) : m_usb(usb) {}
    int Devices(std::vector<std::unique_ptr<CUsbDevice>>& devices) override {
        devices.clear();
        if (!m_usb.Unplugged) {
            for (const CFakeUsb::Device& device : m_usb.Devices) {
                devices.push_back(std::make_unique<CFakeDevice>(m_usb, device));
            }
        }
        return m_usb.ListResult;
    }

private:
    CFakeUsb& m_usb;
};

struct UsbBridgeTest : testing::Test {
    CFakeUsb usb;
    CFakeUsb::Device mouse{0x046D, 0xC077, "Mouse"};

    std::unique_ptr<CUsbBridge> Bridge(UsbId id = {}) {
        return std::make_unique<CUsbBridge>(std::make_unique<CFakeBus>(usb), id);
    }
    BridgeHandle Open(CUsbBridge& bridge) {
        BridgeHandle handle = INVALID_BRIDGE_HANDLE;
        EXPECT_EQ(bridge.BridgeOpen(0, handle), BridgeStatus::Success);
        return handle;
    }
};

TEST_F(UsbBridgeTest, countsOnlyDevicesWithTheBridgesIds) {
    usb.Devices = {mouse, CFakeUsb::Device{}, mouse, CFakeUsb::Device{}};
    std::uint32_t count = 0;
    EXPECT_EQ(Bridge()->BridgeCount(count), BridgeStatus::Success);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(Bridge(*ParseUsbId("046d:C077"))->BridgeCount(count), BridgeStatus::Success);
    EXPECT_EQ(count, 2u);

    usb.ListResult = LIBUSB_ERROR_NO_MEM;
    EXPECT_NE(Bridge()->BridgeCount(count), BridgeStatus::Success);
    EXPECT_EQ(count, 0u);
}

TEST_F(UsbBridgeTest, usbIdText) {
    const auto id = ParseUsbId("10c4:ea61");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->Vendor, 0x10C4);
    EXPECT_EQ(id->Product, 0xEA61);
    for (const char* bad :
         {"", "10c4", "10c4:", ":ea61", "10c4:ea61x", "10c45:ea61", "g0c4:ea61"}) {
        EXPECT_FALSE(ParseUsbId(bad)) << bad;
    }
}

TEST_F(UsbBridgeTest, udevRule_grantsTheBridgesIdsToTheSeatUser) {
    std::ifstream file(std::filesystem::path(DATALOGGER_SOURCE_DIR) /
                       "packaging/70-datalogger.rules");
    const std::string rule((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    char ids[64];
    std::snprintf(ids, sizeof ids, "ATTR{idVendor}==\"%04x\", ATTR{idProduct}==\"%04x\"",
                  UsbId{}.Vendor, UsbId{}.Product);
    EXPECT_NE(rule.find(ids), std::string::npos) << rule;
    EXPECT_NE(rule.find("TAG+=\"uaccess\""), std::string::npos);
}

TEST_F(UsbBridgeTest, queryString_isTheProductNameOfTheDeviceAtThatIndex) {
    CFakeUsb::Device silent;
    silent.NameResult = LIBUSB_ERROR_PIPE;
    CFakeUsb::Device named;
    named.Name = std::string(300, 'x');
    usb.Devices = {mouse, silent, named};
    auto bridge = Bridge();
    std::array<char, BRIDGE_STRING_SIZE> text{};
    EXPECT_NE(bridge->BridgeQueryString(0, text, 0), BridgeStatus::Success);
    EXPECT_EQ(bridge->BridgeQueryString(1, text, 0), BridgeStatus::Success);
    EXPECT_EQ(std::string(text.data()), std::string(255, 'x'));
    EXPECT_EQ(bridge->BridgeQueryString(2, text, 0), BridgeStatus::DeviceNotFound);
    EXPECT_EQ(bridge->BridgeQueryString(1, text, 1), BridgeStatus::InvalidParameter);
    EXPECT_EQ(usb.OpenHandles, 0);

    // The link finds the logger at index 1 and still opens index 0, which fails here.
    usb.Devices = {silent, CFakeUsb::Device{}};
    usb.Devices[0].OpenResult = LIBUSB_ERROR_ACCESS;
    bridge = Bridge();
    CMessageLog prompt;
    CLoggerLink link(*bridge, prompt);
    EXPECT_EQ(link.FindLogger(), 1);
    EXPECT_FALSE(link.SendCalibration(1));
    EXPECT_TRUE(usb.Transfers.empty());

    // A logger this user may not open stays the reason, whatever a later device says.
    usb.Devices = {usb.Devices[0], silent};
    bridge = Bridge();
    CLoggerLink denied(*bridge, prompt);
    EXPECT_EQ(denied.FindLogger(), -1);
    EXPECT_TRUE(denied.LoggerNotPermitted());
}

TEST_F(UsbBridgeTest, open_claimsInterfaceZeroAndUsesItsBulkEndpoints) {
    usb.Devices = {CFakeUsb::Device{}};
    auto bridge = Bridge();
    const BridgeHandle handle = Open(*bridge);
    EXPECT_EQ(usb.Claimed, 1);

    ASSERT_EQ(bridge->BridgeSetTimeouts(0, 1000), BridgeStatus::Success);
    const Bytes request = {CMD_STATUS, 0, 0};
    std::uint32_t written = 0;
    EXPECT_EQ(bridge->BridgeWrite(handle, request.data(), 3, written), BridgeStatus::Success);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(usb.Sent, std::vector<Bytes>{request});

    usb.InPackets = {{0xFF, 0, 0}};
    ASSERT_EQ(bridge->BridgeSetTimeouts(3000, 0), BridgeStatus::Success);
    Bytes reply(3);
    std::uint32_t returned = 0;
    EXPECT_EQ(bridge->BridgeRead(handle, reply.data(), 3, returned), BridgeStatus::Success);
    EXPECT_EQ(reply, (Bytes{0xFF, 0, 0}));

    ASSERT_EQ(usb.Transfers.size(), 2u);
    EXPECT_EQ(usb.Transfers[0].Endpoint, 0x01);
    EXPECT_EQ(usb.Transfers[0].TimeoutMs, 1000u);
    EXPECT_EQ(usb.Transfers[1].Endpoint, 0x82);
    EXPECT_GT(usb.Transfers[1].TimeoutMs, 2900u);
    EXPECT_LE(usb.Transfers[1].TimeoutMs, 3000u);
    EXPECT_EQ(usb.Transfers[1].Length % 64, 0);  // whole packets, never an overflow

    EXPECT_EQ(bridge->BridgeClose(handle), BridgeStatus::Success);
    EXPECT_EQ(usb.Claimed, 0);
    EXPECT_EQ(usb.OpenHandles, 0);
    EXPECT_EQ(bridge->BridgeClose(handle), BridgeStatus::InvalidHandle);
}

TEST_F(UsbBridgeTest, open_refusesADeviceWithoutBulkEndpointsOrHeldElsewhere) {
    CFakeUsb::Device odd;
    odd.Endpoints = {{0x81, LIBUSB_TRANSFER_TYPE_INTERRUPT, 8},
                     {0x01, LIBUSB_TRANSFER_TYPE_BULK, 64}};
    usb.Devices = {odd};
    BridgeHandle handle = 0;
    EXPECT_EQ(Bridge()->BridgeOpen(0, handle), BridgeStatus::DeviceNotFound);
    EXPECT_EQ(handle, INVALID_BRIDGE_HANDLE);

    usb.Devices = {CFakeUsb::Device{}};
    usb.Devices[0].ClaimResult = LIBUSB_ERROR_BUSY;
    EXPECT_EQ(Bridge()->BridgeOpen(0, handle), BridgeStatus::Busy);
    EXPECT_EQ(Bridge()->BridgeOpen(1, handle), BridgeStatus::DeviceNotFound);
    EXPECT_EQ(usb.OpenHandles, 0);
}

TEST_F(UsbBridgeTest, read_gathersPacketsAndKeepsWhatComesBeyondTheRequest) {
    usb.Devices = {CFakeUsb::Device{}};
    auto bridge = Bridge();
    const BridgeHandle handle = Open(*bridge);
    // A block reply: 3 ignored bytes and 512 data bytes, in 64-byte packets.
    Bytes stream(515);
    for (std::size_t i = 0; i < stream.size(); ++i) {
        stream[i] = static_cast<std::uint8_t>(i * 7);
    }
    for (std::size_t at = 0; at < stream.size(); at += 64) {
        usb.InPackets.emplace_back(
            stream.begin() + static_cast<std::ptrdiff_t>(at),
            stream.begin() +
                static_cast<std::ptrdiff_t>(std::min<std::size_t>(at + 64, stream.size())));
    }
    Bytes prefix(3);
    Bytes block(512);
    std::uint32_t returned = 0;
    ASSERT_EQ(bridge->BridgeRead(handle, prefix.data(), 3, returned), BridgeStatus::Success);
    ASSERT_EQ(bridge->BridgeRead(handle, block.data(), 512, returned), BridgeStatus::Success);
    EXPECT_EQ(returned, 512u);
    EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), stream.begin()));
    EXPECT_TRUE(std::equal(block.begin(), block.end(), stream.begin() + 3));
    EXPECT_TRUE(usb.InPackets.empty());

    // A reply cut short fails and leaves nothing behind for the next read.
    usb.InPackets = {{1, 2}};
    EXPECT_EQ(bridge->BridgeRead(handle, block.data(), 3, returned), BridgeStatus::Timeout);
    EXPECT_EQ(returned, 0u);
    usb.InPackets = {{9}};
    ASSERT_EQ(bridge->BridgeRead(handle, block.data(), 1, returned), BridgeStatus::Success);
    EXPECT_EQ(block[0], 9);
}

TEST_F(UsbBridgeTest, unplugDuringATransfer_failsAndClosesCleanly) {
    usb.Devices = {CFakeUsb::Device{}};
    auto bridge = Bridge();
    const BridgeHandle handle = Open(*bridge);
    usb.Unplugged = true;
    Bytes buffer(3, 0);
    std::uint32_t count = 0;
    EXPECT_EQ(bridge->BridgeWrite(handle, buffer.data(), 3, count), BridgeStatus::DeviceNotFound);
    EXPECT_EQ(bridge->BridgeRead(handle, buffer.data(), 3, count), BridgeStatus::DeviceNotFound);
    EXPECT_EQ(bridge->BridgeClose(handle), BridgeStatus::Success);
    EXPECT_EQ(usb.OpenHandles, 0);
    EXPECT_EQ(bridge->BridgeCount(count), BridgeStatus::Success);
    EXPECT_EQ(count, 0u);
    BridgeHandle again = 0;
    EXPECT_EQ(bridge->BridgeOpen(0, again), BridgeStatus::DeviceNotFound);
}

TEST_F(UsbBridgeTest, failedWrite_reportsWhatWentOut) {
    usb.Devices = {CFakeUsb::Device{}};
    auto bridge = Bridge();
    const BridgeHandle handle = Open(*bridge);
    usb.OutResult = LIBUSB_ERROR_TIMEOUT;
    const Bytes data(64, 0);
    std::uint32_t written = 99;
    EXPECT_EQ(bridge->BridgeWrite(handle, data.data(), 64, written), BridgeStatus::Timeout);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(bridge->BridgeWrite(INVALID_BRIDGE_HANDLE, data.data(), 64, written),
              BridgeStatus::InvalidHandle);
}

TEST_F(UsbBridgeTest, everyLibusbErrorBecomesAFailureStatus) {
    EXPECT_EQ(BridgeStatusOfUsbResult(0), BridgeStatus::Success);
    EXPECT_EQ(BridgeStatusOfUsbResult(12), BridgeStatus::Success);
    EXPECT_EQ(BridgeStatusOfUsbResult(LIBUSB_ERROR_TIMEOUT), BridgeStatus::Timeout);
    EXPECT_EQ(BridgeStatusOfUsbResult(LIBUSB_ERROR_NO_DEVICE), BridgeStatus::DeviceNotFound);
    EXPECT_EQ(BridgeStatusOfUsbResult(LIBUSB_ERROR_ACCESS), BridgeStatus::AccessDenied);
    EXPECT_EQ(BridgeStatusOfUsbResult(LIBUSB_ERROR_BUSY), BridgeStatus::Busy);
    EXPECT_EQ(BridgeStatusOfUsbResult(LIBUSB_ERROR_IO, BridgeStatus::ReadError),
              BridgeStatus::ReadError);
    EXPECT_EQ(BridgeStatusOfUsbResult(LIBUSB_ERROR_PIPE, BridgeStatus::WriteError),
              BridgeStatus::WriteError);
    for (int error = -1; error >= -99; --error) {
        EXPECT_NE(BridgeStatusOfUsbResult(error), BridgeStatus::Success) << error;
    }
}

TEST_F(UsbBridgeTest, linkOverTheUsbBridge_calibrates) {
    usb.Devices = {CFakeUsb::Device{}};
    usb.InPackets = {{0xFB}};
    auto bridge = Bridge();
    CMessageLog prompt;
    CLoggerLink link(*bridge, prompt);
    EXPECT_TRUE(link.SendCalibration(-5));
    EXPECT_EQ(usb.Sent, (std::vector<Bytes>{{0x0C, 0xFB, 0x00}}));
    ASSERT_EQ(prompt.Messages.size(), 1u);
    EXPECT_EQ(prompt.Messages[0].first, "Total calibrated value as -0.5 dB.");
    EXPECT_EQ(usb.OpenHandles, 0);
    EXPECT_EQ(usb.Claimed, 0);
}

}  // namespace
