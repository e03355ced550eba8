#include "adapters/ftdi_adapter.h"

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

void Append(std::initializer_list<uint8_t> bytes) {
    g_link.command.insert(g_link.command.end(), bytes);
}

void AppendAddress(uint32_t address) {
    Append({static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8),
            static_cast<uint8_t>(address)});
}

// The length field of 0x11 and 0x24 holds n - 1, low byte first.
void AppendLength(uint32_t n) {
    Append({static_cast<uint8_t>((n - 1) & 0xFF), static_cast<uint8_t>(((n - 1) >> 8) & 0xFF)});
}

// A whole frame goes out in one write so chip select frames exactly these bytes.
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

bool ReceiveExactly(uint8_t* buffer, uint32_t length) {
    if (!WaitForData(length)) {
        return false;
    }
    uint32_t read = 0;
    return g_link.device->Read(buffer, length, &read) == kFtOk && read == length;
}

// Chip select low (clock unchanged), the command byte and its data in one write, chip select
// high. The caller learns of a failed write from the status read that follows.
int CommandFrame(uint8_t command, const uint8_t* data, uint32_t length) {
    SetPins(kPinChipSelect, 0);
    StartCommand();
    Append({kBytesOutMsbFalling, 0x00, 0x00, command});
    if (length != 0) {
        Append({kBytesOutMsbFalling});
        AppendLength(length);
        g_link.command.insert(g_link.command.end(), data, data + length);
    }
    const bool sent = SendCommand();
    SetPins(0, kPinChipSelect);
    return sent ? 0 : -1;
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

int ReadStatus(uint8_t* status) {
    SetPins(kPinChipSelect, 0);
    StartCommand();
    Append({kBytesOutMsbFalling, 0x00, 0x00, kEzCmdReadStatus, kBytesInMsbFalling, 0x00, 0x00});
    const bool sent = SendCommand();
    SetPins(0, kPinChipSelect);
    if (!sent || !ReceiveExactly(status, 1)) {
        return 1;
    }
    return (*status & kEzStatusMustBeZero) != 0 ? 1 : 0;
}

int WriteEnable() {
    SetPins(kPinClock, 0);
    SetPins(kPinChipSelect, 0);
    StartCommand();
    Append({kBytesOutMsbFalling, 0x00, 0x00, kEzCmdWriteEnable});
    const bool sent = SendCommand();
    SetPins(0, kPinChipSelect);
    return sent ? 0 : -1;
}

int BulkErase(uint32_t timeoutMs) {
    return RunErase(
        WriteEnable, ReadStatus, [] { CommandFrame(kEzCmdBulkErase, nullptr, 0); }, timeoutMs);
}

int SectorErase(uint32_t address, uint32_t timeoutMs) {
    const uint8_t bytes[] = {static_cast<uint8_t>(address >> 16),
                             static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
    return RunErase(
        WriteEnable, ReadStatus, [&] { CommandFrame(kEzCmdSectorErase, bytes, sizeof bytes); },
        timeoutMs);
}

int ProgramChunk(uint32_t address, const uint8_t* chunk, uint32_t length, uint32_t timeoutMs) {
    WriteEnable();
    uint8_t status = 0;
    ReadStatus(&status);
    SetPins(kPinClock, 0);
    SetPins(kPinChipSelect, 0);
    StartCommand();
    Append({kBytesOutMsbFalling, 0x03, 0x00, kEzCmdPageProgram});
    AppendAddress(address);
    Append({kBytesOutMsbFalling});
    AppendLength(length);
    g_link.command.insert(g_link.command.end(), chunk, chunk + length);
    const bool sent = SendCommand();
    SetPins(0, kPinChipSelect);
    if (!sent) {
        return kEzInterface;
    }
    return PollCompletion(ReadStatus, timeoutMs);
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
    SetPins(kPinClock, 0);
    SetPins(kPinChipSelect, 0);
    StartCommand();
    Append({kBytesOutMsbFalling, 0x03, 0x00, kEzCmdRead});
    AppendAddress(address);
    Append({kBytesInMsbFalling});
    AppendLength(length);
    const bool sent = SendCommand();
    PinWrite();
    if (!sent || !ReceiveExactly(buffer, length)) {
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
    return true;
}

int FtdiSetup() {
    D2xx* device = g_link.device;
    if (device == nullptr) {
        return -1;
    }
    g_link.setUp = true;
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
}

}  // namespace brivel
