// The USB seam over libusb itself. Nothing here decides anything: the bridge backend does.

#include <libusb.h>

#include <array>

#include "logger/UsbSeam.h"

namespace {

class CLibusbHandle : public CUsbDeviceHandle {
public:
    explicit CLibusbHandle(libusb_device_handle* handle) : m_handle(handle) {}
    ~CLibusbHandle() override { libusb_close(m_handle); }
    CLibusbHandle(const CLibusbHandle&) = delete;
    CLibusbHandle& operator=(const CLibusbHandle&) = delete;

    int ProductString(std::string& text) override {
        libusb_device_descriptor descriptor{};
        int result = libusb_get_device_descriptor(libusb_get_device(m_handle), &descriptor);
        if (result < 0) {
            return result;
        }
        if (descriptor.iProduct == 0) {
            return LIBUSB_ERROR_NOT_FOUND;
        }
        std::array<unsigned char, 256> buffer{};
        result = libusb_get_string_descriptor_ascii(m_handle, descriptor.iProduct, buffer.data(),
                                                    static_cast<int>(buffer.size()));
        if (result >= 0) {
            text.assign(reinterpret_cast<const char*>(buffer.data()),
                        static_cast<std::size_t>(result));
        }
        return result;
    }

    int ClaimInterface(int number) override {
        // A kernel driver bound to the bridge is set aside while we hold the interface;
        // systems that cannot do this simply claim.
        (void)libusb_set_auto_detach_kernel_driver(m_handle, 1);
        const int result = libusb_claim_interface(m_handle, number);
        if (result != LIBUSB_ERROR_OTHER) {
            return result;
        }
        // Setting a driver aside failed without saying why (the kernel's request is missing,
        // as in a replayed recording): with no driver bound, a plain claim still succeeds.
        (void)libusb_set_auto_detach_kernel_driver(m_handle, 0);
        return libusb_claim_interface(m_handle, number);
    }

    int ReleaseInterface(int number) override { return libusb_release_interface(m_handle, number); }

    int BulkTransfer(std::uint8_t endpoint, std::uint8_t* data, int length, int& transferred,
                     unsigned timeoutMs) override {
        return libusb_bulk_transfer(m_handle, endpoint, data, length, &transferred, timeoutMs);
    }

private:
    libusb_device_handle* m_handle;
};

class CLibusbDevice : public CUsbDevice {
public:
    CLibusbDevice(libusb_device* device, const libusb_device_descriptor& descriptor)
        : m_device(libusb_ref_device(device)),
          m_vendor(descriptor.idVendor),
          m_product(descriptor.idProduct) {}
    ~CLibusbDevice() override { libusb_unref_device(m_device); }
    CLibusbDevice(const CLibusbDevice&) = delete;
    CLibusbDevice& operator=(const CLibusbDevice&) = delete;

    std::uint16_t VendorId() const override { return m_vendor; }
    std::uint16_t ProductId() const override { return m_product; }
    std::uint8_t BusNumber() const override { return libusb_get_bus_number(m_device); }
    std::uint8_t Address() const override { return libusb_get_device_address(m_device); }

    int InterfaceEndpoints(int number, std::vector<UsbEndpoint>& endpoints) override {
        libusb_config_descriptor* config = nullptr;
        const int result = libusb_get_active_config_descriptor(m_device, &config);
        if (result < 0) {
            return result;
        }
        endpoints.clear();
        for (int i = 0; i < config->bNumInterfaces; ++i) {
            const libusb_interface& interface = config->interface[i];
            if (interface.num_altsetting < 1 ||
                interface.altsetting[0].bInterfaceNumber != number) {
                continue;
            }
            const libusb_interface_descriptor& setting = interface.altsetting[0];
            for (int e = 0; e < setting.bNumEndpoints; ++e) {
                const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
                endpoints.push_back(
                    {endpoint.bEndpointAddress, endpoint.bmAttributes, endpoint.wMaxPacketSize});
            }
        }
        libusb_free_config_descriptor(config);
        return LIBUSB_SUCCESS;
    }

    int Open(std::unique_ptr<CUsbDeviceHandle>& handle) override {
        libusb_device_handle* raw = nullptr;
        const int result = libusb_open(m_device, &raw);
        if (result == LIBUSB_SUCCESS) {
            handle = std::make_unique<CLibusbHandle>(raw);
        }
        return result;
    }

private:
    libusb_device* m_device;
    std::uint16_t m_vendor;
    std::uint16_t m_product;
};

class CLibusbBus : public CUsbBus {
public:
    CLibusbBus() : m_initResult(libusb_init(&m_context)) {}
    ~CLibusbBus() override {
        if (m_initResult == LIBUSB_SUCCESS) {
            libusb_exit(m_context);
        }
    }
    CLibusbBus(const CLibusbBus&) = delete;
    CLibusbBus& operator=(const CLibusbBus&) = delete;

    int Devices(std::vector<std::unique_ptr<CUsbDevice>>& devices) override {
        devices.clear();
        if (m_initResult != LIBUSB_SUCCESS) {
            return m_initResult;
        }
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(m_context, &list);
        if (count < 0) {
            return static_cast<int>(count);
        }
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(list[i], &descriptor) == LIBUSB_SUCCESS) {
                devices.push_back(std::make_unique<CLibusbDevice>(list[i], descriptor));
            }
        }
        libusb_free_device_list(list, 1);
        return LIBUSB_SUCCESS;
    }

private:
    libusb_context* m_context = nullptr;
    int m_initResult;
};

}  // namespace

std::unique_ptr<CUsbBus> MakeLibusbBus() {
    return std::make_unique<CLibusbBus>();
}
