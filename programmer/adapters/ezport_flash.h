#pragma once

#include <cstdint>
#include <vector>

namespace brivel {

// How long the emulated flash stays busy, in milliseconds of CurrentClock().
struct FlashTiming {
    uint32_t pageProgramMs = 1;
    uint32_t sectorEraseMs = 20;
    uint32_t bulkEraseMs = 100;
};

// The ColdFire's internal flash as seen through its EzPort: 256 KiB from address 0, erased to
// 0xFF. It is driven at frame level by the emulators of both adapter kinds: the reset and chip
// select lines, and one byte exchanged per eight clocks while chip select is low.
//
// EzPort mode is entered when reset is released while chip select is held low, and left when
// reset is asserted again. Outside EzPort mode the data output floats and reads as 0xFF.
// Erase and program need the write-enable latch, which each erase, program and configuration
// write clears; they also need the clock configuration to have been written. Programming can
// only clear bits. A rejected erase or program sets the write error flag.
class EzPortFlash {
public:
    static constexpr uint32_t kSize = 0x40000;

    explicit EzPortFlash(FlashTiming timing = {});

    void SetReset(bool asserted);
    void SetChipSelect(bool low);
    // One byte clocked in on the data input; returns the byte the target drove on its output.
    uint8_t Exchange(uint8_t in);

    bool InEzPortMode() const { return m_ezPortMode; }
    std::vector<uint8_t>& Memory() { return m_memory; }
    const std::vector<uint8_t>& Memory() const { return m_memory; }
    uint8_t ConfigRegister() const { return m_configRegister; }

    // Injected faults. A silent target drives nothing (every byte reads 0xFF); a stuck one
    // never finishes the erase or program it is running or starts next; a failing one sets WEF on
    // each erase or program.
    void SetSilent(bool silent) { m_silent = silent; }
    void SetStuckBusy(bool stuck) { m_stuckBusy = stuck; }
    void SetFailWrites(bool fail) { m_failWrites = fail; }

    uint32_t FrameCount() const { return m_frames; }
    uint32_t ProgramCount() const { return m_programs; }
    uint32_t EraseCount() const { return m_erases; }
    // Frames of write enable, configuration write, erase or program, carried out or not.
    uint32_t WriteCommandCount() const { return m_writeCommands; }

private:
    uint8_t Status();
    bool Busy();
    uint8_t Respond(uint8_t in);
    void EndFrame();
    void StartBusy(uint32_t ms);
    bool AcceptWrite();
    uint32_t FrameAddress() const;

    FlashTiming m_timing;
    std::vector<uint8_t> m_memory;
    bool m_reset = false;
    bool m_selected = false;
    bool m_ezPortMode = false;
    bool m_writeEnabled = false;
    bool m_configLoaded = false;
    bool m_writeError = false;
    bool m_busy = false;
    uint32_t m_busyStart = 0;  // CurrentClock().MicroTicks()
    uint32_t m_busyMs = 0;
    uint8_t m_configRegister = 0;
    // Bytes of the current frame, command first; data of a page program included.
    std::vector<uint8_t> m_frame;
    uint32_t m_framePosition = 0;
    bool m_frameIgnored = false;
    uint32_t m_readAddress = 0;
    bool m_silent = false;
    bool m_stuckBusy = false;
    bool m_failWrites = false;
    uint32_t m_frames = 0;
    uint32_t m_programs = 0;
    uint32_t m_erases = 0;
    uint32_t m_writeCommands = 0;
};

}  // namespace brivel
