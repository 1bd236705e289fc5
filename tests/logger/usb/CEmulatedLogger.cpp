#include "tests/logger/usb/CEmulatedLogger.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr unsigned char DEVICE_TO_HOST = 0x80;
constexpr unsigned char GET_DESCRIPTOR = 6;
constexpr unsigned char STRING_DESCRIPTOR = 3;
constexpr int SETUP_SIZE = 8;

usbdevfs_urb& Urb(UMockdevIoctlData* data) {
    return *reinterpret_cast<usbdevfs_urb*>(data->data);
}

// The client's memory behind the pointer at the start of an ioctl's argument, copied here.
UMockdevIoctlData* Resolve(UMockdevIoctlData* data, std::size_t offset, std::size_t length) {
    return umockdev_ioctl_data_resolve(data, offset, length, nullptr);
}

}  // namespace

CEmulatedLogger::CEmulatedLogger(SimulatorOptions options)
    : m_logger(std::move(options)), m_handler(umockdev_ioctl_base_new()) {
    g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(OnIoctl), this);
}

CEmulatedLogger::~CEmulatedLogger() {
    g_signal_handlers_disconnect_by_data(m_handler, this);
    g_object_unref(m_handler);
    for (UMockdevIoctlData* urb : m_reads) {
        umockdev_ioctl_data_unref(urb);
    }
    for (UMockdevIoctlData* urb : m_done) {
        umockdev_ioctl_data_unref(urb);
    }
}

int CEmulatedLogger::AnsweredUrbs() const {
    const std::lock_guard lock(m_mutex);
    return m_answered;
}

int CEmulatedLogger::DiscardedUrbs() const {
    const std::lock_guard lock(m_mutex);
    return m_discarded;
}

void CEmulatedLogger::UnplugAt(int urb, std::function<void()> unplugged) {
    const std::lock_guard lock(m_mutex);
    m_unplugAt = urb;
    m_unplugged = std::move(unplugged);
}

gboolean CEmulatedLogger::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    auto* logger = static_cast<CEmulatedLogger*>(self);
    const std::lock_guard lock(logger->m_mutex);
    logger->Answer(client);
    return TRUE;
}

void CEmulatedLogger::Answer(UMockdevIoctlClient* client) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    switch (umockdev_ioctl_client_get_request(client)) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps = Resolve(arg, 0, sizeof(std::uint32_t));
            *reinterpret_cast<std::uint32_t*>(caps->data) =
                USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
            umockdev_ioctl_data_unref(caps);
            umockdev_ioctl_client_complete(client, 0, 0);
            return;
        }
        // Both start with the interface number; there is no kernel driver to set aside.
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_DISCONNECT_CLAIM:
            return Claim(client, arg, true);
        case USBDEVFS_RELEASEINTERFACE:
            return Claim(client, arg, false);
        case USBDEVFS_SUBMITURB:
            return Submit(client, arg);
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            return Reap(client, arg);
        case USBDEVFS_DISCARDURB:
            return Discard(client, arg);
        default:
            umockdev_ioctl_client_complete(client, -1, ENOTTY);
    }
}

void CEmulatedLogger::Claim(UMockdevIoctlClient* client, UMockdevIoctlData* arg, bool claim) {
    if (m_gone) {
        return umockdev_ioctl_client_complete(client, -1, ENODEV);
    }
    UMockdevIoctlData* number = Resolve(arg, 0, sizeof(unsigned int));
    const unsigned int interface = *reinterpret_cast<unsigned int*>(number->data);
    umockdev_ioctl_data_unref(number);
    if (interface != 0) {
        return umockdev_ioctl_client_complete(client, -1, ENOENT);
    }
    // The simulated logger's handle lives as long as libusb holds the interface.
    if (m_handle != INVALID_BRIDGE_HANDLE) {
        (void)m_logger.BridgeClose(m_handle);
        m_handle = INVALID_BRIDGE_HANDLE;
    }
    if (claim && m_logger.BridgeOpen(0, m_handle) != BridgeStatus::Success) {
        return umockdev_ioctl_client_complete(client, -1, ENODEV);
    }
    umockdev_ioctl_client_complete(client, 0, 0);
}

void CEmulatedLogger::Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    UMockdevIoctlData* data = Resolve(arg, 0, sizeof(usbdevfs_urb));
    usbdevfs_urb& urb = Urb(data);
    if (urb.buffer_length > 0) {
        // The URB keeps its buffer: what is written there reaches the client at the reap.
        umockdev_ioctl_data_unref(Resolve(data, offsetof(usbdevfs_urb, buffer),
                                          static_cast<std::size_t>(urb.buffer_length)));
    }
    auto* bytes = static_cast<unsigned char*>(urb.buffer);
    const bool bulk = urb.type == USBDEVFS_URB_TYPE_BULK;
    const bool known = urb.type == USBDEVFS_URB_TYPE_CONTROL ||
                       (bulk && (urb.endpoint == IN_ENDPOINT || urb.endpoint == OUT_ENDPOINT));
    if (bulk && m_unplugAt > 0 && --m_unplugAt == 0) {
        Vanish();
    }
    if (m_gone || !known) {
        umockdev_ioctl_data_unref(data);
        return umockdev_ioctl_client_complete(client, -1, m_gone ? ENODEV : ENOENT);
    }
    if (urb.type == USBDEVFS_URB_TYPE_CONTROL) {
        int length = 0;
        const bool answered =
            urb.buffer_length >= SETUP_SIZE && GetDescriptor(bytes, bytes + SETUP_SIZE, length);
        urb.actual_length = length;
        Finish(data, answered ? 0 : -EPIPE);
    } else if (urb.endpoint == OUT_ENDPOINT) {
        std::uint32_t written = 0;
        const BridgeStatus status = m_logger.BridgeWrite(
            m_handle, bytes, static_cast<std::uint32_t>(urb.buffer_length), written);
        urb.actual_length = static_cast<int>(written);
        ++m_answered;
        Finish(data, status == BridgeStatus::Success ? 0 : -EPIPE);
    } else {
        m_reads.push_back(data);
    }
    ServeReads();
    umockdev_ioctl_client_complete(client, 0, 0);
}

