#pragma once

#include <cstdint>
#include <vector>

#include "adapters/d2xx.h"
#include "adapters/ezport_flash.h"
#include "adapters/testing/forwarding_d2xx.h"

namespace brivel {

enum class FtdiFault {
    kNone,
    kNoAnswer,            // nothing arrives
    kFailingQueueStatus,  // the bytes-waiting call fails
    kFailingWrite,        // writes fail, nothing is sent
    kShortRead,           // a read brings one byte less than asked
    kStatusFF,            // the target drives nothing (reads 0xFF)
    kStuckBusy,           // the flash never finishes
    kWriteError,          // every erase and program sets WEF
    kBadCommandEcho,      // each write is answered with the bad-command reply (0xFA, the first
                          // byte written) ahead of the data, as MPSSE does for an opcode it
                          // does not know
};

// Wraps a D2XX library and injects one fault at a chosen call: counting writes from 1, the
// fault starts with write number `atCall` and lasts `count` writes (faults of the target
// itself last to the end).
class FaultyD2xx : public testing::ForwardingD2xx {
public:
    FaultyD2xx(D2xx& inner, EzPortFlash* flash) : ForwardingD2xx(inner), m_flash(flash) {}

    void Arm(FtdiFault fault, uint32_t atCall, uint32_t count = UINT32_MAX);
    uint32_t WriteCalls() const { return m_writes; }
    bool Fired() const { return m_fired; }

    FtStatus Purge(uint32_t mask) override;
    FtStatus GetQueueStatus(uint32_t* bytesWaiting) override;
    FtStatus Write(const uint8_t* data, uint32_t length, uint32_t* written) override;
    FtStatus Read(uint8_t* buffer, uint32_t length, uint32_t* read) override;

private:
    bool Active(FtdiFault fault);

    EzPortFlash* m_flash;
    FtdiFault m_fault = FtdiFault::kNone;
    uint32_t m_atCall = 0;
    uint32_t m_count = 0;
    uint32_t m_writes = 0;
    bool m_fired = false;
    std::vector<uint8_t> m_echo;  // bad-command replies not yet read
};

}  // namespace brivel
