// USB traffic and modelled time of a whole programming run (sector erase, program, verify)
// through each transport: the real FTDI and USB programmer adapters under the core's passes,
// over their emulators. Every USB round trip costs 1 ms and every EzPort byte 8 us (1 MHz) of
// virtual time, and the flash takes realistic times to erase (20 ms a sector) and program
// (1 ms a page), so the status polls come out as a real run would need them.
//
// Counters per run: round_trips (FTDI: writes and bytes-waiting polls; USB programmer: one
// request and its reply), usb_transfers (bulk transfers of any kind), bytes_out/bytes_in
// over USB, wire_bytes on the EzPort, model_ms (the virtual time of the run), wire_ms, and
// lower_bound_ms: the wire time of the bytes the passes cannot do without (a 2048-byte
// blank check of every touched sector, each data byte programmed once and read back once)
// plus the flash's own erase and program time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "adapters/d2xx.h"
#include "adapters/ezport_flash.h"
#include "adapters/ftdi_adapter.h"
#include "adapters/mpsse_emulator.h"
#include "adapters/testing/forwarding_d2xx.h"
#include "adapters/usb_pipes.h"
#include "adapters/usb_programmer.h"
#include "adapters/usb_programmer_emulator.h"
#include "core/console.h"
#include "core/file_check.h"
#include "core/passes.h"
#include "core/progress_bar.h"
#include "core/record_image.h"
#include "core/testing/temp_folder.h"
#include "core/testing/virtual_clock.h"

namespace brivel {
namespace {

struct Area {
    uint32_t address;
    uint32_t length;
};

const std::vector<Area> kSetupFile = {{0x3E800, 1500}, {0x3F000, 900}, {0x3F800, 300}};
const std::vector<Area> kWholeFlash = {{0x0, EzPortFlash::kSize}};
const FlashTiming kTiming{1, 20, 100};
constexpr uint32_t kRoundTripMs = 1;

// The areas as S3 records in a file of the folder; "" when it cannot be written.
std::string WriteS19(const testing::TempFolder& folder, const std::vector<Area>& areas) {
    const std::string path = folder.File("image.s19");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return "";
    }
    for (const Area& area : areas) {
        for (uint32_t at = 0; at < area.length; at += 32) {
            const uint32_t n = area.length - at < 32 ? area.length - at : 32;
            const uint32_t address = area.address + at;
            unsigned sum = n + 5 + (address >> 24) + (address >> 16 & 0xFF) +
                           (address >> 8 & 0xFF) + (address & 0xFF);
            std::fprintf(file, "S3%02X%08X", n + 5, address);
            for (uint32_t i = 0; i < n; ++i) {
                const unsigned byte = (address + i) * 13 >> 2 & 0xFF;
                sum += byte;
                std::fprintf(file, "%02X", byte);
            }
            std::fprintf(file, "%02X\r\n", ~sum & 0xFF);
        }
    }
    const bool written = std::ferror(file) == 0;
    return std::fclose(file) == 0 && written ? path : "";
}

// Charges the clock with the EzPort wire time the emulator has clocked so far.
class WireTime {
public:
    void Charge(uint64_t wireBytes) {
        m_microseconds += (wireBytes - m_charged) * 8;
        m_charged = wireBytes;
        CurrentClock().Sleep(static_cast<uint32_t>(m_microseconds / 1000));
        m_microseconds %= 1000;
    }

private:
    uint64_t m_charged = 0;
    uint64_t m_microseconds = 0;
};

class TimedD2xx : public testing::ForwardingD2xx {
public:
    explicit TimedD2xx(MpsseEmulator& inner) : ForwardingD2xx(inner), m_emulator(inner) {}
    FtStatus GetQueueStatus(uint32_t* waiting) override {
        RoundTrip();
        return ForwardingD2xx::GetQueueStatus(waiting);
    }
    FtStatus Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
        const FtStatus status = ForwardingD2xx::Write(data, length, written);
        RoundTrip();
        return status;
    }

    uint64_t roundTrips = 0;

private:
    void RoundTrip() {
        ++roundTrips;
        CurrentClock().Sleep(kRoundTripMs);
        m_wire.Charge(m_emulator.WireBytes());
    }
    MpsseEmulator& m_emulator;
    WireTime m_wire;
};

class TimedUsbPipes : public UsbPipes {
public:
    explicit TimedUsbPipes(UsbProgrammerEmulator& inner) : m_inner(inner) {}
    bool SetPipePolicy(uint8_t pipe, uint32_t policy, uint8_t value) override {
        return m_inner.SetPipePolicy(pipe, policy, value);
    }
    bool GetDescriptor(uint8_t type, uint8_t index, uint16_t language, uint8_t* buffer,
                       uint32_t length, uint32_t* transferred) override {
        return m_inner.GetDescriptor(type, index, language, buffer, length, transferred);
    }
    bool WritePipe(uint8_t pipe, const uint8_t* data, uint32_t length, uint32_t* written,
                   uint32_t timeoutMs) override {
        const bool ok = m_inner.WritePipe(pipe, data, length, written, timeoutMs);
        ++roundTrips;
        CurrentClock().Sleep(kRoundTripMs);
        m_wire.Charge(m_inner.WireBytes());
        return ok;
    }
    bool ReadPipe(uint8_t pipe, uint8_t* buffer, uint32_t length, uint32_t* read,
                  uint32_t timeoutMs) override {
        return m_inner.ReadPipe(pipe, buffer, length, read, timeoutMs);
    }

