#include "adapters/usb_programmer.h"

#include <cstdio>
#include <vector>

#include "adapters/usb_transaction.h"
#include "adapters/winusb_link.h"
#include "core/clock.h"
#include "core/ezport.h"

namespace brivel {

namespace {

constexpr int kReadFailed = 101;

WinUsbLink g_link;
std::function<void(const std::string&)> g_noteSink;

std::vector<uint8_t> Address(uint32_t address) {
    return {static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8),
            static_cast<uint8_t>(address)};
}

void RunLine(int line, int level) {
    Transaction().Line(line, level).Run(g_link);
}

// [CS 0][out command][out data][CS 1]: a command with data puts them in two items.
int CommandTransaction(uint8_t command, std::vector<uint8_t> data) {
    Transaction transaction;
    transaction.Line(LineItem::kChipSelect, 0).Out({command});
    if (!data.empty()) {
        transaction.Out(std::move(data));
    }
    transaction.Line(LineItem::kChipSelect, 1);
    return transaction.Run(g_link) != Transaction::kOk ? 1 : 0;
}

void Enter() {
    RunLine(LineItem::kChipSelect, 0);
    RunLine(LineItem::kReset, 0);
    CurrentClock().Sleep(100);
    RunLine(LineItem::kReset, 1);
    CurrentClock().Sleep(20);
    Transaction().Line(LineItem::kChipSelect, 1).Line(LineItem::kClock, 0).Run(g_link);
}

void Leave() {
    RunLine(LineItem::kReset, 0);
    RunLine(LineItem::kChipSelect, 1);
    CurrentClock().Sleep(100);
    RunLine(LineItem::kReset, 1);
}

int ReadStatus(uint8_t* status) {
    Transaction transaction;
    transaction.Line(LineItem::kChipSelect, 0).Out({kEzCmdReadStatus});
    const ShiftItem& captured = transaction.Capture(1);
    transaction.Line(LineItem::kChipSelect, 1);
    if (transaction.Run(g_link) != Transaction::kOk) {
        return -1;
    }
    *status = captured.Captured()[0];
    return (*status & kEzStatusMustBeZero) != 0 ? -1 : 0;
}

int WriteEnable() {
    return CommandTransaction(kEzCmdWriteEnable, {});
}

int BulkErase(uint32_t timeoutMs) {
    return RunErase(
        WriteEnable, ReadStatus, [] { CommandTransaction(kEzCmdBulkErase, {}); }, timeoutMs,
        AfterFrame(kBulkErasePace, 1));
}

int SectorErase(uint32_t address, uint32_t timeoutMs) {
    return RunErase(
        WriteEnable, ReadStatus,
        [address] { CommandTransaction(kEzCmdSectorErase, Address(address)); }, timeoutMs,
        AfterFrame(kSectorErasePace, 4));
}

// Write enable and the program frame travel in one request; the status is not read between.
int ProgramChunk(uint32_t address, const uint8_t* chunk, uint32_t length, uint32_t timeoutMs) {
    std::vector<uint8_t> head = Address(address);
    head.insert(head.begin(), kEzCmdPageProgram);
    Transaction transaction;
    transaction.Line(LineItem::kChipSelect, 0)
        .Out({kEzCmdWriteEnable})
        .Line(LineItem::kChipSelect, 1)
        .Line(LineItem::kChipSelect, 0)
        .Out(std::move(head))
        .Out(std::vector<uint8_t>(chunk, chunk + length))
        .Line(LineItem::kChipSelect, 1);
    // The page time runs from the request on. The frame's own shifting is left out: it takes
    // the firmware's clock, which the host does not know, and a first read too early costs
    // only a step, one too late a wait for every page.
    const uint32_t started = CurrentClock().MicroTicks();
    if (transaction.Run(g_link) != Transaction::kOk) {
        return kEzInterface;
    }
    return PollCompletion(ReadStatus, timeoutMs, kPageProgramPace, started);
}

int PageProgram(uint32_t address, const uint8_t* data, uint32_t length, uint32_t timeoutMs) {
    return ProgramPages(address, data, length,
                        [timeoutMs](uint32_t chunkAddress, const uint8_t* chunk, uint32_t size) {
                            return ProgramChunk(chunkAddress, chunk, size, timeoutMs);
                        });
}

int Read(uint32_t address, uint8_t* buffer, uint32_t length) {
    if (length == 0) {
        return 0;
    }
    std::vector<uint8_t> head = Address(address);
    head.insert(head.begin(), kEzCmdRead);
    Transaction transaction;
    transaction.Line(LineItem::kChipSelect, 0).Out(std::move(head));
    const ShiftItem& captured = transaction.Capture(length);
    transaction.Line(LineItem::kChipSelect, 1);
    const int result = transaction.Run(g_link);
    if (result != Transaction::kOk) {
        if (g_noteSink) {
            char note[32];
            std::snprintf(note, sizeof note, "[exec_err:%d]\r\n", result);
            g_noteSink(note);
        }
        return kReadFailed;
    }
    const std::vector<uint8_t>& bytes = captured.Captured();
    std::copy(bytes.begin(), bytes.end(), buffer);
    return 0;
}

int WriteConfig(uint8_t clockRegister, uint8_t* status) {
    WriteEnable();
    CommandTransaction(kEzCmdWriteConfig, {clockRegister});
    if (ReadStatus(status) != 0 || (*status & kEzStatusConfigLoaded) == 0) {
        return 1;
    }
    return 0;
}

}  // namespace

const AdapterOps kUsbOps = {
    Enter, Leave, ReadStatus, WriteEnable, BulkErase, PageProgram, Read, WriteConfig, SectorErase,
};

int UsbOpen(UsbPipes& pipes) {
    return g_link.Initialize(pipes);
}

std::string UsbVersionText() {
    return g_link.VersionText();
}

int UsbEnable(bool on) {
    return Transaction().Enable(on).Run(g_link);
}

void UsbClose() {
    g_link.Release();
}

void SetUsbNoteSink(std::function<void(const std::string&)> sink) {
    g_noteSink = std::move(sink);
}

}  // namespace brivel