void CEmulatedLogger::ServeReads() {
    while (!m_reads.empty()) {
        usbdevfs_urb& urb = Urb(m_reads.front());
        auto* bytes = static_cast<unsigned char*>(urb.buffer);
        // The logger's reply as it waits in the bridge, up to what the URB holds: a short
        // packet ends the transfer, as on the bus.
        int filled = 0;
        std::uint32_t returned = 0;
        while (filled < urb.buffer_length &&
               m_logger.BridgeRead(m_handle, bytes + filled, 1, returned) ==
                   BridgeStatus::Success) {
            ++filled;
        }
        if (filled == 0) {
            return;
        }
        urb.actual_length = filled;
        ++m_answered;
        Finish(m_reads.front(), 0);
        m_reads.pop_front();
    }
}

void CEmulatedLogger::Finish(UMockdevIoctlData* urb, int status) {
    Urb(urb).status = status;
    m_done.push_back(urb);
}

void CEmulatedLogger::Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    if (m_done.empty()) {
        return umockdev_ioctl_client_complete(client, -1, m_gone ? ENODEV : EAGAIN);
    }
    UMockdevIoctlData* urb = m_done.front();
    m_done.pop_front();
    if (Urb(urb).type == USBDEVFS_URB_TYPE_BULK) {
        Record(Urb(urb));
    }
    UMockdevIoctlData* pointer = Resolve(arg, 0, sizeof(void*));
    umockdev_ioctl_data_set_ptr(pointer, 0, urb);
    umockdev_ioctl_data_unref(pointer);
    umockdev_ioctl_data_unref(urb);
    umockdev_ioctl_client_complete(client, 0, 0);
}

void CEmulatedLogger::Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    const auto address = *reinterpret_cast<const gulong*>(arg->data);
    const auto found = std::find_if(m_reads.begin(), m_reads.end(), [&](UMockdevIoctlData* urb) {
        return urb->client_addr == address;
    });
    if (found == m_reads.end()) {
        return umockdev_ioctl_client_complete(client, -1, EINVAL);
    }
    ++m_discarded;
    Urb(*found).actual_length = 0;
    Finish(*found, -ENOENT);
    m_reads.erase(found);
    umockdev_ioctl_client_complete(client, 0, 0);
}

bool CEmulatedLogger::GetDescriptor(const unsigned char* setup, unsigned char* data, int& length) {
    const int wanted = setup[6] | setup[7] << 8;
    if (setup[0] != DEVICE_TO_HOST || setup[1] != GET_DESCRIPTOR || setup[3] != STRING_DESCRIPTOR) {
        return false;
    }
    std::vector<unsigned char> descriptor;
    if (setup[2] == 0) {
        descriptor = {4, STRING_DESCRIPTOR, 0x09, 0x04};  // US English only
    } else if (setup[2] == PRODUCT_STRING) {
        std::array<char, BRIDGE_STRING_SIZE> product{};
        (void)m_logger.BridgeQueryString(0, product, 0);
        descriptor = {0, STRING_DESCRIPTOR};
        for (const char* c = product.data(); *c != '\0'; ++c) {
            descriptor.insert(descriptor.end(), {static_cast<unsigned char>(*c), 0});
        }
        descriptor[0] = static_cast<unsigned char>(descriptor.size());
    } else {
        return false;
    }
    length = std::min<int>(wanted, static_cast<int>(descriptor.size()));
    std::copy_n(descriptor.begin(), length, data);
    return true;
}

std::string CEmulatedLogger::Recording() const {
    const std::lock_guard lock(m_mutex);
    return m_recording;
}

void CEmulatedLogger::Record(const usbdevfs_urb& urb) {
    char text[128];
    std::snprintf(text, sizeof text, "USBDEVFS_REAPURBNDELAY 0 %u %u %i %u %i %i %i ", urb.type,
                  urb.endpoint, urb.status, urb.flags, urb.buffer_length, urb.actual_length,
                  urb.error_count);
    m_recording += text;
    // What came in, or all that went out.
    const int length = (urb.endpoint & 0x80) != 0 ? urb.actual_length : urb.buffer_length;
    for (int i = 0; i < length; ++i) {
        std::snprintf(text, sizeof text, "%02X", static_cast<const unsigned char*>(urb.buffer)[i]);
        m_recording += text;
    }
    m_recording += '\n';
}

void CEmulatedLogger::Vanish() {
    m_gone = true;
    // What was in flight comes back as the kernel hands it back on a disconnect.
    for (UMockdevIoctlData* urb : m_reads) {
        Urb(urb).actual_length = 0;
        Finish(urb, -ESHUTDOWN);
    }
    m_reads.clear();
    if (m_handle != INVALID_BRIDGE_HANDLE) {
        (void)m_logger.BridgeClose(m_handle);
        m_handle = INVALID_BRIDGE_HANDLE;
    }
    if (m_unplugged) {
        m_unplugged();
    }
}
