#pragma once

#include <cstdint>
#include <functional>

namespace brivel {

// EzPort command bytes. Flash commands are followed by a 24-bit address, most significant
// byte first; every frame is framed by chip select low ... high, bytes MSB first.
inline constexpr uint8_t kEzCmdReadStatus = 0x05;
inline constexpr uint8_t kEzCmdWriteEnable = 0x06;
inline constexpr uint8_t kEzCmdWriteConfig = 0x01;
inline constexpr uint8_t kEzCmdBulkErase = 0xC7;
inline constexpr uint8_t kEzCmdSectorErase = 0xD8;
inline constexpr uint8_t kEzCmdPageProgram = 0x02;
inline constexpr uint8_t kEzCmdRead = 0x03;

// Status register bits.
inline constexpr uint8_t kEzStatusBusy = 0x01;
inline constexpr uint8_t kEzStatusWriteEnabled = 0x02;
// A status byte with any of these bits set is not a real answer (0xFF: nothing on the line).
inline constexpr uint8_t kEzStatusMustBeZero = 0x1C;
inline constexpr uint8_t kEzStatusConfigLoaded = 0x20;
inline constexpr uint8_t kEzStatusWriteError = 0x40;

// Flash geometry and time-outs.
inline constexpr uint32_t kEzPageSize = 256;
inline constexpr uint32_t kEzSectorSize = 2048;
inline constexpr uint32_t kEzBlockSize = 256;
inline constexpr uint32_t kEzPageProgramTimeoutMs = 5000;
inline constexpr uint32_t kEzSectorEraseTimeoutMs = 1000;
inline constexpr uint32_t kEzBulkEraseTimeoutMs = 1000;
// The flash of the part programmed by default (-f names a larger one), and the most that a
// 24-bit EzPort address reaches.
inline constexpr uint32_t kDefaultFlashKiB = 256;
inline constexpr uint32_t kMaxFlashKiB = 16 * 1024;

// Helpers shared by both transports, so the poll, the erase guard and the page split are the
// same whichever adapter runs.

// When the completion poll reads the status: not before the operation can have finished
// (typicalUs after its frame was handed over, the frame's own shifting included where the
// adapter returns before it is shifted), then every stepUs. Every status read costs a USB
// round trip; reads while the flash is surely busy only load the bus.
struct PollPace {
    uint32_t typicalUs;
    uint32_t stepUs;
};
// The flash module's times at its 150-200 kHz clock: a 256-byte page is 64 longwords of
// 20-45 us (1.3-2.9 ms, the middle taken), a sector erase 20 ms, a bulk erase 100 ms.
inline constexpr PollPace kPageProgramPace{2000, 100};
inline constexpr PollPace kSectorErasePace{20000, 1000};
inline constexpr PollPace kBulkErasePace{100000, 5000};
// One EzPort byte at the 1 MHz clock the FTDI adapter runs.
inline constexpr uint32_t kEzWireUsPerByte = 8;

// The pace of an operation whose frame of frameBytes starts it only once it is shifted.
constexpr PollPace AfterFrame(PollPace pace, uint32_t frameBytes) {
    return {pace.typicalUs + frameBytes * kEzWireUsPerByte, pace.stepUs};
}

// Polls the status until busy clears, WEF shows or the time-out runs out, the reads paced as
// pace says from startedUs (CurrentClock().MicroTicks() when the operation's frame was
// handed over). The time-out runs from the call, the first pause included, so a flash that
// never finishes ends the poll as late as before; the time is taken from CurrentClock().
// Returns an EzPortError.
int PollCompletion(int (*readStatus)(uint8_t* status), uint32_t timeoutMs, const PollPace& pace,
                   uint32_t startedUs);

// Write enable, check that it took, send the erase command frame, then PollCompletion.
// The results of write enable and of the command frame are ignored: trouble shows in the
// status reads that follow.
int RunErase(int (*writeEnable)(), int (*readStatus)(uint8_t* status),
             const std::function<void()>& sendEraseFrame, uint32_t timeoutMs, const PollPace& pace);

// Pads the data to 4-byte alignment with 0xFF and hands out chunks that never cross a page
// boundary. writeChunk does write enable, the page-program frame and the poll, and returns an
// EzPortError; the first non-zero result ends the operation. Returns kEzBadAddress when
// address + length passes 0xFFFFFFFF, kEzSystem when the buffer cannot be obtained.
int ProgramPages(uint32_t address, const uint8_t* data, uint32_t length,
                 const std::function<int(uint32_t chunkAddress, const uint8_t* chunk,
                                         uint32_t chunkLength)>& writeChunk);

}  // namespace brivel
