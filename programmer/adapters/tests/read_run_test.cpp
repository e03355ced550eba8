// brivel -r and -rs through each transport's emulator: the real adapter code reads the flash
// in the largest blocks its Read takes, sends nothing that writes, and the file it leaves is
// one that srec_info accepts and srec_cat turns back into the flash byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "adapters/backends.h"
#include "adapters/ezport_flash.h"
#include "adapters/mpsse_emulator.h"
#include "adapters/testing/emulated_backend.h"
#include "adapters/usb_programmer_emulator.h"
#include "core/console.h"
#include "core/main_flow.h"
#include "core/testing/temp_folder.h"
#include "core/testing/virtual_clock.h"

namespace brivel {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::EmulatedBackend;
using testing::ReadFileBytes;
using testing::ShellQuote;
using testing::TempFolder;

enum class Transport { kFtdi, kUsb };

const char* Name(Transport transport) {
    return transport == Transport::kFtdi ? "FTDI" : "USB";
}

void PrintTo(Transport transport, std::ostream* out) {
    *out << Name(transport);
}

// No byte value missing and no run of 0xFF: a read that drops, repeats or floats shows.
Bytes Pattern() {
    Bytes flash(EzPortFlash::kSize);
    for (uint32_t i = 0; i < flash.size(); ++i) {
        flash[i] = static_cast<uint8_t>((i * 31 + (i >> 8) * 17) % 251);
    }
    return flash;
}

// How often needle occurs in the bytes of all the chunks laid end to end.
size_t Occurrences(const std::vector<Bytes>& chunks, const Bytes& needle) {
    Bytes all;
    for (const Bytes& chunk : chunks) {
        all.insert(all.end(), chunk.begin(), chunk.end());
    }
    size_t count = 0;
    for (auto at = all.begin();
         (at = std::search(at, all.end(), needle.begin(), needle.end())) != all.end(); ++at) {
        ++count;
    }
    return count;
}

class ReadRun : public ::testing::TestWithParam<Transport> {
protected:
    void SetUp() override { m_clock.SetTickStep(1); }

    int Run(const std::vector<std::string>& args) {
        m_console.Clear();
        const bool ftdi = GetParam() == Transport::kFtdi;
        const BackendFactory factory = [&](const std::string&, BackendError&) {
            return std::make_unique<EmulatedBackend>(ftdi ? &m_mpsse : nullptr,
                                                     ftdi ? nullptr : &m_usb);
        };
        return RunProgrammer(args, factory, m_console);
    }
    // srec_cat's binary image of an S-record file, from its lowest address on.
    Bytes Binary(const std::string& s19, uint32_t lowest) {
        const std::string bin = m_folder.File("back.bin");
        const std::string command = "srec_info " + ShellQuote(s19) + " > /dev/null && srec_cat " +
                                    ShellQuote(s19) + " -offset -" + std::to_string(lowest) +
                                    " -o " + ShellQuote(bin) + " -binary";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return ReadFileBytes(bin);
    }

    TempFolder m_folder;
    VirtualClock m_clock;
    ScopedClock m_scope{m_clock};
    EzPortFlash m_flash;
    MpsseEmulator m_mpsse{m_flash};
    UsbProgrammerEmulator m_usb{m_flash};
    StringConsole m_console{"UTF-8"};
};

TEST_P(ReadRun, ReadsTheWholeFlashInTheLongestBlocksWithoutAWriteCommand) {
    m_flash.Memory() = Pattern();
    const std::string out = m_folder.File("flash.s19");
    ASSERT_EQ(Run({"-Pemulator", "-r", out}), 0) << m_console.Text();
    EXPECT_EQ(m_flash.WriteCommandCount(), 0u);
    EXPECT_EQ(m_flash.EraseCount() + m_flash.ProgramCount(), 0u);
    EXPECT_TRUE(m_flash.Memory() == Pattern());
    EXPECT_TRUE(Binary(out, 0) == Pattern());
    if (GetParam() == Transport::kFtdi) {
        // 0x24 with 65535 (n - 1) clocks in 65536 bytes: four frames for 256 KiB.
        for (const uint8_t high : {0x00, 0x01, 0x02, 0x03}) {
            EXPECT_EQ(Occurrences(m_mpsse.Writes(),
                                  {0x11, 0x03, 0x00, 0x03, high, 0x00, 0x00, 0x24, 0xFF, 0xFF}),
                      1u)
                << int{high};
        }
    } else {
        // A capture item counts 65535 bytes at most: four of them and the last 4 bytes.
        EXPECT_EQ(Occurrences(m_usb.Requests(), {0x00, 0x10, 0xFF, 0xFF}), 4u);
        EXPECT_EQ(Occurrences(m_usb.Requests(), {0x03, 0x03, 0xFF, 0xFC, 0x00, 0x10, 0x00, 0x04}),
                  1u);
    }
}

TEST_P(ReadRun, ReadsTheSetupAreasOfTheSimulatedTargetAndLeavesItsFileAsItWas) {
    const std::string flash = m_folder.Write("flash.bin", Pattern());
    const std::string out = m_folder.File("setup.s19");
    const std::string device =
        std::string(GetParam() == Transport::kFtdi ? "-Psim-ftdi:" : "-Psim-usb:") + flash;
    const BackendFactory factory = [](const std::string& name, BackendError& error) {
        return MakeSimulatedBackend(name, error);
    };
    ASSERT_EQ(RunProgrammer({device, "-rs", out}, factory, m_console), 0) << m_console.Text();
    EXPECT_TRUE(ReadFileBytes(flash) == Pattern());
    const std::string compare =
        "srec_cmp " + ShellQuote(out) + " " + ShellQuote(flash) + " -binary -crop 0x3E800 0x40000";
    EXPECT_EQ(std::system(compare.c_str()), 0) << compare;
    const Bytes pattern = Pattern();
    EXPECT_TRUE(Binary(out, 0x3E800) == Bytes(pattern.begin() + 0x3E800, pattern.end()));
}

INSTANTIATE_TEST_SUITE_P(Transports, ReadRun, ::testing::Values(Transport::kFtdi, Transport::kUsb),
                         [](const auto& info) { return std::string(Name(info.param)); });

}  // namespace
}  // namespace brivel
