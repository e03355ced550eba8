// Modelled time of whole programming runs (sector erase, program, verify) and of reading the
// setup areas, through each transport: the real FTDI and USB programmer adapters under the
// core's passes, over their emulators, on a model clock.
//
// The model keeps two time lines in microseconds: the host's and the device's (the FTDI chip
// or the programmer's firmware with the EzPort wire behind it).
// - Bytes sent are shifted after whatever the device is still shifting, 8 us per EzPort byte
//   (1 MHz); the emulator runs them at the moment the last of them is out, so a page program
//   starts its busy time after its own bytes, and the host does not wait for the shifting:
//   the FT2232's 384-byte buffer takes each of these writes whole, and the programmer takes a
//   request whole before it answers.
// - Waiting for an answer costs one USB round trip after the device is done: an FTDI bytes-
//   waiting poll, a USB programmer request (its reply). 1000 us models a full-speed device
//   (1 ms frames, the FTDI latency timer at 1 ms), 125 us a high-speed one (micro-frames).
// - Sleeps of the adapter (reset pulses, paced status polls) pass on the host's line.
// - The flash takes 20 ms per sector erase, 100 ms per bulk erase and 2 ms per 256-byte page
//   (see bench/README.md for the source of these figures).
//
// Counters per run: round_trips (answers waited for), writes (FTDI writes, USB requests),
// bytes_out/bytes_in over USB, wire_bytes on the EzPort, model_ms, floor_ms and ratio
// (model_ms / floor_ms). floor_ms is the wire time of the bytes the passes cannot do without
// (a 2048-byte blank check of every touched sector, each data byte programmed once and read
// back once; for a read, each byte read once) plus the flash's own erase and program time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
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
#include "core/clock.h"
#include "core/console.h"
#include "core/file_check.h"
#include "core/passes.h"
#include "core/progress_bar.h"
#include "core/record_image.h"
#include "core/testing/srec_text.h"
#include "core/testing/temp_folder.h"

namespace brivel {
namespace {

struct Area {
    uint32_t address;
    uint32_t length;
};

const std::vector<Area> kSetupFile = {{0x3E800, 1500}, {0x3F000, 900}, {0x3F800, 300}};
const std::vector<Area> kWholeFlash = {{0x0, EzPortFlash::kSize}};
const FlashTiming kTiming{2, 20, 100};
constexpr uint64_t kWireUsPerByte = 8;
constexpr uint32_t kSetupAreasStart = 0x3E800;
constexpr uint32_t kSetupAreasLength = 0x1800;

class ModelClock : public Clock {
public:
    uint32_t TickCount() override { return static_cast<uint32_t>(Now() / 1000); }
    void Sleep(uint32_t ms) override { m_hostUs += uint64_t{ms} * 1000; }
    uint32_t MicroTicks() override { return static_cast<uint32_t>(Now()); }
    void SleepMicroseconds(uint32_t us) override { m_hostUs += us; }

    // Bytes of wireUs reach the device: run() is the emulator taking them, at the moment the
    // last of them is out on the wire.
    template <typename Run>
    auto Shift(uint64_t wireUs, Run run) {
        m_deviceUs = std::max(m_deviceUs, m_hostUs) + wireUs;
        m_inDevice = true;
        auto result = run();
        m_inDevice = false;
        return result;
    }
    // The host waits for an answer: it comes one round trip after the device is done.
    void Answer(uint64_t roundTripUs) { m_hostUs = std::max(m_hostUs, m_deviceUs) + roundTripUs; }
    uint64_t HostUs() const { return m_hostUs; }

private:
    uint64_t Now() const { return m_inDevice ? m_deviceUs : m_hostUs; }

