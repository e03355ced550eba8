#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "adapters/ezport_flash.h"
#include "adapters/usb_pipes.h"

namespace brivel {

enum class UsbFault {
    kNone,
    kNoAnswer,        // the request is taken, no reply comes
    kFailingWrite,    // the request is not taken
    kShortRead,       // the reply comes one byte short
    kWrongFirstByte,  // the first reply part does not start with 0
    kWrongCount,      // the first reply part counts one byte more than the item captures
    kLeftover,        // one byte more follows the last reply part
    kBadDescriptor,   // the device descriptor comes back shorter than 18 bytes
    kStatusFF,        // the target drives nothing (reads 0xFF)
    kStuckBusy,       // the flash never finishes
    kWriteError,      // every erase and program sets WEF
};

// Wraps the programmer's pipes and injects one fault: counting requests from 1, it starts
// with request number `atRequest` and lasts `count` requests (faults of the target itself
// last to the end).
class FaultyUsbPipes : public UsbPipes {
public:
    FaultyUsbPipes(UsbPipes& inner, EzPortFlash* flash) : m_inner(inner), m_flash(flash) {}

    void Arm(UsbFault fault, uint32_t atRequest, uint32_t count = UINT32_MAX);
    uint32_t Requests() const { return m_requests; }
    bool Fired() const { return m_fired; }

    bool SetPipePolicy(uint8_t pipe, uint32_t policy, uint8_t value) override;
    bool GetDescriptor(uint8_t type, uint8_t index, uint16_t language, uint8_t* buffer,
                       uint32_t length, uint32_t* transferred) override;
    bool WritePipe(uint8_t pipe, const uint8_t* data, uint32_t length, uint32_t* written,
                   uint32_t timeoutMs) override;
    bool ReadPipe(uint8_t pipe, uint8_t* buffer, uint32_t length, uint32_t* read,
                  uint32_t timeoutMs) override;

private:
    bool Active(UsbFault fault);
    void TakeInnerReply();

    UsbPipes& m_inner;
    EzPortFlash* m_flash;
    UsbFault m_fault = UsbFault::kNone;
    uint32_t m_atRequest = 0;
    uint32_t m_count = 0;
    uint32_t m_requests = 0;
    bool m_fired = false;
    // The reply of the current request, taken whole from the device and served again with
    // the same packet rules, so it can be altered.
    std::vector<uint8_t> m_reply;
    size_t m_replyAt = 0;
    bool m_replyPending = false;
    bool m_silent = false;
};

}  // namespace brivel
