#include "adapters/testing/umockdev/ft2232h_device.h"

#include <algorithm>

namespace brivel::testing {

namespace {

constexpr uint8_t kVendorOut = 0x40;
constexpr uint8_t kVendorIn = 0xC0;
// The status bytes an idle FT2232H sends at the head of each packet: modem status (CTS,
// DSR) and line status (transmitter empty).
constexpr uint8_t kModemStatus = 0x32;
constexpr uint8_t kLineStatus = 0x60;

// Vendor requests of the chip and the values of its reset request.
constexpr uint8_t kRequestReset = 0x00;
constexpr uint8_t kRequestLatency = 0x09;
constexpr uint8_t kRequestGetLatency = 0x0A;
constexpr uint8_t kRequestBitMode = 0x0B;
constexpr uint8_t kRequestModemStatus = 0x05;
constexpr uint16_t kResetSio = 0;
constexpr uint16_t kFlushFromHost = 1;  // bytes the host wrote that the engine has not taken
constexpr uint16_t kFlushToHost = 2;    // bytes waiting to go to the host

}  // namespace

Ft2232hDevice::Ft2232hDevice(std::string serial)
    : m_serial(std::move(serial)), m_flash(FlashTiming{0, 0, 0}) {
    m_channels[0] = std::make_unique<MpsseEmulator>(m_flash);
    m_channels[1] = std::make_unique<MpsseEmulator>(m_unwired);
    for (auto& channel : m_channels) {
        uint32_t count = 0;
        channel->CreateDeviceInfoList(&count);
        channel->Open(0);
    }
}

UsbBytes Ft2232hDevice::Descriptors() const {
    UsbBytes bytes = DeviceDescriptor(0x0403, 0x6010, 0x0700, 0);
    const UsbBytes config = {
        9,    2,    9 + 2 * (9 + 7 + 7),
        0,    2,    1,
        0,    0x80, 0x32,  // configuration, 100 mA
        9,    4,    0,
        0,    2,    0xFF,
        0xFF, 0xFF, 2,  // interface 0: channel A
        7,    5,    0x81,
        2,    0x00, 0x02,
        0,  // bulk IN, 512
        7,    5,    0x02,
        2,    0x00, 0x02,
        0,  // bulk OUT, 512
        9,    4,    1,
        0,    2,    0xFF,
        0xFF, 0xFF, 2,  // interface 1: channel B
        7,    5,    0x83,
        2,    0x00, 0x02,
        0,  // bulk IN, 512
        7,    5,    0x04,
        2,    0x00, 0x02,
        0,  // bulk OUT, 512
    };
    bytes.insert(bytes.end(), config.begin(), config.end());
    return bytes;
}

std::vector<std::pair<std::string, std::string>> Ft2232hDevice::Attributes() const {
    return {{"manufacturer", "FTDI"}, {"product", "Dual RS232-HS"}, {"serial", m_serial}};
}

MpsseEmulator* Ft2232hDevice::ChannelOf(uint16_t index) {
    const uint16_t channel = index & 0xFF;
    return channel == 1 || channel == 2 ? m_channels[channel - 1].get() : nullptr;
}

std::optional<UsbBytes> Ft2232hDevice::Control(const UsbSetup& setup, const UsbBytes&) {
    if (setup.requestType == 0x80 && setup.request == 6 && setup.value >> 8 == 3) {
        switch (setup.value & 0xFF) {
            case 0:
                return UsbBytes{4, 3, 0x09, 0x04};
            case 1:
                return StringDescriptor("FTDI");
            case 2:
                return StringDescriptor("Dual RS232-HS");
            case 3:
                return StringDescriptor(m_serial);
        }
        return std::nullopt;
    }
    MpsseEmulator* channel = ChannelOf(setup.index);
    if (channel == nullptr) {
        return std::nullopt;
    }
    const size_t at = (setup.index & 0xFF) - 1;
    if (setup.requestType == kVendorIn) {
        if (setup.request == kRequestGetLatency) {
            return UsbBytes{m_latency[at]};
        }
        if (setup.request == kRequestModemStatus) {
            return UsbBytes{kModemStatus, kLineStatus};
        }
        return std::nullopt;
    }
    if (setup.requestType != kVendorOut) {
        return std::nullopt;
    }
    switch (setup.request) {
        case kRequestReset:
            if (setup.value == kResetSio) {
                channel->ResetDevice();
            } else if (setup.value == kFlushFromHost) {
                channel->Purge(kFtPurgeTx);
            } else if (setup.value == kFlushToHost) {
                channel->Purge(kFtPurgeRx);
            } else {
                return std::nullopt;
            }
            return UsbBytes{};
        case kRequestLatency:
            if ((setup.value & 0xFF) == 0) {
                return std::nullopt;  // the chip takes 1 to 255 ms
            }
            m_latency[at] = static_cast<uint8_t>(setup.value);
            channel->SetLatencyTimer(static_cast<uint8_t>(setup.value));
            return UsbBytes{};
        case kRequestBitMode:
            channel->SetBitMode(static_cast<uint8_t>(setup.value),
                                static_cast<uint8_t>(setup.value >> 8));
            return UsbBytes{};
        default:
            // Baud rate, data format, flow control, modem lines: no effect on the MPSSE.
            return UsbBytes{};
    }
}

bool Ft2232hDevice::BulkOut(uint8_t endpoint, const UsbBytes& data) {
    MpsseEmulator* channel = endpoint == 0x02   ? m_channels[0].get()
                             : endpoint == 0x04 ? m_channels[1].get()
                                                : nullptr;
    if (channel == nullptr) {
        return false;
    }
    uint32_t written = 0;
    return channel->Write(data.data(), static_cast<uint32_t>(data.size()), &written) == kFtOk &&
           written == data.size();
}

std::optional<UsbBytes> Ft2232hDevice::BulkIn(uint8_t endpoint, uint32_t capacity) {
    MpsseEmulator* channel = endpoint == 0x81   ? m_channels[0].get()
                             : endpoint == 0x83 ? m_channels[1].get()
                                                : nullptr;
    if (channel == nullptr) {
        return std::nullopt;
    }
    UsbBytes received;
    // Packets of two status bytes and up to 510 data bytes, until a short one.
    while (capacity - received.size() >= 2) {
        const auto room = std::min<uint32_t>(kPacketSize - 2,
                                             capacity - static_cast<uint32_t>(received.size()) - 2);
        uint8_t data[kPacketSize - 2];
        uint32_t n = 0;
        channel->Read(data, room, &n);
        received.push_back(kModemStatus);
        received.push_back(kLineStatus);
        received.insert(received.end(), data, data + n);
        if (n < kPacketSize - 2) {
            break;
        }
    }
    return received;
}

void Ft2232hDevice::DropPending() {
    uint8_t sink[4096];
    uint32_t n = 0;
    do {
        m_channels[0]->Read(sink, sizeof sink, &n);
    } while (n > 0);
}

}  // namespace brivel::testing