    uint64_t roundTrips = 0;

private:
    UsbProgrammerEmulator& m_inner;
    WireTime m_wire;
};

class NullConsole : public Console {
protected:
    void Write(std::string_view) override {}
};

struct Traffic {
    uint64_t roundTrips, transfers, bytesOut, bytesIn, wireBytes;
};

template <typename Emulator, typename Timed>
Traffic Snapshot(const Emulator& emulator, const Timed& timed) {
    return {timed.roundTrips, emulator.UsbTransfers(), emulator.BytesToDevice(),
            emulator.BytesFromDevice(), emulator.WireBytes()};
}

// Sectors holding old data, as when a setup is programmed again: every touched sector is
// read, found not blank and erased.
void PrepareFlash(EzPortFlash& flash, const std::vector<Area>& areas) {
    std::fill(flash.Memory().begin(), flash.Memory().end(), 0xFF);
    for (const Area& area : areas) {
        const uint32_t first = area.address / 2048 * 2048;
        const uint32_t end = (area.address + area.length + 2047) / 2048 * 2048;
        std::fill(flash.Memory().begin() + first, flash.Memory().begin() + end, 0x00);
    }
}

double LowerBoundMs(const std::vector<Area>& areas) {
    uint64_t sectors = 0;
    uint64_t pages = 0;
    uint64_t data = 0;
    for (const Area& area : areas) {
        sectors += (area.address + area.length + 2047) / 2048 - area.address / 2048;
        pages += (area.address + area.length + 255) / 256 - area.address / 256;
        data += area.length;
    }
    const double wireMs = static_cast<double>(sectors * 2048 + 2 * data) * 8.0 / 1000.0;
    return wireMs +
           static_cast<double>(sectors * kTiming.sectorEraseMs + pages * kTiming.pageProgramMs);
}

template <typename Emulator, typename Timed>
void RunTransport(benchmark::State& state, const std::vector<Area>& areas, Emulator& emulator,
                  Timed& timed, const AdapterOps& ops, EzPortFlash& flash, VirtualClock& clock) {
    const testing::TempFolder folder;
    const std::string path = WriteS19(folder, areas);
    if (path.empty()) {
        state.SkipWithError("cannot write the S-record file");
        return;
    }
    NullConsole console;
    Traffic used{};
    uint32_t modelMs = 0;
    for (auto _ : state) {
        PrepareFlash(flash, areas);
        // Read and checked once, then the passes run from that copy, as in the program.
        RecordImage image;
        if (CheckRecordFile(path, EzPortFlash::kSize, image).check != FileCheck::kOk) {
            state.SkipWithError("cannot read the S-record file");
            return;
        }
        const Traffic before = Snapshot(emulator, timed);
        const uint32_t start = clock.Now();
        ProgressBar progress(console);
        progress.Start(20, 1);
        const bool ok = EraseSectors(ops, image, console) == 0 &&
                        TransferImage(ops, image, false, progress, console) == 0 &&
                        TransferImage(ops, image, true, progress, console) == 0;
        if (!ok) {
            state.SkipWithError("run failed");
            return;
        }
        modelMs = clock.Now() - start;
        const Traffic after = Snapshot(emulator, timed);
        used = {after.roundTrips - before.roundTrips, after.transfers - before.transfers,
                after.bytesOut - before.bytesOut, after.bytesIn - before.bytesIn,
                after.wireBytes - before.wireBytes};
    }
    state.counters["round_trips"] = static_cast<double>(used.roundTrips);
    state.counters["usb_transfers"] = static_cast<double>(used.transfers);
    state.counters["bytes_out"] = static_cast<double>(used.bytesOut);
    state.counters["bytes_in"] = static_cast<double>(used.bytesIn);
    state.counters["wire_bytes"] = static_cast<double>(used.wireBytes);
    state.counters["wire_ms"] = static_cast<double>(used.wireBytes) * 8.0 / 1000.0;
    state.counters["model_ms"] = modelMs;
    state.counters["lower_bound_ms"] = LowerBoundMs(areas);
}

void BM_FtdiRun(benchmark::State& state, const std::vector<Area>* areas) {
    VirtualClock clock;
    ScopedClock scoped(clock);
    EzPortFlash flash(kTiming);
    MpsseEmulator emulator(flash);
    TimedD2xx timed(emulator);
    FtdiOpen(timed, 0);
    FtdiSetup();
    kFtdiOps.Enter();
    uint8_t status = 0;
    kFtdiOps.WriteConfig(0x14, &status);
    RunTransport(state, *areas, emulator, timed, kFtdiOps, flash, clock);
    kFtdiOps.Leave();
    FtdiClose();
}

void BM_UsbRun(benchmark::State& state, const std::vector<Area>* areas) {
    VirtualClock clock;
    ScopedClock scoped(clock);
    EzPortFlash flash(kTiming);
    UsbProgrammerEmulator emulator(flash);
    TimedUsbPipes timed(emulator);
    UsbOpen(timed);
    UsbEnable(true);
    kUsbOps.Enter();
    uint8_t status = 0;
    kUsbOps.WriteConfig(0x14, &status);
    RunTransport(state, *areas, emulator, timed, kUsbOps, flash, clock);
    kUsbOps.Leave();
    UsbEnable(false);
    UsbClose();
}

BENCHMARK_CAPTURE(BM_FtdiRun, setup_file, &kSetupFile)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_FtdiRun, whole_flash, &kWholeFlash)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_UsbRun, setup_file, &kSetupFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_UsbRun, whole_flash, &kWholeFlash)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace brivel

BENCHMARK_MAIN();
