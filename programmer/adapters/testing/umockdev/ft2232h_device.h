#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "adapters/ezport_flash.h"
#include "adapters/mpsse_emulator.h"
#include "adapters/testing/umockdev/usb_testbed.h"

namespace brivel::testing {

// An FT2232H (0403:6010, bcdDevice 0x0700) on the bus: two interfaces, channel A with bulk
// OUT 0x02 and IN 0x81, channel B with 0x04 and 0x83, packets of 512 bytes. Each channel's
// engine is an MPSSE emulator; channel A drives the EzPort flash. The chip's vendor requests
// (reset and purge, baud rate, latency timer, bit mode) reach the engine of the channel that
// wIndex names (1 = A, 2 = B). Every IN packet starts with the two status bytes, data or not.
class Ft2232hDevice : public MockUsbDevice {
public:
    static constexpr uint32_t kPacketSize = 512;

    explicit Ft2232hDevice(std::string serial);

    UsbBytes Descriptors() const override;
    std::vector<std::pair<std::string, std::string>> Attributes() const override;
    std::optional<UsbBytes> Control(const UsbSetup& setup, const UsbBytes& data) override;
    bool BulkOut(uint8_t endpoint, const UsbBytes& data) override;
    std::optional<UsbBytes> BulkIn(uint8_t endpoint, uint32_t capacity) override;
    void DropPending() override;

    EzPortFlash& Flash() { return m_flash; }
    MpsseEmulator& ChannelA() { return *m_channels[0]; }
    uint8_t LatencyTimer() const { return m_latency[0]; }

private:
    MpsseEmulator* ChannelOf(uint16_t index);

    std::string m_serial;
    EzPortFlash m_flash;
    EzPortFlash m_unwired;  // nothing is wired to channel B
    std::array<std::unique_ptr<MpsseEmulator>, 2> m_channels;
    std::array<uint8_t, 2> m_latency = {16, 16};
};

}  // namespace brivel::testing