    uint64_t m_hostUs = 0;
    uint64_t m_deviceUs = 0;
    bool m_inDevice = false;
};

// EzPort bytes that an MPSSE stream clocks: the data of 0x11, the count of 0x24.
uint64_t MpsseWireBytes(const uint8_t* data, uint32_t length) {
    uint64_t wire = 0;
    for (uint32_t at = 0; at < length;) {
        const uint8_t opcode = data[at];
        const uint32_t n = at + 2 < length ? (data[at + 1] | data[at + 2] << 8) + 1u : 0;
        if (opcode == 0x11) {
            wire += n;
            at += 3 + n;
        } else if (opcode == 0x24) {
            wire += n;
            at += 3;
        } else if (opcode == 0x80 || opcode == 0x82 || opcode == 0x86) {
            at += 3;
        } else {
            at += 1;
        }
    }
    return wire;
}

// EzPort bytes that a USB programmer request shifts: the count of every shift item.
uint64_t RequestWireBytes(const uint8_t* data, uint32_t length) {
    uint64_t wire = 0;
    for (uint32_t at = 0; at + 4 <= length;) {
        const uint32_t count = static_cast<uint32_t>(data[at + 2] << 8 | data[at + 3]);
        const bool shift = data[at] == 0x00;
        const bool dataFollows = shift && (data[at + 1] & 0x08) != 0;
        wire += shift ? count : 0;
        at += 4 + (dataFollows ? count : 0);
    }
    return wire;
}

class TimedD2xx : public testing::ForwardingD2xx {
public:
    TimedD2xx(MpsseEmulator& inner, ModelClock& clock, uint64_t roundTripUs)
        : ForwardingD2xx(inner), m_clock(clock), m_roundTripUs(roundTripUs) {}
    FtStatus GetQueueStatus(uint32_t* waiting) override {
        ++roundTrips;
        m_clock.Answer(m_roundTripUs);
        return ForwardingD2xx::GetQueueStatus(waiting);
    }
    FtStatus Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
        ++writes;
        return m_clock.Shift(MpsseWireBytes(data, length) * kWireUsPerByte,
                             [&] { return ForwardingD2xx::Write(data, length, written); });
    }

    uint64_t roundTrips = 0;
    uint64_t writes = 0;

private:
    ModelClock& m_clock;
    uint64_t m_roundTripUs;
};

class TimedUsbPipes : public UsbPipes {
public:
    TimedUsbPipes(UsbProgrammerEmulator& inner, ModelClock& clock, uint64_t roundTripUs)
        : m_inner(inner), m_clock(clock), m_roundTripUs(roundTripUs) {}
    bool SetPipePolicy(uint8_t pipe, uint32_t policy, uint8_t value) override {
        return m_inner.SetPipePolicy(pipe, policy, value);
    }
    bool GetDescriptor(uint8_t type, uint8_t index, uint16_t language, uint8_t* buffer,
                       uint32_t length, uint32_t* transferred) override {
        return m_inner.GetDescriptor(type, index, language, buffer, length, transferred);
    }
    // The link reads the reply right after each request: one round trip per request.
    bool WritePipe(uint8_t pipe, const uint8_t* data, uint32_t length, uint32_t* written,
                   uint32_t timeoutMs) override {
        ++roundTrips;
        ++writes;
        const bool ok = m_clock.Shift(RequestWireBytes(data, length) * kWireUsPerByte, [&] {
            return m_inner.WritePipe(pipe, data, length, written, timeoutMs);
        });
        m_clock.Answer(m_roundTripUs);
        return ok;
    }
    bool ReadPipe(uint8_t pipe, uint8_t* buffer, uint32_t length, uint32_t* read,
                  uint32_t timeoutMs) override {
        return m_inner.ReadPipe(pipe, buffer, length, read, timeoutMs);
    }

