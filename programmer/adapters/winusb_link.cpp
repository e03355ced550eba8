#include "adapters/winusb_link.h"

#include <cstdio>
#include <new>

#include "core/cp1251.h"

namespace brivel {

namespace {

constexpr uint32_t kReadSize = 1024;
// A device that stops answering fails the transfer after this long.
constexpr uint32_t kTransferWaitMs = 2000;
// No reply of this program comes near this size; a device that keeps sending full reads
// is not answering a request of ours.
constexpr size_t kLongestReply = 1u << 20;
constexpr auto kVersionUnknown = W1251("неизвестно");

}  // namespace

int WinUsbLink::Initialize(UsbPipes& pipes) {
    if (m_pipes != nullptr) {
        return -2;
    }
    if (!pipes.SetPipePolicy(kPipeRequest, kPolicyShortPacketTerminate, 1) ||
        !pipes.SetPipePolicy(kPipeReply, kPolicyAllowPartialReads, 1) ||
        !pipes.SetPipePolicy(kPipeReply, kPolicyIgnoreShortPackets, 0)) {
        return -1;
    }
    m_pipes = &pipes;
    return 0;
}

// The original overlaps the write and the read; the programmer answers only after the whole
// request has arrived, so writing first and then reading moves the same packets.
int WinUsbLink::Transfer(const std::vector<uint8_t>& request, std::vector<uint8_t>& reply) {
    if (m_pipes == nullptr) {
        return -2;
    }
    reply.clear();
    size_t sent = 0;
    while (sent < request.size()) {
        uint32_t written = 0;
        const auto rest = static_cast<uint32_t>(request.size() - sent);
        if (!m_pipes->WritePipe(kPipeRequest, request.data() + sent, rest, &written,
                                kTransferWaitMs) ||
            written == 0 || written > rest) {
            return -1;
        }
        sent += written;
    }
    bool grown = true;
    std::vector<uint8_t> spill;
    for (;;) {
        size_t at = reply.size();
        uint8_t* target = nullptr;
        if (grown) {
            try {
                reply.resize(at + kReadSize);
                target = reply.data() + at;
            } catch (const std::bad_alloc&) {
                grown = false;
            }
        }
        if (!grown) {
            // Keep reading until the short read so the device is left with nothing pending.
            spill.resize(kReadSize);
            target = spill.data();
        }
        uint32_t read = 0;
        if (!m_pipes->ReadPipe(kPipeReply, target, kReadSize, &read, kTransferWaitMs) ||
            read > kReadSize) {
            reply.clear();
            return -1;
        }
        if (grown) {
            reply.resize(at + read);
        }
        if (read < kReadSize) {
            break;
        }
        if (reply.size() >= kLongestReply) {
            reply.clear();
            return -1;
        }
    }
    if (!grown) {
        reply.clear();
        return -3;
    }
    return 0;
}

std::string WinUsbLink::VersionText() {
    uint8_t descriptor[kDeviceDescriptorLength] = {};
    uint32_t transferred = 0;
    if (m_pipes == nullptr ||
        !m_pipes->GetDescriptor(kDescriptorDevice, 0, 0, descriptor, sizeof descriptor,
                                &transferred) ||
        transferred != kDeviceDescriptorLength) {
        return kVersionUnknown.c_str();
    }
    const unsigned bcd = descriptor[12] | descriptor[13] << 8;
    char text[16];
    std::snprintf(text, sizeof text, "%d%d.%d%d", bcd >> 12 & 0xF, bcd >> 8 & 0xF, bcd >> 4 & 0xF,
                  bcd & 0xF);
    return text;
}

}  // namespace brivel
