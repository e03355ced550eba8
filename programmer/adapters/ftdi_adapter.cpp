#include "adapters/ftdi_adapter.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "adapters/d2xx.h"
#include "core/clock.h"
#include "core/ezport.h"

namespace brivel {

namespace {

// The MPSSE low byte:
//   bit 0 SK     out  EzPort clock
//   bit 1 DO     out  data to the target
//   bit 2 DI     in   data from the target
//   bit 3 CS     out  EzPort chip select, active low
//   bit 4 GPIOL0 in   not used
//   bit 5 GPIOL1 out  auxiliary output: raised by Enter, lowered on close
//   bit 6 GPIOL2 in   not used
//   bit 7 GPIOL3 out  target reset: 1 holds the target in reset
constexpr uint8_t kPinClock = 0x01;
constexpr uint8_t kPinChipSelect = 0x08;
constexpr uint8_t kPinAux = 0x20;
constexpr uint8_t kPinReset = 0x80;
constexpr uint8_t kPinDirections = 0xAB;
constexpr uint8_t kPinsAtSetup = 0x08;

// MPSSE opcodes.
constexpr uint8_t kSetLowByte = 0x80;
constexpr uint8_t kSetDivisor = 0x86;
constexpr uint8_t kBytesOutMsbFalling = 0x11;
constexpr uint8_t kBytesInMsbFalling = 0x24;

// Divisor 5: SK = 12 MHz / ((1 + 5) * 2) = 1 MHz.
constexpr uint8_t kDivisorLow = 0x05;
constexpr uint8_t kDivisorHigh = 0x00;

constexpr uint32_t kPurgeBoth = kFtPurgeRx | kFtPurgeTx;
constexpr uint32_t kTransferSize = 65536;
// A device that stops answering fails the waiting operation after this long.
constexpr uint32_t kDataWaitMs = 2000;

struct MpsseLink {
    D2xx* device = nullptr;
    uint8_t pinValues = kPinsAtSetup;
    uint8_t pinDirections = kPinDirections;
    std::vector<uint8_t> command;
    bool setUp = false;  // FtdiSetup ran: the chip is in MPSSE mode and drives the pins
    // Status answers whose result is not used, still in the chip's queue ahead of the next
    // answer: they are read with it, so nobody waits a round trip for them alone.
    uint32_t unreadAnswer = 0;
};

MpsseLink g_link;

void PinWrite() {
    if (g_link.device == nullptr) {
        return;
    }
    const uint8_t bytes[] = {kSetLowByte, g_link.pinValues, g_link.pinDirections};
    uint32_t written = 0;
    g_link.device->Write(bytes, sizeof bytes, &written);
}

void SetPins(uint8_t clear, uint8_t set) {
    g_link.pinValues = static_cast<uint8_t>((g_link.pinValues & ~clear) | set);
    PinWrite();
}

void StartCommand() {
    g_link.command.clear();
}

// One byte at a time: GCC 12 at -O3 reports false -Warray-bounds for a range insert here.
void Append(std::initializer_list<uint8_t> bytes) {
    for (const uint8_t byte : bytes) {
        g_link.command.push_back(byte);
    }
}

// A pin change as part of the command being built: the engine carries out the MPSSE stream in
// order, so a pin command between two frames acts exactly where a pin write of its own would.
void QueuePins(uint8_t clear, uint8_t set) {
    g_link.pinValues = static_cast<uint8_t>((g_link.pinValues & ~clear) | set);
    Append({kSetLowByte, g_link.pinValues, g_link.pinDirections});
}

void AppendAddress(uint32_t address) {
    Append({static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8),
            static_cast<uint8_t>(address)});
}

// The length field of 0x11 and 0x24 holds n - 1, low byte first.
void AppendLength(uint32_t n) {
    Append({static_cast<uint8_t>((n - 1) & 0xFF), static_cast<uint8_t>(((n - 1) >> 8) & 0xFF)});
}

// The pin changes and the frame between them go out in one write: each write costs a USB
// transfer, and the chip runs the stream the same however it is cut. The longest command
// (a page-program frame and its pin changes, 275 bytes) fits the 384-byte buffer of the
// smallest chip of the family, so no frame has to be cut at all.
bool SendCommand() {
    if (g_link.device == nullptr) {
        return false;
    }
    uint32_t written = 0;
    const auto length = static_cast<uint32_t>(g_link.command.size());
    return g_link.device->Write(g_link.command.data(), length, &written) == kFtOk &&
           written == length;
}

bool WaitForData(uint32_t expected) {
    Clock& clock = CurrentClock();
    const uint32_t start = clock.TickCount();
    for (;;) {
        uint32_t waiting = 0;
        if (g_link.device->GetQueueStatus(&waiting) != kFtOk) {
            return false;
        }
        if (waiting >= expected) {
            return true;
        }
        if (clock.TickCount() - start >= kDataWaitMs) {
            return false;
        }
    }
}

// Waits for the whole answer and takes it in one read, with the unread answers queued ahead.
bool ReceiveExactly(uint8_t* buffer, uint32_t length) {
    const uint32_t skip = g_link.unreadAnswer;
    g_link.unreadAnswer = 0;
    if (!WaitForData(skip + length)) {
        return false;
    }
    uint32_t read = 0;
    if (skip == 0) {
        return g_link.device->Read(buffer, length, &read) == kFtOk && read == length;
    }
    std::vector<uint8_t> answer(skip + length);
    if (g_link.device->Read(answer.data(), skip + length, &read) != kFtOk ||
        read != skip + length) {
        return false;
    }
    // The unread bytes are status answers: one that no target gives means the answers are
    // out of step with the frames, and nothing after it can be trusted.
    if (std::any_of(answer.begin(), answer.begin() + skip,
                    [](uint8_t status) { return (status & kEzStatusMustBeZero) != 0; })) {
        return false;
    }
    std::copy(answer.begin() + skip, answer.end(), buffer);
    return true;
}

// Chip select low (clock unchanged), the command byte and its data in one write, chip select
// high. The caller learns of a failed write from the status read that follows.
int CommandFrame(uint8_t command, const uint8_t* data, uint32_t length) {
    StartCommand();
    QueuePins(kPinChipSelect, 0);
    Append({kBytesOutMsbFalling, 0x00, 0x00, command});
    if (length != 0) {
        Append({kBytesOutMsbFalling});
        AppendLength(length);
        g_link.command.insert(g_link.command.end(), data, data + length);
    }
    QueuePins(0, kPinChipSelect);
    return SendCommand() ? 0 : -1;
}

void Enter() {
    SetPins(kPinChipSelect, kPinAux | kPinReset);
    CurrentClock().Sleep(100);
    SetPins(kPinReset, 0);
    CurrentClock().Sleep(20);
    SetPins(kPinClock, kPinChipSelect);
}

void Leave() {
    SetPins(0, kPinReset);
    SetPins(0, kPinChipSelect);
    CurrentClock().Sleep(100);
    SetPins(kPinReset, 0);
}

void QueueReadStatus() {
    QueuePins(kPinChipSelect, 0);
    Append({kBytesOutMsbFalling, 0x00, 0x00, kEzCmdReadStatus, kBytesInMsbFalling, 0x00, 0x00});
    QueuePins(0, kPinChipSelect);
}

void QueueWriteEnable() {
    QueuePins(kPinClock, 0);
    QueuePins(kPinChipSelect, 0);
    Append({kBytesOutMsbFalling, 0x00, 0x00, kEzCmdWriteEnable});
    QueuePins(0, kPinChipSelect);
}

int ReadStatus(uint8_t* status) {
    StartCommand();
    QueueReadStatus();
    if (!SendCommand() || !ReceiveExactly(status, 1)) {
        return 1;
    }
    return (*status & kEzStatusMustBeZero) != 0 ? 1 : 0;
}

int WriteEnable() {
    StartCommand();
    QueueWriteEnable();
    return SendCommand() ? 0 : -1;
}

int BulkErase(uint32_t timeoutMs) {
    return RunErase(
        WriteEnable, ReadStatus, [] { CommandFrame(kEzCmdBulkErase, nullptr, 0); }, timeoutMs,
        AfterFrame(kBulkErasePace, 1));
}

int SectorErase(uint32_t address, uint32_t timeoutMs) {
    const uint8_t bytes[] = {static_cast<uint8_t>(address >> 16),
                             static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
    return RunErase(
        WriteEnable, ReadStatus, [&] { CommandFrame(kEzCmdSectorErase, bytes, sizeof bytes); },
        timeoutMs, AfterFrame(kSectorErasePace, 4));
}

// Write enable, the status read whose result is not used, and the program frame go out in one
// write; the status byte is taken with the first answer of the poll. The poll's first read
// comes when the chip can have shifted the frame and programmed the page: the write returns
// once the bytes are in the chip's buffer, before they are on the wire.
int ProgramChunk(uint32_t address, const uint8_t* chunk, uint32_t length, uint32_t timeoutMs) {
    StartCommand();
    QueueWriteEnable();
    QueueReadStatus();
    QueuePins(kPinClock, 0);
    QueuePins(kPinChipSelect, 0);
    Append({kBytesOutMsbFalling, 0x03, 0x00, kEzCmdPageProgram});
    AppendAddress(address);
    Append({kBytesOutMsbFalling});
    AppendLength(length);
    g_link.command.insert(g_link.command.end(), chunk, chunk + length);
    QueuePins(0, kPinChipSelect);
    const uint32_t started = CurrentClock().MicroTicks();
    if (!SendCommand()) {
        return kEzInterface;
    }
    ++g_link.unreadAnswer;
    // Write enable 1 byte, status 2, program 4 + length.
    return PollCompletion(ReadStatus, timeoutMs, AfterFrame(kPageProgramPace, 7 + length), started);
}

int PageProgram(uint32_t address, const uint8_t* data, uint32_t length, uint32_t timeoutMs) {
    return ProgramPages(address, data, length,
                        [timeoutMs](uint32_t chunkAddress, const uint8_t* chunk, uint32_t size) {
                            return ProgramChunk(chunkAddress, chunk, size, timeoutMs);
                        });
}

// Leaves chip select low: the callers always follow a read with a status frame, which ends
// with chip select high.
int Read(uint32_t address, uint8_t* buffer, uint32_t length) {
    if (length == 0) {
        return 0;
    }
    if (length > kFtdiLongestRead) {
        return kEzBadSize;
    }
    StartCommand();
    QueuePins(kPinClock, 0);
    QueuePins(kPinChipSelect, 0);
    Append({kBytesOutMsbFalling, 0x03, 0x00, kEzCmdRead});
    AppendAddress(address);
    Append({kBytesInMsbFalling});
    AppendLength(length);
    QueuePins(0, 0);
    if (!SendCommand() || !ReceiveExactly(buffer, length)) {
        return kEzInterface;
    }
    return 0;
}

int WriteConfig(uint8_t clockRegister, uint8_t* status) {
    WriteEnable();
    CommandFrame(kEzCmdWriteConfig, &clockRegister, 1);
    if (ReadStatus(status) != 0 || (*status & kEzStatusConfigLoaded) == 0) {
        return 1;
    }
    return 0;
}

}  // namespace

const AdapterOps kFtdiOps = {
    Enter, Leave, ReadStatus, WriteEnable, BulkErase, PageProgram, Read, WriteConfig, SectorErase,
};

bool FtdiListDevices(D2xx& library, std::vector<FtdiDeviceInfo>& devices) {
    devices.clear();
    uint32_t count = 0;
    if (library.CreateDeviceInfoList(&count) != kFtOk) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    std::vector<FtDeviceListInfoNode> list(count);
    if (library.GetDeviceInfoList(list.data(), &count) != kFtOk) {
        return false;
    }
    for (uint32_t i = 0; i < count && i < list.size(); ++i) {
        const FtDeviceListInfoNode& node = list[i];
        devices.push_back(
            {node.id,
             std::string(node.serialNumber, strnlen(node.serialNumber, sizeof node.serialNumber))});
    }
    return true;
}

bool FtdiOpen(D2xx& library, int index) {
    if (library.Open(index) != kFtOk) {
        return false;
    }
    g_link.device = &library;
    g_link.pinValues = kPinsAtSetup;
    g_link.pinDirections = kPinDirections;
    g_link.setUp = false;
    g_link.unreadAnswer = 0;
    return true;
}

int FtdiSetup() {
    D2xx* device = g_link.device;
    if (device == nullptr) {
        return -1;
    }
    g_link.setUp = true;
    g_link.unreadAnswer = 0;
    // All five are made even when one fails, as the original did.
    const FtStatus results[] = {
        device->ResetDevice(),
        device->Purge(kPurgeBoth),
        device->SetUsbParameters(kTransferSize, kTransferSize),
        device->SetLatencyTimer(1),
        device->SetBitMode(0x00, kFtBitModeMpsse),
    };
    for (FtStatus result : results) {
        if (result != kFtOk) {
            return -1;
        }
    }
    uint32_t waiting = 0;
    if (device->GetQueueStatus(&waiting) != kFtOk || waiting != 0) {
        return -1;
    }
    StartCommand();
    Append({kSetDivisor, kDivisorLow, kDivisorHigh});
    SendCommand();
    g_link.pinValues = kPinsAtSetup;
    g_link.pinDirections = kPinDirections;
    PinWrite();
    return 0;
}

void FtdiClose() {
    if (g_link.device == nullptr) {
        return;
    }
    // A chip that was never set up is not in MPSSE mode: the pin command would reach it as
    // serial data, so it is only closed.
    if (g_link.setUp) {
        g_link.pinValues &= static_cast<uint8_t>(~(kPinAux | kPinReset));
        PinWrite();
        g_link.device->Purge(kPurgeBoth);
    }
    g_link.device->Close();
    g_link.device = nullptr;
    g_link.setUp = false;
    g_link.unreadAnswer = 0;
}

}  // namespace brivel
