#pragma once

#include <umockdev.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "logger/sim/CSimulatedLogger.h"

// The logger as the kernel shows it to libusb: the usbdevfs requests made of its device node
// (claim, submit, reap and discard of URBs, string descriptors) are answered here, in
// umockdev's own thread, and every bulk byte goes to and comes from the simulated logger,
// so the emulated device answers the logger's protocol exactly as the simulated bridge does.
class CEmulatedLogger {
public:
    static constexpr unsigned char IN_ENDPOINT = 0x81;
    static constexpr unsigned char OUT_ENDPOINT = 0x01;
    static constexpr int PACKET_SIZE = 64;
    static constexpr unsigned char PRODUCT_STRING = 1;  // the index its descriptor names

    explicit CEmulatedLogger(SimulatorOptions options = {});
    ~CEmulatedLogger();
    CEmulatedLogger(const CEmulatedLogger&) = delete;
    CEmulatedLogger& operator=(const CEmulatedLogger&) = delete;

    UMockdevIoctlBase* Handler() const { return m_handler; }
    // The protocol engine; touch it only while no program talks to the device.
    CSimulatedLogger& Logger() { return m_logger; }

    // Bulk URBs answered (written to the logger or filled from it) and URBs libusb gave up
    // on: proof that the emulated device, not a test double, carried the transfers.
    int AnsweredUrbs() const;
    int DiscardedUrbs() const;
    // The device vanishes instead of answering bulk URB number `urb` (counted from 1): URBs
    // in flight end as on a real unplug, every later request fails with ENODEV, and
    // `unplugged` runs (in umockdev's thread) to take the device out of sysfs.
    void UnplugAt(int urb, std::function<void()> unplugged);
    // The bulk URBs reaped so far, written as umockdev-record --ioctl writes a device's
    // requests: a recording that umockdev replays without the emulated logger.
    std::string Recording() const;

private:
    static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    void Answer(UMockdevIoctlClient* client);
    void Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void Claim(UMockdevIoctlClient* client, UMockdevIoctlData* arg, bool claim);
    // Fills the URBs waiting for the logger's reply from what the logger has sent.
    void ServeReads();
    // A string descriptor into `data`; false (a stall) for any other control request.
    bool GetDescriptor(const unsigned char* setup, unsigned char* data, int& length);
    void Finish(UMockdevIoctlData* urb, int status);
    void Vanish();
    void Record(const struct usbdevfs_urb& urb);

    mutable std::mutex m_mutex;
    CSimulatedLogger m_logger;
    UMockdevIoctlBase* m_handler;
    BridgeHandle m_handle = INVALID_BRIDGE_HANDLE;  // while libusb holds interface 0
    std::deque<UMockdevIoctlData*> m_reads;         // IN URBs waiting for the logger
    std::deque<UMockdevIoctlData*> m_done;          // finished URBs, for the next reap
    int m_answered = 0;
    int m_discarded = 0;
    int m_unplugAt = 0;
    std::function<void()> m_unplugged;
    bool m_gone = false;
    std::string m_recording;
};
