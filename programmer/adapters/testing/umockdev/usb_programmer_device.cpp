#include "adapters/testing/umockdev/usb_programmer_device.h"

#include <algorithm>

#include "adapters/usb_pipes.h"

namespace brivel::testing {

namespace {

constexpr uint16_t kVendorId = 0x0438;
constexpr uint16_t kProductId = 0x0F10;

}  // namespace

UsbProgrammerDevice::UsbProgrammerDevice(uint16_t bcdDevice)
    : m_bcdDevice(bcdDevice), m_flash(FlashTiming{0, 0, 0}), m_firmware(m_flash, bcdDevice) {
    // The firmware model takes its pipe policies from the host; on the bus they are fixed by
    // the firmware itself.
    m_firmware.SetPipePolicy(kPipeRequest, kPolicyShortPacketTerminate, 1);
    m_firmware.SetPipePolicy(kPipeReply, kPolicyAllowPartialReads, 1);
    m_firmware.SetPipePolicy(kPipeReply, kPolicyIgnoreShortPackets, 0);
}

UsbBytes UsbProgrammerDevice::Descriptors() const {
    UsbBytes bytes = DeviceDescriptor(kVendorId, kProductId, m_bcdDevice, 0);
    // Interfaces 0 and 1 belong to the firmware's other functions; 2 is the programming one.
    const UsbBytes config = {
        9, 2,    9 + 9 + 9 + 9 + 7 + 7,
        0, 3,    1,
        0, 0x80, 50,  // configuration, 100 mA
        9, 4,    0,
        0, 0,    0xFF,
        0, 0,    0,  // interface 0
        9, 4,    1,
        0, 0,    0xFF,
        0, 0,    0,  // interface 1
        9, 4,    2,
        0, 2,    0xFF,
        0, 0,    0,  // interface 2
        7, 5,    kPipeRequest,
        2, 0x00, 0x02,
        0,  // bulk OUT, 512
        7, 5,    kPipeReply,
        2, 0x00, 0x02,
        0,  // bulk IN, 512
    };
    bytes.insert(bytes.end(), config.begin(), config.end());
    return bytes;
}

std::optional<UsbBytes> UsbProgrammerDevice::Control(const UsbSetup& setup, const UsbBytes&) {
    // Strings: languages, then manufacturer, product and serial.
    if (setup.requestType == 0x80 && setup.request == 6 && setup.value >> 8 == 3) {
        switch (setup.value & 0xFF) {
            case 0:
                return UsbBytes{4, 3, 0x09, 0x04};
            case 1:
                return StringDescriptor("EzPort");
            case 2:
                return StringDescriptor("USB EzPort programmer");
            case 3:
                return StringDescriptor("0001");
        }
    }
    return std::nullopt;
}

bool UsbProgrammerDevice::BulkOut(uint8_t endpoint, const UsbBytes& data) {
    if (endpoint != kPipeRequest) {
        return false;
    }
    m_request.insert(m_request.end(), data.begin(), data.end());
    // A full last packet means more of the request follows.
    if (!data.empty() && data.size() % kPacketSize == 0) {
        return true;
    }
    if (m_request.empty()) {
        return true;  // a zero-length packet with no request before it
    }
    if (!m_packets.empty()) {
        ++m_unterminated;  // a new request while a reply is still owed
        m_packets.clear();
    }
    uint32_t written = 0;
    m_firmware.WritePipe(kPipeRequest, m_request.data(), static_cast<uint32_t>(m_request.size()),
                         &written, 0);
    m_request.clear();
    UsbBytes reply(EzPortFlash::kSize * 2);
    uint32_t read = 0;
    m_firmware.ReadPipe(kPipeReply, reply.data(), static_cast<uint32_t>(reply.size()), &read, 0);
    reply.resize(read);
    for (size_t at = 0; at < reply.size(); at += kPacketSize) {
        const size_t n = std::min<size_t>(kPacketSize, reply.size() - at);
        m_packets.emplace_back(reply.begin() + at, reply.begin() + at + n);
    }
    if (reply.size() % kPacketSize == 0) {
        m_packets.emplace_back();  // the zero-length packet that ends the reply
    }
    return true;
}

std::optional<UsbBytes> UsbProgrammerDevice::BulkIn(uint8_t endpoint, uint32_t capacity) {
    if (endpoint != kPipeReply || m_packets.empty()) {
        return std::nullopt;
    }
    UsbBytes received;
    while (!m_packets.empty() && received.size() + m_packets.front().size() <= capacity) {
        const UsbBytes packet = m_packets.front();
        m_packets.pop_front();
        received.insert(received.end(), packet.begin(), packet.end());
        if (packet.size() < kPacketSize || received.size() == capacity) {
            break;
        }
    }
    return received;
}

}  // namespace brivel::testing