    uint64_t roundTrips = 0;
    uint64_t writes = 0;

private:
    UsbProgrammerEmulator& m_inner;
    ModelClock& m_clock;
    uint64_t m_roundTripUs;
};

class NullConsole : public Console {
protected:
    void Write(std::string_view) override {}
};

// The areas as S3 records in a file of the folder; "" when it cannot be written.
std::string WriteS19(const testing::TempFolder& folder, const std::vector<Area>& areas) {
    std::string text;
    for (const Area& area : areas) {
        std::vector<uint8_t> data(area.length);
        for (uint32_t i = 0; i < area.length; ++i) {
            data[i] = static_cast<uint8_t>((area.address + i) * 13 >> 2 & 0xFF);
        }
        text += testing::S3Records(area.address, data);
    }
    try {
        return folder.Write("image.s19", text);
    } catch (const std::runtime_error&) {
        return "";
    }
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

double FloorMs(const std::vector<Area>& areas) {
    uint64_t sectors = 0;
    uint64_t pages = 0;
    uint64_t data = 0;
    for (const Area& area : areas) {
        sectors += (area.address + area.length + 2047) / 2048 - area.address / 2048;
        pages += (area.address + area.length + 255) / 256 - area.address / 256;
        data += area.length;
    }
    const double wireMs =
        static_cast<double>((sectors * 2048 + 2 * data) * kWireUsPerByte) / 1000.0;
    return wireMs +
           static_cast<double>(sectors * kTiming.sectorEraseMs + pages * kTiming.pageProgramMs);
}

// One emulated target with the adapter of one kind under the model, entered and configured.
struct FtdiTarget {
    explicit FtdiTarget(uint64_t roundTripUs) : timed(emulator, clock, roundTripUs) {
        SetClock(&clock);
        FtdiOpen(timed, 0);
        FtdiSetup();
        kFtdiOps.Enter();
        uint8_t status = 0;
        kFtdiOps.WriteConfig(0x14, &status);
    }
    ~FtdiTarget() {
        kFtdiOps.Leave();
        FtdiClose();
        SetClock(nullptr);
    }
    uint64_t RoundTrips() const { return timed.roundTrips; }
    uint64_t Writes() const { return timed.writes; }

    static constexpr const AdapterOps& kOps = kFtdiOps;
    static constexpr uint32_t kLongestRead = kFtdiLongestRead;
    ModelClock clock;
    EzPortFlash flash{kTiming};
    MpsseEmulator emulator{flash};
    TimedD2xx timed;
};

struct UsbTarget {
    explicit UsbTarget(uint64_t roundTripUs) : timed(emulator, clock, roundTripUs) {
        SetClock(&clock);
        UsbOpen(timed);
        UsbEnable(true);
        kUsbOps.Enter();
        uint8_t status = 0;
        kUsbOps.WriteConfig(0x14, &status);
    }
    ~UsbTarget() {
        kUsbOps.Leave();
        UsbEnable(false);
        UsbClose();
        SetClock(nullptr);
    }
    uint64_t RoundTrips() const { return timed.roundTrips; }
    uint64_t Writes() const { return timed.writes; }

    static constexpr const AdapterOps& kOps = kUsbOps;
    static constexpr uint32_t kLongestRead = kUsbLongestRead;
    ModelClock clock;
    EzPortFlash flash{kTiming};
    UsbProgrammerEmulator emulator{flash};
    TimedUsbPipes timed;
};

struct Traffic {
    uint64_t roundTrips, writes, bytesOut, bytesIn, wireBytes, hostUs;
};

template <typename Target>
Traffic Snapshot(const Target& target) {
    return {target.RoundTrips(),
            target.Writes(),
            target.emulator.BytesToDevice(),
            target.emulator.BytesFromDevice(),
            target.emulator.WireBytes(),
            target.clock.HostUs()};
}

void Report(benchmark::State& state, const Traffic& before, const Traffic& after, double floorMs) {
    const double modelMs = static_cast<double>(after.hostUs - before.hostUs) / 1000.0;
    state.counters["round_trips"] = static_cast<double>(after.roundTrips - before.roundTrips);
    state.counters["writes"] = static_cast<double>(after.writes - before.writes);
    state.counters["bytes_out"] = static_cast<double>(after.bytesOut - before.bytesOut);
    state.counters["bytes_in"] = static_cast<double>(after.bytesIn - before.bytesIn);
    state.counters["wire_bytes"] = static_cast<double>(after.wireBytes - before.wireBytes);
    state.counters["model_ms"] = modelMs;
    state.counters["floor_ms"] = floorMs;
    state.counters["ratio"] = modelMs / floorMs;
}

template <typename Target>
void BM_Run(benchmark::State& state, const std::vector<Area>* areas) {
    const testing::TempFolder folder;
    const std::string path = WriteS19(folder, *areas);
    if (path.empty()) {
        state.SkipWithError("cannot write the S-record file");
        return;
    }
    Target target(static_cast<uint64_t>(state.range(0)));
    NullConsole console;
    Traffic before{}, after{};
    for (auto _ : state) {
        PrepareFlash(target.flash, *areas);
        // Read and checked once, then the passes run from that copy, as in the program.
        RecordImage image;
        if (CheckRecordFile(path, EzPortFlash::kSize, image).check != FileCheck::kOk) {
            state.SkipWithError("cannot read the S-record file");
            return;
        }
        before = Snapshot(target);
        ProgressBar progress(console);
        progress.Start(20, 1);
        const bool ok = EraseSectors(Target::kOps, image, console) == 0 &&
                        TransferImage(Target::kOps, image, false, progress, console) == 0 &&
                        TransferImage(Target::kOps, image, true, progress, console) == 0;
        if (!ok) {
            state.SkipWithError("run failed");
            return;
        }
        after = Snapshot(target);
    }
    Report(state, before, after, FloorMs(*areas));
}

// brivel -rs: the 6 KiB of setup areas in the adapter's longest reads.
template <typename Target>
void BM_ReadSetupAreas(benchmark::State& state) {
    Target target(static_cast<uint64_t>(state.range(0)));
    NullConsole console;
    std::vector<uint8_t> contents(kSetupAreasLength);
    Traffic before{}, after{};
    for (auto _ : state) {
        before = Snapshot(target);
        ProgressBar progress(console);
        progress.Start(20, kSetupAreasLength);
        if (ReadFlash(Target::kOps, kSetupAreasStart, contents.data(), kSetupAreasLength,
                      Target::kLongestRead, progress, console) != 0) {
            state.SkipWithError("read failed");
            return;
        }
        after = Snapshot(target);
    }
    Report(state, before, after, static_cast<double>(kSetupAreasLength * kWireUsPerByte) / 1000.0);
}

void BM_FtdiRun(benchmark::State& state, const std::vector<Area>* areas) {
    BM_Run<FtdiTarget>(state, areas);
}

void BM_UsbRun(benchmark::State& state, const std::vector<Area>* areas) {
    BM_Run<UsbTarget>(state, areas);
}

// The argument: microseconds per round trip (1000 full speed, 125 high speed).
BENCHMARK_CAPTURE(BM_FtdiRun, setup_file, &kSetupFile)->Arg(1000)->Arg(125)->Iterations(3);
BENCHMARK_CAPTURE(BM_FtdiRun, whole_flash, &kWholeFlash)->Arg(1000)->Arg(125)->Iterations(1);
BENCHMARK_CAPTURE(BM_UsbRun, setup_file, &kSetupFile)->Arg(1000)->Arg(125)->Iterations(3);
BENCHMARK_CAPTURE(BM_UsbRun, whole_flash, &kWholeFlash)->Arg(1000)->Arg(125)->Iterations(1);
BENCHMARK_TEMPLATE(BM_ReadSetupAreas, FtdiTarget)->Arg(1000)->Arg(125)->Iterations(3);
BENCHMARK_TEMPLATE(BM_ReadSetupAreas, UsbTarget)->Arg(1000)->Arg(125)->Iterations(3);

}  // namespace
}  // namespace brivel

BENCHMARK_MAIN();
