// Fault campaign: whole brivel runs over each transport's emulator, with one fault injected at
// the first, a middle and the last call of every adapter operation. A fault either lasts from
// that call to the end of the run (the adapter or target is gone for good) or only for that
// one call (a glitch).
//
// What every run must show: it ends within a bounded (virtual) time; a run that fails ends
// with exit status -1 and the message of the step that failed, with no success line after the
// fault; a run that ends with 0 has the file's bytes in the flash, verified. A lasting fault
// fails the run unless nothing it breaks is used any more (Leave, or a target fault during
// the verify pass, which reads only).
//
// The test prints the table of faults x outcome (run the test binary with
// --gtest_filter='FaultCampaign*' to see it).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "adapters/ezport_flash.h"
#include "adapters/mpsse_emulator.h"
#include "adapters/testing/d2xx_faults.h"
#include "adapters/testing/emulated_backend.h"
#include "adapters/testing/usb_faults.h"
#include "adapters/usb_programmer.h"
#include "adapters/usb_programmer_emulator.h"
#include "core/console.h"
#include "core/main_flow.h"
#include "core/testing/srec_text.h"
#include "core/testing/temp_folder.h"
#include "core/testing/virtual_clock.h"

namespace brivel {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::EmulatedBackend;
using testing::TempFolder;

enum class Transport { kFtdi, kUsb };

enum Op {
    kEnter,
    kLeave,
    kReadStatus,
    kWriteEnable,
    kBulkErase,
    kPageProgram,
    kRead,
    kWriteConfig,
    kSectorErase,
    kOpCount
};

constexpr std::array<const char*, kOpCount> kOpNames = {
    "Enter",       "Leave", "ReadStatus",  "WriteEnable", "BulkErase",
    "PageProgram", "Read",  "WriteConfig", "SectorErase"};

// One kind of fault as each decorator injects it; kNone where a transport has no such fault.
struct Fault {
    const char* name;
    FtdiFault ftdi;
    UsbFault usb;
    bool target;  // a fault of the flash itself, not of the link
};

const Fault kFaults[] = {
    {"no answer", FtdiFault::kNoAnswer, UsbFault::kNoAnswer, false},
    {"status 0xFF", FtdiFault::kStatusFF, UsbFault::kStatusFF, true},
    {"stuck busy", FtdiFault::kStuckBusy, UsbFault::kStuckBusy, true},
    {"write error flag", FtdiFault::kWriteError, UsbFault::kWriteError, true},
    {"failing transfer", FtdiFault::kFailingWrite, UsbFault::kFailingWrite, false},
    {"failing queue status", FtdiFault::kFailingQueueStatus, UsbFault::kNone, false},
    {"malformed: bad-command echo", FtdiFault::kBadCommandEcho, UsbFault::kNone, false},
    {"malformed: first byte", FtdiFault::kNone, UsbFault::kWrongFirstByte, false},
    {"malformed: count", FtdiFault::kNone, UsbFault::kWrongCount, false},
    {"malformed: left over", FtdiFault::kNone, UsbFault::kLeftover, false},
    {"short read", FtdiFault::kShortRead, UsbFault::kShortRead, false},
};

// The setup file of the campaign: a meter-area sized block, and a block that crosses from the
// external into the local area's sector, so that three sectors are erased, one page program is
// split at a page boundary and the data hold no 0xFF byte (a silent target never verifies).
struct Block {
    uint32_t address;
    uint32_t length;
};
constexpr Block kBlocks[] = {{0x3E800, 600}, {0x3F7C0, 300}};
constexpr uint32_t kStaleStart = 0x3E800;
constexpr uint32_t kStaleEnd = 0x40000;

uint8_t DataByte(uint32_t address) {
    return static_cast<uint8_t>(address * 7 % 251);
}

std::string WriteSetupFile(const TempFolder& folder) {
    std::string text;
    for (const Block& block : kBlocks) {
        Bytes data(block.length);
        for (uint32_t i = 0; i < block.length; ++i) {
            data[i] = DataByte(block.address + i);
        }
        text += testing::S3Records(block.address, data);
    }
    return folder.Write("campaign.s19", text);
}

// Each call of an operation, as the main flow made it: the number of the first transport call
// it made (FTDI write, USB request; counted from 1), how many it made, and how much had been
// printed when it began.
struct OpCall {
    uint32_t firstCall;
    uint32_t calls;
    size_t printed;
};

// Stands between the main flow and the real adapter table and notes every call.
struct Recorder {
    const AdapterOps* inner = nullptr;
    std::function<uint32_t()> transportCalls;
    const StringConsole* console = nullptr;
    std::array<std::vector<OpCall>, kOpCount> calls;
};
Recorder* g_recorder = nullptr;

OpCall Begin() {
    return {g_recorder->transportCalls() + 1, 0, g_recorder->console->Text().size()};
}

void End(Op op, OpCall call) {
    call.calls = g_recorder->transportCalls() + 1 - call.firstCall;
    if (call.calls > 0) {
        g_recorder->calls[op].push_back(call);
    }
}

const AdapterOps kRecordingOps = {
    [] {
        const OpCall call = Begin();
        g_recorder->inner->Enter();
        End(kEnter, call);
    },
    [] {
        const OpCall call = Begin();
        g_recorder->inner->Leave();
        End(kLeave, call);
    },
    [](uint8_t* status) {
        const OpCall call = Begin();
        const int result = g_recorder->inner->ReadStatus(status);
        End(kReadStatus, call);
        return result;
    },
    [] {
        const OpCall call = Begin();
        const int result = g_recorder->inner->WriteEnable();
        End(kWriteEnable, call);
        return result;
    },
    [](uint32_t timeoutMs) {
        const OpCall call = Begin();
        const int result = g_recorder->inner->BulkErase(timeoutMs);
        End(kBulkErase, call);
        return result;
    },
    [](uint32_t address, const uint8_t* data, uint32_t length, uint32_t timeoutMs) {
        const OpCall call = Begin();
        const int result = g_recorder->inner->PageProgram(address, data, length, timeoutMs);
        End(kPageProgram, call);
        return result;
    },
    [](uint32_t address, uint8_t* buffer, uint32_t length) {
        const OpCall call = Begin();
        const int result = g_recorder->inner->Read(address, buffer, length);
        End(kRead, call);
        return result;
    },
    [](uint8_t clockRegister, uint8_t* status) {
        const OpCall call = Begin();
        const int result = g_recorder->inner->WriteConfig(clockRegister, status);
        End(kWriteConfig, call);
        return result;
    },
    [](uint32_t address, uint32_t timeoutMs) {
        const OpCall call = Begin();
        const int result = g_recorder->inner->SectorErase(address, timeoutMs);
        End(kSectorErase, call);
        return result;
    },
};

// Puts the recorder between the main flow and the adapter's table.
const AdapterOps& Recording(const AdapterOps& adapterOps) {
    g_recorder->inner = &adapterOps;
    return kRecordingOps;
}

struct RunResult {
    int status = 0;
    std::string out;
    uint32_t virtualMs = 0;
    bool fired = false;
    bool flashRight = false;
    Recorder recorder;
};

// One run on a fresh target whose touched sectors hold stale data.
RunResult RunOnce(Transport transport, const std::vector<std::string>& args, const Fault* fault,
                  uint32_t atCall, uint32_t count) {
    VirtualClock clock;
    clock.SetTickStep(1);
    ScopedClock scope(clock);
    EzPortFlash flash;
    std::fill(flash.Memory().begin() + kStaleStart, flash.Memory().begin() + kStaleEnd, 0x00);
    MpsseEmulator mpsse(flash);
    FaultyD2xx faultyFtdi(mpsse, &flash);
    UsbProgrammerEmulator usb(flash);
    FaultyUsbPipes faultyUsb(usb, &flash);
    StringConsole console("UTF-8");
    SetUsbNoteSink([&console](const std::string& note) { console.PrintNative(note); });

    RunResult result;
    const bool ftdi = transport == Transport::kFtdi;
    if (fault != nullptr) {
        if (ftdi) {
            faultyFtdi.Arm(fault->ftdi, atCall, count);
        } else {
            faultyUsb.Arm(fault->usb, atCall, count);
        }
    }
    result.recorder.console = &console;
    result.recorder.transportCalls = [&] {
        return ftdi ? faultyFtdi.WriteCalls() : faultyUsb.Requests();
    };
    g_recorder = &result.recorder;
    const BackendFactory factory = [&](const std::string&, BackendError&) {
        return ftdi ? std::make_unique<EmulatedBackend>(&faultyFtdi, nullptr, Recording)
                    : std::make_unique<EmulatedBackend>(nullptr, &faultyUsb, Recording);
    };
    result.status = RunProgrammer(args, factory, console);
    g_recorder = nullptr;
    result.recorder.transportCalls = nullptr;
    result.recorder.console = nullptr;
    SetUsbNoteSink(nullptr);

    result.out = console.Text();
    result.virtualMs = clock.Now();
    result.fired = ftdi ? faultyFtdi.Fired() : faultyUsb.Fired();
    Bytes expected(EzPortFlash::kSize, 0xFF);
    std::fill(expected.begin() + kStaleStart, expected.begin() + kStaleEnd, 0x00);
    // Erased sectors: every one the file touches.
    std::fill(expected.begin() + 0x3E800, expected.end(), 0xFF);
    for (const Block& block : kBlocks) {
        for (uint32_t i = 0; i < block.length; ++i) {
            expected[block.address + i] = DataByte(block.address + i);
        }
    }
    result.flashRight = flash.Memory() == expected;
    return result;
}

bool Has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// Matches pattern against text from `at` to its end: '#' stands for one or more decimal
// digits (the first such run is kept in number), 'H' for one upper-case hexadecimal digit and
// '~' for one or more characters other than a double quote, CR and LF; everything else for
// itself. (A hand-made matcher: std::regex trips GCC's maybe-uninitialized warning under the
// sanitizers.)
bool MatchFrom(std::string_view text, std::string_view pattern, std::string& number) {
    if (pattern.empty()) {
        return text.empty();
    }
    const char p = pattern.front();
    if (p == '#' || p == '~') {
        const auto fits = [p](char c) {
            return p == '#' ? c >= '0' && c <= '9' : c != '"' && c != '\r' && c != '\n';
        };
        for (std::size_t n = 1; n <= text.size() && fits(text[n - 1]); ++n) {
            if (MatchFrom(text.substr(n), pattern.substr(1), number)) {
                if (p == '#' && number.empty()) {
                    number = std::string(text.substr(0, n));
                }
                return true;
            }
        }
        return false;
    }
    if (text.empty()) {
        return false;
    }
    const bool same = p == 'H'
                          ? (text[0] >= '0' && text[0] <= '9') || (text[0] >= 'A' && text[0] <= 'F')
                          : text[0] == p;
    return same && MatchFrom(text.substr(1), pattern.substr(1), number);
}

// Whether the text ends with something that matches pattern (see MatchFrom).
bool EndsLike(const std::string& text, std::string_view pattern, std::string& number) {
    for (std::size_t at = text.size() + 1; at-- > 0;) {
        number.clear();
        if (MatchFrom(std::string_view(text).substr(at), pattern, number)) {
            return true;
        }
    }
    return false;
}

// Names how a run ended, and says what is wrong with it ("" when nothing). mayPass: the fault
// leaves nothing that a later step needs broken, so exit 0 is right if the flash holds the file.
std::string Judge(const RunResult& run, bool mayPass, std::string& code) {
    const std::string& out = run.out;
    const bool erasing = Has(out, "Стираем сектора...\r\n");
    const bool bulk = Has(out, "Стираем весь объем памяти...");
    const bool programming = Has(out, "Программируем ");
    const bool verifying = Has(out, "Проверяем ");
    if (run.status == 0) {
        code = "ok";
        if (!run.flashRight) {
            return "exit 0 but the flash does not hold the file";
        }
        const size_t verified = out.rfind(" ok...");
        if (!verifying || verified == std::string::npos || verified < out.rfind("Проверяем ")) {
            return "exit 0 without a completed verify pass";
        }
        return mayPass ? "" : "exit 0 although the fault breaks a later step";
    }
    if (run.status != -1) {
        code = "exit " + std::to_string(run.status);
        return "exit status is neither 0 nor -1";
    }
    // The pass that failed is the last one begun; it must not have reported success.
    size_t failingPass = 0;
    for (const char* header : {"Стираем весь объем памяти...", "Стираем сектора...\r\n",
                               "Программируем ", "Проверяем "}) {
        const size_t at = out.rfind(header);
        if (at != std::string::npos) {
            failingPass = std::max(failingPass, at);
        }
    }
    if (out.find(" ok...", failingPass) != std::string::npos ||
        out.find("OK\r\n", failingPass) != std::string::npos) {
        code = "ok-line";
        return "a success line in the pass that failed";
    }
    std::string number;
    if (EndsLike(out, "Ошибка! Проверьте подключение программатора.\r\n\r\n", number)) {
        code = programming ? "conn?" : erasing ? "conn" : bulk ? "cfg2" : "cfg";
        return programming ? "connection message after programming began" : "";
    }
    if (EndsLike(out, "Стираем весь объем памяти...Ошибка! \r\n\r\n", number)) {
        code = "bulk";
        return "";
    }
    if (EndsLike(out, "\tошибка\r\nОшибка! #\r\n\r\n", number)) {
        code = "erase " + number;
        return erasing && !programming ? "" : "sector erase message outside the erase pass";
    }
    if (EndsLike(out, "\r\nОшибка # - \"~\".\r\n\r\n\r\n", number)) {
        code = "prog " + number;
        return programming && !verifying ? "" : "program message outside the program pass";
    }
    if (EndsLike(out, "\r\nОшибка # - \"~\".\r\n\r\n", number)) {
        code = "verify " + number;
        return verifying ? "" : "verify message outside the verify pass";
    }
    if (EndsLike(out, "\r\nОшибка сравнения по адресу 0xHHHHHHHH прочитано 0xHH вместо 0xHH.\r\n",
                 number)) {
        code = "cmp";
        return verifying ? "" : "compare message outside the verify pass";
    }
    code = "??";
    return "the run does not end with a specified message";
}

std::string DeviceArgument(Transport transport) {
    return transport == Transport::kFtdi ? "-Pftdi-emulator" : "-Pusb-emulator";
}

constexpr uint32_t kLasting = UINT32_MAX;

// The sum of every time-out one failing run can meet is far below this: the reset pulses
// (240 ms), a handful of 2 s transfer waits and the 5 s page-program poll at most once.
constexpr uint32_t kBoundMs = 60000;

void RunCampaign(bool lasting) {
    const TempFolder folder;
    const std::string file = WriteSetupFile(folder);
    const auto sectorArgs = [&](Transport t) {
        return std::vector<std::string>{DeviceArgument(t), "-w", file, "-v"};
    };
    const auto bulkArgs = [&](Transport t) {
        return std::vector<std::string>{DeviceArgument(t), "-b", "-w", file, "-v"};
    };
    const Transport transports[] = {Transport::kFtdi, Transport::kUsb};
    const char* kPositions[] = {"first", "middle", "last"};

    std::map<Transport, std::map<bool, RunResult>> clean;
    for (Transport t : transports) {
        for (bool bulk : {false, true}) {
            RunResult run = RunOnce(t, bulk ? bulkArgs(t) : sectorArgs(t), nullptr, 0, 0);
            ASSERT_EQ(run.status, 0) << run.out;
            ASSERT_TRUE(run.flashRight);
            clean[t][bulk] = std::move(run);
        }
    }

    std::ostringstream table;
    table << (lasting ? "Faults lasting from the call to the end of the run"
                      : "Faults of that one call only")
          << "\n(cells: first / middle / last call; ok = exit 0 with the flash verified; "
             "cfg, conn, bulk, erase N, prog N, verify N, cmp = exit -1 with that step's message;"
             " - = the fault never fired; = same call as before)\n";
    char line[256];
    std::snprintf(line, sizeof line, "%-12s %-28s | %-26s | %-26s | %s\n", "operation", "fault",
                  "FTDI", "USB", "max virtual ms");
    table << line;
    int failures = 0;
    for (int op = 0; op < kOpCount; ++op) {
        const bool bulk = op == kBulkErase;
        for (const Fault& fault : kFaults) {
            std::string cells[2];
            uint32_t maxMs = 0;
            for (Transport t : transports) {
                const bool ftdi = t == Transport::kFtdi;
                const std::vector<std::string> args = bulk ? bulkArgs(t) : sectorArgs(t);
                std::string& cell = cells[ftdi ? 0 : 1];
                if ((ftdi ? fault.ftdi == FtdiFault::kNone : fault.usb == UsbFault::kNone)) {
                    cell = "n/a";
                    continue;
                }
                const std::vector<OpCall>& calls = clean[t][bulk].recorder.calls[op];
                if (calls.empty()) {
                    ADD_FAILURE() << kOpNames[op] << " is never called";
                    continue;
                }
                const std::vector<OpCall>& reads = clean[t][bulk].recorder.calls[kRead];
                const uint32_t lastReadEnd =
                    reads.empty() ? 0 : reads.back().firstCall + reads.back().calls - 1;
                const size_t picks[] = {0, calls.size() / 2, calls.size() - 1};
                size_t previous = SIZE_MAX;
                for (int p = 0; p < 3; ++p) {
                    if (p > 0) {
                        cell += " / ";
                    }
                    if (picks[p] == previous) {
                        cell += "=";
                        continue;
                    }
                    previous = picks[p];
                    const OpCall& call = calls[picks[p]];
                    const RunResult run =
                        RunOnce(t, args, &fault, call.firstCall, lasting ? kLasting : call.calls);
                    maxMs = std::max(maxMs, run.virtualMs);
                    std::string code;
                    if (!run.fired) {
                        cell += "-";
                        continue;
                    }
                    // Before the fault both runs printed the same.
                    const bool inVerify =
                        run.out.substr(0, call.printed).find("Проверяем ") != std::string::npos;
                    // A lasting fault is harmless once the last read-back is done, and a busy
                    // or failing flash is harmless while the verify pass only reads.
                    const bool afterLastRead = call.firstCall > lastReadEnd;
                    const bool busyOrWef =
                        fault.ftdi == FtdiFault::kStuckBusy || fault.ftdi == FtdiFault::kWriteError;
                    const bool mayPass = !lasting || afterLastRead || (inVerify && busyOrWef);
                    const std::string problem = Judge(run, mayPass, code);
                    cell += code;
                    const std::string where = std::string(kOpNames[op]) + " " + fault.name +
                                              " at the " + kPositions[p] + " call over " +
                                              (ftdi ? "FTDI" : "USB") +
                                              (lasting ? ", lasting" : ", one call");
                    if (!problem.empty()) {
                        ++failures;
                        ADD_FAILURE() << where << ": " << problem << "\n" << run.out;
                    }
                    if (run.virtualMs >= kBoundMs) {
                        ++failures;
                        ADD_FAILURE() << where << ": took " << run.virtualMs << " virtual ms";
                    }
                }
            }
            std::snprintf(line, sizeof line, "%-12s %-28s | %-26s | %-26s | %u\n", kOpNames[op],
                          fault.name, cells[0].c_str(), cells[1].c_str(), maxMs);
            table << line;
        }
    }
    std::cout << table.str() << std::flush;
    EXPECT_EQ(failures, 0);
}

TEST(FaultCampaign, LastingFaultsFailTheRunWithTheMessageOfTheFailingStep) {
    RunCampaign(true);
}

TEST(FaultCampaign, OneCallGlitchesFailTheRunOrLeaveTheFileVerifiedInTheFlash) {
    RunCampaign(false);
}

}  // namespace
}  // namespace brivel
