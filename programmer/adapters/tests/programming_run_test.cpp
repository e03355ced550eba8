// Whole programming runs of brivel's main flow through each transport's emulator: the real
// adapter code under the core's passes, with the flash model checked against srec_cat's
// binary image of the same S-record file, and every injected fault ending the run with -1.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "adapters/backends.h"
#include "adapters/ezport_flash.h"
#include "adapters/mpsse_emulator.h"
#include "adapters/testing/d2xx_faults.h"
#include "adapters/testing/emulated_backend.h"
#include "adapters/testing/usb_faults.h"
#include "adapters/usb_programmer_emulator.h"
#include "core/console.h"
#include "core/cp1251.h"
#include "core/main_flow.h"
#include "core/messages.h"
#include "core/testing/temp_folder.h"
#include "core/testing/virtual_clock.h"

namespace brivel {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::EmulatedBackend;
using testing::ReadFileBytes;
using testing::ShellQuote;
using testing::TempFolder;

// A setup-sized file: three areas at the configurator's addresses, made into S3 records by
// srec_cat, and the 256 KiB image srec_cat makes of the same file.
struct SetupFile {
    std::string s19;
    Bytes image;
};

SetupFile MakeSetupFile(const TempFolder& folder) {
    const uint32_t addresses[] = {0x3E800, 0x3F000, 0x3F800};
    const uint32_t lengths[] = {1500, 900, 301};
    std::string command = "srec_cat";
    for (int i = 0; i < 3; ++i) {
        Bytes area(lengths[i]);
        for (size_t j = 0; j < area.size(); ++j) {
            area[j] = static_cast<uint8_t>((j * 31 + i * 7 + 1) ^ (j >> 3));
        }
        const std::string bin = folder.Write("area" + std::to_string(i) + ".bin", area);
        command.append(" ").append(ShellQuote(bin)).append(" -binary -offset ");
        command.append(std::to_string(addresses[i]));
    }
    SetupFile file{folder.File("setup.s19"), {}};
    const std::string image = folder.File("image.bin");
    command += " -o " + ShellQuote(file.s19) + " -motorola -address-length=4 && srec_cat " +
               ShellQuote(file.s19) + " -motorola -fill 0xFF 0 0x40000 -o " + ShellQuote(image) +
               " -binary";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    file.image = ReadFileBytes(image);
    return file;
}

enum class Transport { kFtdi, kUsb };

// One target with both adapters' emulators and decorators; a run uses one of them.
struct Bench {
    explicit Bench(Transport transport) : transport(transport) {}

    int Run(const std::vector<std::string>& args) {
        console.Clear();
        const BackendFactory factory = [this](const std::string&, BackendError&) {
            return transport == Transport::kFtdi
                       ? std::make_unique<EmulatedBackend>(&faultyFtdi, nullptr)
                       : std::make_unique<EmulatedBackend>(nullptr, &faultyUsb);
        };
        return RunProgrammer(args, factory, console);
    }
    std::string DeviceArgument() const {
        return transport == Transport::kFtdi ? "-Pftdi-emulator" : "-Pusb-emulator";
    }
    uint32_t Calls() const {
        return transport == Transport::kFtdi ? faultyFtdi.WriteCalls() : faultyUsb.Requests();
    }

