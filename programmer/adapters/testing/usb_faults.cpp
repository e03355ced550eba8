#include "adapters/testing/usb_faults.h"

#include <algorithm>

#include "core/clock.h"

namespace brivel {

namespace {

constexpr uint32_t kReadSize = 1024;
constexpr uint32_t kDrainWaitMs = 2000;

}  // namespace

void FaultyUsbPipes::Arm(UsbFault fault, uint32_t atRequest, uint32_t count) {
    m_fault = fault;
    m_atRequest = atRequest;
    m_count = count;
    m_fired = false;
}

bool FaultyUsbPipes::Active(UsbFault fault) {
    if (m_fault != fault || m_requests < m_atRequest || m_requests - m_atRequest >= m_count) {
        return false;
    }
    m_fired = true;
    return true;
}

bool FaultyUsbPipes::SetPipePolicy(uint8_t pipe, uint32_t policy, uint8_t value) {
    return m_inner.SetPipePolicy(pipe, policy, value);
}

bool FaultyUsbPipes::GetDescriptor(uint8_t type, uint8_t index, uint16_t language, uint8_t* buffer,
                                   uint32_t length, uint32_t* transferred) {
    const bool ok = m_inner.GetDescriptor(type, index, language, buffer, length, transferred);
    if (m_fault == UsbFault::kBadDescriptor && *transferred > 0) {
        m_fired = true;
        --*transferred;
    }
    return ok;
}

void FaultyUsbPipes::TakeInnerReply() {
    m_reply.clear();
    m_replyAt = 0;
    uint8_t chunk[kReadSize];
    for (;;) {
        uint32_t read = 0;
        if (!m_inner.ReadPipe(kPipeReply, chunk, kReadSize, &read, kDrainWaitMs)) {
            m_silent = true;
            return;
        }
        m_reply.insert(m_reply.end(), chunk, chunk + read);
        if (read < kReadSize) {
            return;
        }
    }
}

bool FaultyUsbPipes::WritePipe(uint8_t pipe, const uint8_t* data, uint32_t length,
                               uint32_t* written, uint32_t timeoutMs) {
    ++m_requests;
    if (Active(UsbFault::kFailingWrite)) {
        *written = 0;
        m_replyPending = false;
        return false;
    }
    if (m_flash != nullptr) {
        if (Active(UsbFault::kStatusFF)) {
            m_flash->SetSilent(true);
        } else if (Active(UsbFault::kStuckBusy)) {
            m_flash->SetStuckBusy(true);
        } else if (Active(UsbFault::kWriteError)) {
            m_flash->SetFailWrites(true);
        }
    }
    if (!m_inner.WritePipe(pipe, data, length, written, timeoutMs)) {
        m_replyPending = false;
        return false;
    }
    m_silent = false;
    TakeInnerReply();
    m_replyPending = !m_silent;
    if (Active(UsbFault::kNoAnswer)) {
        m_replyPending = false;
    } else if (Active(UsbFault::kShortRead) && !m_reply.empty()) {
        m_reply.pop_back();
    } else if (Active(UsbFault::kWrongFirstByte) && !m_reply.empty()) {
        m_reply[0] = 0x01;
    } else if (Active(UsbFault::kWrongCount) && m_reply.size() >= 4) {
        ++m_reply[3];
    } else if (Active(UsbFault::kLeftover)) {
        m_reply.push_back(0x00);
    }
    return true;
}

bool FaultyUsbPipes::ReadPipe(uint8_t pipe, uint8_t* buffer, uint32_t length, uint32_t* read,
                              uint32_t timeoutMs) {
    *read = 0;
    if (pipe != kPipeReply) {
        return false;
    }
    if (!m_replyPending) {
        CurrentClock().Sleep(timeoutMs);
        return false;
    }
    const auto n = static_cast<uint32_t>(std::min<size_t>(length, m_reply.size() - m_replyAt));
    std::copy_n(m_reply.begin() + m_replyAt, n, buffer);
    m_replyAt += n;
    *read = n;
    if (n < length) {
        m_replyPending = false;
    }
    return true;
}

}  // namespace brivel
