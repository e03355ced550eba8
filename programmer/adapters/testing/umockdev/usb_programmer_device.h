#pragma once

#include <cstdint>
#include <deque>

#include "adapters/ezport_flash.h"
#include "adapters/testing/umockdev/usb_testbed.h"
#include "adapters/usb_programmer_emulator.h"

namespace brivel::testing {

// The USB programmer (0438:0F10) on the bus: interface 2 with bulk OUT 0x05 and IN 0x84 of
// 512-byte packets, its firmware the programmer emulator over an EzPort flash. A request
// ends at the first short packet of the OUT pipe (a zero-length one after a request that
// fills its last packet); the reply goes out in 512-byte packets, with a zero-length packet
// after one that fills its last packet, as the firmware does.
class UsbProgrammerDevice : public MockUsbDevice {
public:
    static constexpr uint32_t kPacketSize = 512;

    explicit UsbProgrammerDevice(uint16_t bcdDevice = 0x0102);

    UsbBytes Descriptors() const override;
    std::optional<UsbBytes> Control(const UsbSetup& setup, const UsbBytes& data) override;
    bool BulkOut(uint8_t endpoint, const UsbBytes& data) override;
    std::optional<UsbBytes> BulkIn(uint8_t endpoint, uint32_t capacity) override;
    void DropPending() override { m_packets.clear(); }

    EzPortFlash& Flash() { return m_flash; }
    UsbProgrammerEmulator& Firmware() { return m_firmware; }
    // Requests whose packets did not end where the request ends (the firmware would wait).
    uint32_t UnterminatedRequests() const { return m_unterminated; }

private:
    uint16_t m_bcdDevice;
    EzPortFlash m_flash;
    UsbProgrammerEmulator m_firmware;
    UsbBytes m_request;  // packets of a request still coming in
    std::deque<UsbBytes> m_packets;
    uint32_t m_unterminated = 0;
};

}  // namespace brivel::testing
