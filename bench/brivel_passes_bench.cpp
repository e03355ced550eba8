// Cost of a programming run over the simulated target: the erase, program and verify passes
// of brivel's core driving the real FTDI and USB adapter code over their emulators. Besides
// the host time, each case reports what the pass puts on the wire: EzPort frames as the flash
// model counts them, status reads (FTDI), USB transfers and EzPort bytes, and the time those
// bytes take at the 1 MHz EzPort clock (8 us a byte). The flash model finishes every erase
// and program at once, so the completion polls are the least a run needs: one each.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "adapters/d2xx.h"
#include "adapters/ezport_flash.h"
#include "adapters/ftdi_adapter.h"
#include "adapters/mpsse_emulator.h"
#include "adapters/testing/forwarding_d2xx.h"
#include "adapters/usb_programmer.h"
#include "adapters/usb_programmer_emulator.h"
#include "core/console.h"
#include "core/ezport.h"
#include "core/file_check.h"
#include "core/passes.h"
#include "core/progress_bar.h"
#include "core/record_image.h"
#include "core/testing/srec_text.h"
#include "core/testing/temp_folder.h"
#include "core/testing/virtual_clock.h"

namespace brivel {
namespace {

struct Area {
    uint32_t address;
    uint32_t length;
};

// The setup file's three areas, and a whole 256 KiB image.
const std::vector<Area> kSetupAreas = {{0x3E800, 1500}, {0x3F000, 900}, {0x3F800, 300}};
const std::vector<Area> kFullImage = {{0x0, 256 * 1024}};

// The areas as S3 records in a file of the folder; "" when it cannot be written.
std::string WriteImageFile(const testing::TempFolder& folder, const std::vector<Area>& areas) {
    std::string text;
    for (const Area& area : areas) {
        std::vector<uint8_t> data(area.length);
        for (uint32_t i = 0; i < area.length; ++i) {
            data[i] = static_cast<uint8_t>((area.address + i) * 7 & 0xFF);
        }
        text += testing::S3Records(area.address, data);
    }
    try {
        return folder.Write("image.s19", text);
    } catch (const std::runtime_error&) {
        return "";
    }
}

// Counts the status frames the FTDI adapter sends (0x05 clocked out, one byte clocked in).
class PollCountingD2xx : public testing::ForwardingD2xx {
public:
    using ForwardingD2xx::ForwardingD2xx;
    FtStatus Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
        static const uint8_t kStatusFrame[] = {0x11, 0x00, 0x00, kEzCmdReadStatus, 0x24};
        if (length >= sizeof kStatusFrame &&
            std::equal(kStatusFrame, kStatusFrame + sizeof kStatusFrame, data)) {
            ++polls;
        }
        return ForwardingD2xx::Write(data, length, written);
    }

    uint64_t polls = 0;
};

class NullConsole : public Console {
protected:
    void Write(std::string_view) override {}
};

enum Pass { kErase, kProgram, kVerify };

// Runs one pass; the flash is prepared so that the pass does its full work (sectors hold
// data for the erase pass, are erased for programming, hold the image for verifying).
int RunPass(const AdapterOps& ops, RecordSource& records, Pass pass, Console& console) {
    ProgressBar progress(console);
    progress.Start(20, 1);
    switch (pass) {
        case kErase:
            return EraseSectors(ops, records, console);
        case kProgram:
            return TransferImage(ops, records, false, progress, console);
        case kVerify:
            return TransferImage(ops, records, true, progress, console);
    }
    return -1;
}

void Prepare(EzPortFlash& flash, const std::vector<Area>& areas, Pass pass, const AdapterOps& ops,
             RecordSource& records, Console& console) {
    std::fill(flash.Memory().begin(), flash.Memory().end(), pass == kErase ? 0x00 : 0xFF);
    if (pass == kVerify) {
        RunPass(ops, records, kProgram, console);
    }
    (void)areas;
}

void ReportWire(benchmark::State& state, uint64_t frames, uint64_t polls, uint64_t transfers,
                uint64_t wireBytes) {
    state.counters["frames"] = static_cast<double>(frames);
    if (polls != 0) {
        state.counters["status_reads"] = static_cast<double>(polls);
    }
    state.counters["usb_transfers"] = static_cast<double>(transfers);
    state.counters["wire_bytes"] = static_cast<double>(wireBytes);
    state.counters["wire_ms_at_1MHz"] = static_cast<double>(wireBytes) * 8.0 / 1000.0;
}

void BM_FtdiPass(benchmark::State& state, const std::vector<Area>* areas, Pass pass) {
    VirtualClock clock;
    ScopedClock scoped(clock);
    EzPortFlash flash(FlashTiming{0, 0, 0});
    MpsseEmulator emulator(flash);
    PollCountingD2xx counting(emulator);
    FtdiOpen(counting, 0);
    FtdiSetup();
    kFtdiOps.Enter();
    uint8_t status = 0;
    kFtdiOps.WriteConfig(0x14, &status);
    const testing::TempFolder folder;
    const std::string path = WriteImageFile(folder, *areas);
    // The passes run from the checked copy in memory, as in the program.
    RecordImage image;
    if (path.empty() || CheckRecordFile(path, EzPortFlash::kSize, image).check != FileCheck::kOk) {
        state.SkipWithError("cannot write the S-record file");
        return;
    }
    NullConsole console;
    uint64_t frames = 0, polls = 0, transfers = 0, wire = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Prepare(flash, *areas, pass, kFtdiOps, image, console);
        const uint64_t frames0 = flash.FrameCount(), polls0 = counting.polls,
                       transfers0 = emulator.UsbTransfers(), wire0 = emulator.WireBytes();
        state.ResumeTiming();
        if (RunPass(kFtdiOps, image, pass, console) != 0) {
            state.SkipWithError("pass failed");
            break;
        }
        frames = flash.FrameCount() - frames0;
        polls = counting.polls - polls0;
        transfers = emulator.UsbTransfers() - transfers0;
        wire = emulator.WireBytes() - wire0;
    }
    ReportWire(state, frames, polls, transfers, wire);
    kFtdiOps.Leave();
    FtdiClose();
}

