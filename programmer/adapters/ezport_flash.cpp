#include "adapters/ezport_flash.h"

#include <algorithm>

#include "core/clock.h"
#include "core/ezport.h"

namespace brivel {

namespace {

constexpr uint8_t kFloating = 0xFF;
constexpr uint8_t kCmdWriteDisable = 0x04;
// Command, three address bytes and one page of data; a longer page-program frame is refused.
constexpr size_t kLongestFrame = 4 + kEzPageSize;

}  // namespace

EzPortFlash::EzPortFlash(FlashTiming timing) : m_timing(timing), m_memory(kSize, 0xFF) {}

void EzPortFlash::SetReset(bool asserted) {
    if (asserted) {
        m_reset = true;
        m_ezPortMode = false;
        return;
    }
    if (!m_reset) {
        return;
    }
    m_reset = false;
    // The chip samples chip select as it leaves reset: low selects EzPort mode, high runs the
    // program in flash.
    if (m_selected) {
        m_ezPortMode = true;
        m_writeEnabled = false;
        m_configLoaded = false;
        m_writeError = false;
        m_busy = false;
    }
}

void EzPortFlash::SetChipSelect(bool low) {
    if (low == m_selected) {
        return;
    }
    m_selected = low;
    if (low) {
        m_frame.clear();
        m_framePosition = 0;
        m_frameIgnored = !m_ezPortMode || m_reset || m_silent;
    } else if (!m_frameIgnored && m_ezPortMode && !m_reset) {
        EndFrame();
    }
}

uint8_t EzPortFlash::Exchange(uint8_t in) {
    if (!m_selected || m_frameIgnored || !m_ezPortMode || m_reset || m_silent) {
        return kFloating;
    }
    return Respond(in);
}

uint8_t EzPortFlash::Respond(uint8_t in) {
    const uint32_t position = m_framePosition++;
    const uint8_t command = position == 0 ? in : m_frame[0];
    // Status and read frames may run on for any length; only their head is kept.
    const bool streaming = command == kEzCmdReadStatus || command == kEzCmdRead;
    if (!streaming || position < 4) {
        if (m_frame.size() <= kLongestFrame) {
            m_frame.push_back(in);
        }
    }
    if (position == 0) {
        return kFloating;
    }
    if (command == kEzCmdReadStatus) {
        return Status();
    }
    if (command == kEzCmdRead && position >= 4) {
        if (position == 4) {
            m_readAddress = FrameAddress();
        }
        if (Busy()) {
            return kFloating;
        }
        const uint32_t address = m_readAddress++;
        return address < kSize ? m_memory[address] : kFloating;
    }
    return kFloating;
}

uint32_t EzPortFlash::FrameAddress() const {
    return static_cast<uint32_t>(m_frame[1]) << 16 | static_cast<uint32_t>(m_frame[2]) << 8 |
           m_frame[3];
}

bool EzPortFlash::Busy() {
    if (m_busy && !m_stuckBusy && CurrentClock().MicroTicks() - m_busyStart >= m_busyMs * 1000u) {
        m_busy = false;
    }
    return m_busy;
}

uint8_t EzPortFlash::Status() {
    uint8_t status = 0;
    if (Busy()) {
        status |= kEzStatusBusy;
    }
    if (m_writeEnabled) {
        status |= kEzStatusWriteEnabled;
    }
    if (m_configLoaded) {
        status |= kEzStatusConfigLoaded;
    }
    if (m_writeError) {
        status |= kEzStatusWriteError;
    }
    return status;
}

void EzPortFlash::StartBusy(uint32_t ms) {
    if (ms == 0) {
        return;
    }
    m_busy = true;
    m_busyStart = CurrentClock().MicroTicks();
    m_busyMs = ms;
}

// An erase or program consumes the write-enable latch whether or not it is carried out.
bool EzPortFlash::AcceptWrite() {
    if (!m_writeEnabled) {
        return false;
    }
    m_writeEnabled = false;
    m_writeError = !m_configLoaded || m_failWrites;
    return !m_writeError;
}

void EzPortFlash::EndFrame() {
    ++m_frames;
    if (m_frame.empty()) {
        return;
    }
    const uint8_t command = m_frame[0];
    const size_t size = m_frame.size();
    if (command == kEzCmdWriteEnable || command == kEzCmdWriteConfig ||
        command == kEzCmdBulkErase || command == kEzCmdSectorErase ||
        command == kEzCmdPageProgram) {
        ++m_writeCommands;
    }
    if (command != kEzCmdReadStatus && Busy()) {
        return;
    }
    switch (command) {
        case kEzCmdWriteEnable:
            if (size == 1) {
                m_writeEnabled = true;
            }
            break;
        case kCmdWriteDisable:
            if (size == 1) {
                m_writeEnabled = false;
            }
            break;
        case kEzCmdWriteConfig:
            if (size == 2 && m_writeEnabled) {
                m_writeEnabled = false;
                m_configRegister = m_frame[1];
                m_configLoaded = true;
            }
            break;
        case kEzCmdBulkErase:
            if (size == 1 && AcceptWrite()) {
                std::fill(m_memory.begin(), m_memory.end(), 0xFF);
                ++m_erases;
                StartBusy(m_timing.bulkEraseMs);
            }
            break;
        case kEzCmdSectorErase:
            if (size == 4 && AcceptWrite()) {
                const uint32_t address = FrameAddress();
                if (address >= kSize) {
                    m_writeError = true;
                    break;
                }
                const uint32_t start = address / kEzSectorSize * kEzSectorSize;
                std::fill_n(m_memory.begin() + start, kEzSectorSize, 0xFF);
                ++m_erases;
                StartBusy(m_timing.sectorEraseMs);
            }
            break;
        case kEzCmdPageProgram: {
            if (size < 5 || !AcceptWrite()) {
                break;
            }
            // The flash programs whole longwords within one page.
            const uint32_t address = FrameAddress();
            const uint32_t count = static_cast<uint32_t>(size - 4);
            const bool fits = size <= kLongestFrame && address % 4 == 0 && count % 4 == 0 &&
                              address % kEzPageSize + count <= kEzPageSize &&
                              address + count <= kSize;
            if (!fits) {
                m_writeError = true;
                break;
            }
            for (uint32_t i = 0; i < count; ++i) {
                m_memory[address + i] &= m_frame[4 + i];
            }
            ++m_programs;
            StartBusy(m_timing.pageProgramMs);
            break;
        }
        default:
            break;
    }
}

}  // namespace brivel
