#include "adapters/usb_programmer_emulator.h"

#include <algorithm>

#include "core/clock.h"

namespace brivel {

namespace {

constexpr uint8_t kTypeShift = 0x00;
constexpr uint8_t kTypeEnable = 0x01;
constexpr uint8_t kTypeLine = 0x03;
constexpr uint8_t kShiftCapture = 0x10;
constexpr uint8_t kShiftDataFollow = 0x08;
constexpr uint16_t kVendorId = 0x0438;
constexpr uint16_t kProductId = 0x0F10;

}  // namespace

UsbProgrammerEmulator::UsbProgrammerEmulator(EzPortFlash& flash, uint16_t bcdDevice)
    : m_flash(flash), m_bcdDevice(bcdDevice) {}

bool UsbProgrammerEmulator::SetPipePolicy(uint8_t pipe, uint32_t policy, uint8_t value) {
    if (pipe == kPipeRequest && policy == kPolicyShortPacketTerminate) {
        m_shortPacketTerminate = value != 0;
        return true;
    }
    if (pipe == kPipeReply && policy == kPolicyAllowPartialReads) {
        m_allowPartialReads = value != 0;
        return true;
    }
    if (pipe == kPipeReply && policy == kPolicyIgnoreShortPackets) {
        m_ignoreShortPackets = value != 0;
        return true;
    }
    return false;
}

bool UsbProgrammerEmulator::PoliciesSet() const {
    return m_shortPacketTerminate && m_allowPartialReads && !m_ignoreShortPackets;
}

bool UsbProgrammerEmulator::GetDescriptor(uint8_t type, uint8_t index, uint16_t, uint8_t* buffer,
                                          uint32_t length, uint32_t* transferred) {
    *transferred = 0;
    if (type != kDescriptorDevice || index != 0) {
        return false;
    }
    const uint8_t descriptor[kDeviceDescriptorLength] = {
        18,
        kDescriptorDevice,
        0x00,
        0x02,  // bcdUSB 2.00
        0x00,
        0x00,
        0x00,
        64,  // class per interface, max packet 64
        kVendorId & 0xFF,
        kVendorId >> 8,
        kProductId & 0xFF,
        kProductId >> 8,
        static_cast<uint8_t>(m_bcdDevice),
        static_cast<uint8_t>(m_bcdDevice >> 8),
        1,
        2,
        3,
        1,  // strings, one configuration
    };
    const uint32_t n = std::min(length, kDeviceDescriptorLength);
    std::copy_n(descriptor, n, buffer);
    *transferred = n;
    return true;
}

bool UsbProgrammerEmulator::WritePipe(uint8_t pipe, const uint8_t* data, uint32_t length,
                                      uint32_t* written, uint32_t) {
    *written = 0;
    if (pipe != kPipeRequest) {
        return false;
    }
    ++m_usbTransfers;
    m_bytesToDevice += length;
    m_requests.emplace_back(data, data + length);
    *written = length;
    m_reply.clear();
    m_replyAt = 0;
    Execute(data, length);
    m_replyPending = true;
    return true;
}

bool UsbProgrammerEmulator::ReadPipe(uint8_t pipe, uint8_t* buffer, uint32_t length, uint32_t* read,
                                     uint32_t timeoutMs) {
    *read = 0;
    if (pipe != kPipeReply) {
        return false;
    }
    ++m_usbTransfers;
    m_readLengths.push_back(length);
    if (!m_replyPending) {
        // Nothing to send: the read runs into its bound.
        CurrentClock().Sleep(timeoutMs);
        return false;
    }
    const auto n = static_cast<uint32_t>(std::min<size_t>(length, m_reply.size() - m_replyAt));
    std::copy_n(m_reply.begin() + m_replyAt, n, buffer);
    m_replyAt += n;
    m_bytesFromDevice += n;
    *read = n;
    // A read that ends short (a short or zero-length packet) completes the reply.
    if (n < length) {
        m_replyPending = false;
    }
    return true;
}

void UsbProgrammerEmulator::ClearLog() {
    m_requests.clear();
    m_readLengths.clear();
}

void UsbProgrammerEmulator::ApplyLines() {
    // Lines without drivers float: chip select released, reset not asserted.
    m_flash.SetChipSelect(m_driversOn && m_chipSelect == 0);
    m_flash.SetReset(m_driversOn && m_reset == 0);
}

void UsbProgrammerEmulator::Execute(const uint8_t* request, size_t length) {
    size_t at = 0;
    while (at < length) {
        if (length - at < 4) {
            ++m_protocolErrors;
            return;
        }
        const uint8_t type = request[at];
        const uint8_t flags = request[at + 1];
        const uint32_t count = static_cast<uint32_t>(request[at + 2]) << 8 | request[at + 3];
        at += 4;
        switch (type) {
            case kTypeLine: {
                const int line = (flags >> 1) & 0x03;
                const int level = flags & 0x01;
                if ((flags & 0x08) == 0 || line == 0) {
                    ++m_protocolErrors;
                    return;
                }
                if (line == 1) {
                    m_clock = level;
                } else if (line == 2) {
                    m_reset = level;
                } else {
                    m_chipSelect = level;
                }
                ApplyLines();
                break;
            }
            case kTypeEnable:
                if (flags != 0x09 && flags != 0x08) {
                    ++m_protocolErrors;
                    return;
                }
                m_driversOn = flags == 0x09;
                ApplyLines();
                break;
            case kTypeShift: {
                const bool dataFollow = (flags & kShiftDataFollow) != 0;
                const bool capture = (flags & kShiftCapture) != 0;
                if (count == 0 || (dataFollow && length - at < count)) {
                    ++m_protocolErrors;
                    return;
                }
                std::vector<uint8_t> captured;
                for (uint32_t i = 0; i < count; ++i) {
                    const uint8_t out = dataFollow ? request[at + i] : 0x00;
                    const uint8_t in = m_driversOn ? m_flash.Exchange(out) : 0xFF;
                    if (capture) {
                        captured.push_back(in);
                    }
                }
                m_wireBytes += count;
                if (dataFollow) {
                    at += count;
                }
                if (capture) {
                    m_reply.insert(m_reply.end(),
                                   {kTypeShift, flags, static_cast<uint8_t>(count >> 8),
                                    static_cast<uint8_t>(count)});
                    m_reply.insert(m_reply.end(), captured.begin(), captured.end());
                }
                break;
            }
            default:
                ++m_protocolErrors;
                return;
        }
    }
}

}  // namespace brivel