void BM_UsbPass(benchmark::State& state, const std::vector<Area>* areas, Pass pass) {
    VirtualClock clock;
    ScopedClock scoped(clock);
    EzPortFlash flash(FlashTiming{0, 0, 0});
    UsbProgrammerEmulator emulator(flash);
    UsbOpen(emulator);
    UsbEnable(true);
    kUsbOps.Enter();
    uint8_t status = 0;
    kUsbOps.WriteConfig(0x14, &status);
    const testing::TempFolder folder;
    const std::string path = WriteImageFile(folder, *areas);
    // The passes run from the checked copy in memory, as in the program.
    RecordImage image;
    if (path.empty() || CheckRecordFile(path, EzPortFlash::kSize, image).check != FileCheck::kOk) {
        state.SkipWithError("cannot write the S-record file");
        return;
    }
    NullConsole console;
    uint64_t frames = 0, transfers = 0, wire = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Prepare(flash, *areas, pass, kUsbOps, image, console);
        const uint64_t frames0 = flash.FrameCount(), transfers0 = emulator.UsbTransfers(),
                       wire0 = emulator.WireBytes();
        state.ResumeTiming();
        if (RunPass(kUsbOps, image, pass, console) != 0) {
            state.SkipWithError("pass failed");
            break;
        }
        frames = flash.FrameCount() - frames0;
        transfers = emulator.UsbTransfers() - transfers0;
        wire = emulator.WireBytes() - wire0;
    }
    ReportWire(state, frames, 0, transfers, wire);
    kUsbOps.Leave();
    UsbEnable(false);
    UsbClose();
}

BENCHMARK_CAPTURE(BM_FtdiPass, setup_erase, &kSetupAreas, kErase);
BENCHMARK_CAPTURE(BM_FtdiPass, setup_program, &kSetupAreas, kProgram);
BENCHMARK_CAPTURE(BM_FtdiPass, setup_verify, &kSetupAreas, kVerify);
BENCHMARK_CAPTURE(BM_FtdiPass, full_erase, &kFullImage, kErase);
BENCHMARK_CAPTURE(BM_FtdiPass, full_program, &kFullImage, kProgram);
BENCHMARK_CAPTURE(BM_FtdiPass, full_verify, &kFullImage, kVerify);
BENCHMARK_CAPTURE(BM_UsbPass, setup_erase, &kSetupAreas, kErase);
BENCHMARK_CAPTURE(BM_UsbPass, setup_program, &kSetupAreas, kProgram);
BENCHMARK_CAPTURE(BM_UsbPass, setup_verify, &kSetupAreas, kVerify);
BENCHMARK_CAPTURE(BM_UsbPass, full_erase, &kFullImage, kErase);
BENCHMARK_CAPTURE(BM_UsbPass, full_program, &kFullImage, kProgram);
BENCHMARK_CAPTURE(BM_UsbPass, full_verify, &kFullImage, kVerify);

}  // namespace
}  // namespace brivel

BENCHMARK_MAIN();
