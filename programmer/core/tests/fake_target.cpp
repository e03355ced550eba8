#include "fake_target.h"

#include <cstdio>
#include <cstring>

#include "core/clock.h"
#include "core/ezport.h"

namespace brivel::testing {

namespace {

// The fake's busy state ends after a number of status reads, not after a time: its polls
// read without a pause.
constexpr PollPace kByReads{0, 0};

FakeTarget& T() {
    return FakeTarget::Instance();
}

std::string Hex(const char* what, uint32_t address) {
    char text[64];
    std::snprintf(text, sizeof text, "%s 0x%08X", what, address);
    return text;
}

void StartOperation() {
    FakeTarget& t = T();
    t.writeEnabled = false;
    t.busyReadsLeft = t.stuckBusy ? UINT32_MAX : t.busyReadsPerOperation;
    if (t.writeError) {
        t.writeErrorFlag = true;
    }
}

void Enter() {
    T().log.push_back("Enter");
}
void Leave() {
    T().log.push_back("Leave");
}

int ReadStatus(uint8_t* status) {
    FakeTarget& t = T();
    ++t.statusReads;
    if (t.noAnswer) {
        *status = 0xFF;
    } else {
        const bool busy = t.busyReadsLeft > 0;
        if (busy && t.busyReadsLeft != UINT32_MAX) {
            --t.busyReadsLeft;
        }
        *status = static_cast<uint8_t>((busy ? kEzStatusBusy : 0) |
                                       (t.writeEnabled ? kEzStatusWriteEnabled : 0) |
                                       (t.configLoaded ? kEzStatusConfigLoaded : 0) |
                                       (t.writeErrorFlag ? kEzStatusWriteError : 0));
    }
    return (*status & kEzStatusMustBeZero) != 0 ? 1 : 0;
}

int WriteEnable() {
    FakeTarget& t = T();
    ++t.writeEnables;
    if (!t.noAnswer && t.busyReadsLeft == 0) {
        t.writeEnabled = true;
    }
    return 0;
}

int BulkErase(uint32_t timeoutMs) {
    return RunErase(
        WriteEnable, ReadStatus,
        [] {
            FakeTarget& t = T();
            t.log.push_back("BulkErase");
            std::memset(t.flash.data(), 0xFF, t.flash.size());
            StartOperation();
        },
        timeoutMs, kByReads);
}

int SectorErase(uint32_t address, uint32_t timeoutMs) {
    return RunErase(
        WriteEnable, ReadStatus,
        [address] {
            FakeTarget& t = T();
            t.log.push_back(Hex("SectorErase", address));
            const uint32_t start = (address & ~(kEzSectorSize - 1)) % FakeTarget::kFlashSize;
            std::memset(t.flash.data() + start, 0xFF, kEzSectorSize);
            StartOperation();
        },
        timeoutMs, kByReads);
}

int PageProgram(uint32_t address, const uint8_t* data, uint32_t length, uint32_t timeoutMs) {
    return ProgramPages(
        address, data, length,
        [timeoutMs](uint32_t chunkAddress, const uint8_t* chunk, uint32_t chunkLength) {
            WriteEnable();
            const uint32_t started = CurrentClock().MicroTicks();
            FakeTarget& t = T();
            char text[64];
            std::snprintf(text, sizeof text, "Program 0x%08X %u", chunkAddress, chunkLength);
            t.log.push_back(text);
            t.programmed.emplace_back(chunk, chunk + chunkLength);
            if (t.writeEnabled) {
                for (uint32_t i = 0; i < chunkLength; ++i) {
                    // Within one page, like the flash: the address wraps at the page end.
                    const uint32_t page = chunkAddress & ~(kEzPageSize - 1);
                    const uint32_t at =
                        (page + (chunkAddress + i) % kEzPageSize) % FakeTarget::kFlashSize;
                    t.flash[at] &= chunk[i];
                }
                StartOperation();
            }
            return PollCompletion(ReadStatus, timeoutMs, kByReads, started);
        });
}

int Read(uint32_t address, uint8_t* buffer, uint32_t length) {
    FakeTarget& t = T();
    char text[64];
    std::snprintf(text, sizeof text, "Read 0x%08X %u", address, length);
    t.log.push_back(text);
    const int index = static_cast<int>(t.readCalls++);
    if (t.failReadFrom >= 0 && index >= t.failReadFrom) {
        std::memset(buffer, 0xFF, length);  // what a dead line would shift in
        return 1;
    }
    for (uint32_t i = 0; i < length; ++i) {
        buffer[i] = t.flash[(address + i) % FakeTarget::kFlashSize];
    }
    return 0;
}

int WriteConfig(uint8_t clockRegister, uint8_t* status) {
    WriteEnable();
    FakeTarget& t = T();
    char text[32];
    std::snprintf(text, sizeof text, "WriteConfig 0x%02X", clockRegister);
    t.log.push_back(text);
    t.writeEnabled = false;
    if (!t.noAnswer) {
        t.clockRegister = clockRegister;
        t.configLoaded = true;
    }
    return ReadStatus(status) == 0 && (*status & kEzStatusConfigLoaded) != 0 ? 0 : 1;
}

const AdapterOps kFakeOps = {Enter,       Leave, ReadStatus,  WriteEnable, BulkErase,
                             PageProgram, Read,  WriteConfig, SectorErase};

}  // namespace

FakeTarget& FakeTarget::Instance() {
    static FakeTarget target;
    return target;
}

const AdapterOps& FakeTarget::Ops() {
    return kFakeOps;
}

void FakeTarget::Reset() {
    *this = FakeTarget();
    flash.assign(kFlashSize, 0xFF);
}

std::vector<std::string> FakeTarget::LogOf(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : log) {
        if (line.rfind(prefix, 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

}  // namespace brivel::testing