    Transport transport;
    VirtualClock clock;
    ScopedClock scope{clock};
    EzPortFlash flash;
    MpsseEmulator mpsse{flash};
    FaultyD2xx faultyFtdi{mpsse, &flash};
    UsbProgrammerEmulator usb{flash};
    FaultyUsbPipes faultyUsb{usb, &flash};
    StringConsole console{"UTF-8"};
};

const char* Name(Transport transport) {
    return transport == Transport::kFtdi ? "FTDI" : "USB";
}

void PrintTo(Transport transport, std::ostream* out) {
    *out << Name(transport);
}

class ProgrammingRunTest : public ::testing::TestWithParam<Transport> {
protected:
    void SetUp() override { m_bench.clock.SetTickStep(1); }
    TempFolder m_folder;
    Bench m_bench{GetParam()};
};

TEST_P(ProgrammingRunTest, ProgramsAndVerifiesTheSetupFileIntoTheFlash) {
    const SetupFile file = MakeSetupFile(m_folder);
    ASSERT_EQ(file.image.size(), EzPortFlash::kSize);
    // Stale data in the touched sectors must be erased; elsewhere it must stay.
    std::fill(m_bench.flash.Memory().begin() + 0x3E000, m_bench.flash.Memory().end(), 0x00);
    Bytes expected = file.image;
    std::fill(expected.begin() + 0x3E000, expected.begin() + 0x3E800, 0x00);

    const int status = m_bench.Run({m_bench.DeviceArgument(), "-w", file.s19, "-v"});
    const std::string& out = m_bench.console.Text();
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Программируем 2701 байт.\r\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Проверяем 2701 байт.\r\n"), std::string::npos) << out;
    EXPECT_TRUE(m_bench.flash.Memory() == expected);
    EXPECT_FALSE(m_bench.flash.InEzPortMode());

    // A second run finds the sectors programmed and compares only.
    EXPECT_EQ(m_bench.Run({m_bench.DeviceArgument(), "-w", file.s19, "-vo"}), 0)
        << m_bench.console.Text();
}

TEST_P(ProgrammingRunTest, EveryInjectedFaultEndsTheRunWithFailure) {
    const SetupFile file = MakeSetupFile(m_folder);
    const std::vector<std::string> args = {m_bench.DeviceArgument(), "-w", file.s19, "-v"};
    ASSERT_EQ(m_bench.Run(args), 0);
    const uint32_t calls = m_bench.Calls();

    struct Fault {
        const char* name;
        FtdiFault ftdi;
        UsbFault usb;
        bool targetFault;  // harmless once nothing is erased or programmed any more
    };
    const Fault faults[] = {
        {"no answer", FtdiFault::kNoAnswer, UsbFault::kNoAnswer, false},
        {"failing write", FtdiFault::kFailingWrite, UsbFault::kFailingWrite, false},
        {"short read", FtdiFault::kShortRead, UsbFault::kShortRead, false},
        {"status 0xFF", FtdiFault::kStatusFF, UsbFault::kStatusFF, false},
        {"queue status fails", FtdiFault::kFailingQueueStatus, UsbFault::kWrongFirstByte, false},
        {"wrong count", FtdiFault::kNone, UsbFault::kWrongCount, false},
        {"bytes left over", FtdiFault::kNone, UsbFault::kLeftover, false},
        {"stuck busy", FtdiFault::kStuckBusy, UsbFault::kStuckBusy, true},
        {"write error", FtdiFault::kWriteError, UsbFault::kWriteError, true},
    };
    for (const Fault& fault : faults) {
        const bool ftdi = GetParam() == Transport::kFtdi;
        if (ftdi && fault.ftdi == FtdiFault::kNone) {
            continue;
        }
        // Early (clock configuration), during the erase and program passes, and for the
        // link faults also late in the run (verify).
        std::vector<uint32_t> atCalls = {1, calls / 4, calls / 2};
        if (!fault.targetFault) {
            atCalls.push_back(calls * 5 / 6);
        }
        for (uint32_t at : atCalls) {
            Bench bench(GetParam());
            bench.clock.SetTickStep(1);
            if (ftdi) {
                bench.faultyFtdi.Arm(fault.ftdi, at);
            } else {
                bench.faultyUsb.Arm(fault.usb, at);
            }
            const int status = bench.Run(args);
            const std::string& out = bench.console.Text();
            const bool fired = ftdi ? bench.faultyFtdi.Fired() : bench.faultyUsb.Fired();
            ASSERT_TRUE(fired) << fault.name << " at " << at;
            EXPECT_EQ(status, -1) << fault.name << " at " << at << "\n" << out;
            const bool aborted =
                out.find("Ошибка! Проверьте подключение программатора.\r\n") != std::string::npos ||
                out.find("Ошибка! ") != std::string::npos ||
                out.find("\r\nОшибка ") != std::string::npos;
            EXPECT_TRUE(aborted) << fault.name << " at " << at << "\n" << out;
            // Bounded waits: well under a minute of (virtual) time for the whole run.
            EXPECT_LT(bench.clock.Now(), 300000u) << fault.name << " at " << at;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Transports, ProgrammingRunTest,
                         ::testing::Values(Transport::kFtdi, Transport::kUsb),
                         [](const auto& info) { return std::string(Name(info.param)); });

class SimulatedBackendTest : public ::testing::Test {
protected:
    void SetUp() override { m_clock.SetTickStep(1); }
    int RunBrivel(const std::vector<std::string>& args) {
        m_console.Clear();
        const BackendFactory factory = [](const std::string& name, BackendError& error) {
            return MakeSimulatedBackend(name, error);
        };
        return RunProgrammer(args, factory, m_console);
    }
    TempFolder m_folder;
    VirtualClock m_clock;
    ScopedClock m_scope{m_clock};
    StringConsole m_console{"UTF-8"};
};

TEST_F(SimulatedBackendTest, KeepsTheFlashInItsFileAcrossRuns) {
    const SetupFile file = MakeSetupFile(m_folder);
    for (const std::string kind : {"ftdi", "usb"}) {
        const std::string flash = m_folder.File("flash-" + kind + ".bin");
        const std::string device = "-Psim-" + kind + ":" + flash;
        EXPECT_EQ(RunBrivel({device, "-w", file.s19, "-v"}), 0) << m_console.Text();
        EXPECT_EQ(ReadFileBytes(flash), file.image) << kind;
        EXPECT_EQ(RunBrivel({device, "-w", file.s19, "-vo"}), 0) << m_console.Text();
        EXPECT_EQ(RunBrivel({device, "-b"}), 0) << m_console.Text();
        EXPECT_EQ(ReadFileBytes(flash), Bytes(EzPortFlash::kSize, 0xFF)) << kind;
    }
}

// The program holds its texts in Windows-1251 from compile time on; the table's are UTF-8.
std::string ToWindows1251(std::string_view utf8) {
    std::string bytes;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const int byte = Cp1251FromCodePoint(DecodeUtf8(utf8, pos));
        bytes += static_cast<char>(byte < 0 ? '?' : byte);
    }
    return bytes;
}

// The simulated target's own words go through the console's conversion like every other
// text (here to KOI8-R); the file name and the system's reason pass as they are.
TEST_F(SimulatedBackendTest, FlashFilesItCannotUseAreRefusedWithTheRealReason) {
    const std::string shortFile = m_folder.Write("short_flash.bin", Bytes(100, 0xFF));
    const std::string folder = m_folder.File("folder");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string missing = m_folder.File("no/such/flash.bin");
    struct Case {
        std::string device;
        const char* text;  // UTF-8 here, Windows-1251 in the program
        std::string detail;
    };
    const Case cases[] = {
        {"sim-usb:", "Не задан файл памяти имитатора: ", "sim-usb:FILE"},
        {"sim-ftdi:" + shortFile,
         "Файл памяти имитатора должен иметь размер 262144 байт: ", "\"" + shortFile + "\""},
        {"sim-ftdi:" + folder, "Не удается прочитать файл памяти имитатора ",
         "\"" + folder + "\": " + std::strerror(EISDIR)},
        {"sim-usb:" + missing, "Не удается сохранить файл памяти имитатора ",
         "\"" + missing + "\": " + std::strerror(ENOENT)},
    };
    for (const Case& c : cases) {
        StringConsole console("KOI8-R");
        const BackendFactory factory = [](const std::string& name, BackendError& error) {
            return MakeSimulatedBackend(name, error);
        };
        EXPECT_EQ(RunProgrammer({"-P" + c.device, "-b"}, factory, console), -1) << c.device;
        StringConsole expected("KOI8-R");
        expected.Print(msg::kBanner);
        expected.Print(msg::kUsingProgrammer);
        expected.PrintNative(c.device + "\r\n");
        expected.Print(msg::kNoAccess);
        expected.Print(ToWindows1251(c.text));
        expected.PrintNative(c.detail + "\n");
        EXPECT_EQ(console.Text(), expected.Text()) << c.device;
    }
    EXPECT_EQ(ReadFileBytes(shortFile).size(), 100u);  // left as it was
    BackendError error;
    EXPECT_EQ(MakeSimulatedBackend("FTDI_04036010_A", error), nullptr);
    EXPECT_TRUE(error.Empty());
}

TEST_F(SimulatedBackendTest, CreatesAMissingFlashFileErased) {
    const std::string flash = m_folder.File("new_flash.bin");
    BackendError error;
    auto backend = MakeSimulatedBackend("sim-usb:" + flash, error);
    ASSERT_NE(backend, nullptr) << error.detail;
    EXPECT_EQ(ReadFileBytes(flash), Bytes(EzPortFlash::kSize, 0xFF));
    EXPECT_TRUE(backend->Finish(error)) << error.detail;
}

}  // namespace
}  // namespace brivel
