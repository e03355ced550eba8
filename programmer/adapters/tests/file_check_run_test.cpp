// Whole brivel runs that must never end with "ok" for a flash that does not hold the file:
// files the check refuses leave the simulated target's flash file byte for byte as it was,
// the passes program what was checked even when the file changes meanwhile, and nothing is
// sent to an adapter after a refused file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "adapters/backends.h"
#include "adapters/ezport_flash.h"
#include "adapters/mpsse_emulator.h"
#include "adapters/testing/emulated_backend.h"
#include "adapters/testing/forwarding_d2xx.h"
#include "adapters/testing/usb_faults.h"
#include "adapters/usb_programmer_emulator.h"
#include "core/console.h"
#include "core/main_flow.h"
#include "core/testing/srec_text.h"
#include "core/testing/temp_folder.h"
#include "core/testing/virtual_clock.h"

namespace brivel {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::Counting;
using testing::EmulatedBackend;
using testing::ReadFileBytes;
using testing::S3Records;
using testing::ShellQuote;
using testing::TempFolder;

enum class Transport { kFtdi, kUsb };

const char* Name(Transport transport) {
    return transport == Transport::kFtdi ? "FTDI" : "USB";
}

void PrintTo(Transport transport, std::ostream* out) {
    *out << Name(transport);
}

std::string OutsideFlash(const char* address) {
    return std::string("Запись по адресу ") + address +
           " выходит за пределы флэш-памяти микроконтроллера (256 КБ).\r\n";
}

const std::string kS1S2 =
    "Файл содержит данные в записях S1 или S2, а программируются только записи S3.\r\n"
    "Преобразуйте файл, например: srec_cat in.srec -o out.s19 -address-length=4\r\n";

// A file of the table: S-record text written here, or made by srec_cat from its arguments
// (with the output file appended).
struct FileCase {
    const char* name;
    std::string text;
    std::string srecCat;
    const char* recordType;  // "S1", "S2" or "S3": what srec_cat must have written
    std::string refusal;     // the message; "" for a file that is programmed
    uint32_t dataAddress = 0;
    Bytes data = {};  // what a programmed file puts at dataAddress
};

// Bytes 1 2 3 4 5 1 2 ... as srec_cat's -repeat-data 1 2 3 4 5 writes them.
Bytes Repeating(std::size_t length) {
    Bytes data(length);
    for (std::size_t i = 0; i < length; ++i) {
        data[i] = static_cast<uint8_t>(i % 5 + 1);
    }
    return data;
}

const FileCase kFiles[] = {
    {"last 16 bytes of the flash", S3Records(0x3FFF0, Counting(16)), "", "", "", 0x3FFF0,
     Counting(16)},
    {"one byte past the flash", S3Records(0x3FFF0, Counting(17)), "", "",
     OutsideFlash("0x0003FFF0")},
    {"first address past the flash", S3Records(0x40000, Counting(16)), "", "",
     OutsideFlash("0x00040000")},
    {"past the 24-bit address", S3Records(0x01000000, Counting(16)), "", "",
     OutsideFlash("0x01000000")},
    {"ColdFire RAM", S3Records(0x20000000, Counting(16)), "", "", OutsideFlash("0x20000000")},
    {"S2 image of srec_cat", "", "-generate 0x3E800 0x3F000 -repeat-data 1 2 3 4 5 -o", "S2",
     kS1S2},
    {"S1 image of srec_cat", "",
     "-generate 0x1000 0x1100 -repeat-data 1 2 3 4 5 -o {} -address-length=2", "S1", kS1S2},
    {"S3 image of srec_cat", "",
     "-generate 0x3E800 0x3F000 -repeat-data 1 2 3 4 5 -o {} -address-length=4", "S3", "", 0x3E800,
     Repeating(0x800)},
};

// The flash file before each run: old code at 0x700 and stale data in the last sector.
Bytes InitialFlash() {
    Bytes flash(EzPortFlash::kSize, 0xFF);
    const char code[] = "CODE";
    std::copy(code, code + 4, flash.begin() + 0x700);
    std::fill(flash.begin() + 0x3F800, flash.end(), 0x00);
    return flash;
}

class SimulatedFileCheck : public ::testing::TestWithParam<Transport> {
protected:
    void SetUp() override { m_clock.SetTickStep(1); }

    std::string MakeFile(const FileCase& c) {
        const std::string path = m_folder.File("image.s19");
        if (c.srecCat.empty()) {
            return m_folder.Write("image.s19", c.text);
        }
        std::string arguments = c.srecCat;
        const std::size_t slot = arguments.find("{}");
        if (slot == std::string::npos) {
            arguments += " " + ShellQuote(path);
        } else {
            arguments.replace(slot, 2, ShellQuote(path));
        }
        const std::string command = "srec_cat " + arguments;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        const Bytes made = ReadFileBytes(path);
        const std::string text(made.begin(), made.end());
        EXPECT_NE(text.find(std::string("\n") + c.recordType), std::string::npos)
            << c.name << ": srec_cat wrote\n"
            << text.substr(0, 200);
        return path;
    }

    TempFolder m_folder;
    VirtualClock m_clock;
    ScopedClock m_scope{m_clock};
};

TEST_P(SimulatedFileCheck, RefusedFilesLeaveTheFlashFileAsItWas) {
    const std::string flash = m_folder.Write("flash.bin", InitialFlash());
    const std::string device =
        std::string(GetParam() == Transport::kFtdi ? "-Psim-ftdi:" : "-Psim-usb:") + flash;
    const BackendFactory factory = [](const std::string& name, BackendError& error) {
        return MakeSimulatedBackend(name, error);
    };
    for (const FileCase& c : kFiles) {
        const std::string file = MakeFile(c);
        StringConsole console("UTF-8");
        const int status = RunProgrammer({device, "-w", file, "-v"}, factory, console);
        const std::string& out = console.Text();
        Bytes expected = InitialFlash();
        if (c.refusal.empty()) {
            EXPECT_EQ(status, 0) << c.name << "\n" << out;
            EXPECT_NE(out.find("Проверяем " + std::to_string(c.data.size()) + " байт.\r\n"),
                      std::string::npos)
                << c.name << "\n"
                << out;
            // Every touched sector is erased, then the data programmed.
            const uint32_t sector = c.dataAddress & ~0x7FFu;
            const uint32_t end =
                (c.dataAddress + static_cast<uint32_t>(c.data.size()) + 0x7FF) & ~0x7FFu;
            std::fill(expected.begin() + sector, expected.begin() + end, 0xFF);
            std::copy(c.data.begin(), c.data.end(), expected.begin() + c.dataAddress);
        } else {
            EXPECT_EQ(status, -1) << c.name << "\n" << out;
            ASSERT_GE(out.size(), c.refusal.size()) << c.name << "\n" << out;
            EXPECT_EQ(out.substr(out.size() - c.refusal.size()), c.refusal) << c.name;
            EXPECT_EQ(out.find("Fclk"), std::string::npos) << c.name << "\n" << out;
        }
        EXPECT_TRUE(ReadFileBytes(flash) == expected) << c.name;
        m_folder.Write("flash.bin", InitialFlash());
    }
}

INSTANTIATE_TEST_SUITE_P(Transports, SimulatedFileCheck,
                         ::testing::Values(Transport::kFtdi, Transport::kUsb),
                         [](const auto& info) { return std::string(Name(info.param)); });

// Records every D2XX call after the device was opened.
class CallLog : public testing::ForwardingD2xx {
public:
    using ForwardingD2xx::ForwardingD2xx;
    FtStatus Open(int index) override {
        calls.push_back("Open");
        return ForwardingD2xx::Open(index);
    }
    FtStatus ResetDevice() override { return Note("ResetDevice", ForwardingD2xx::ResetDevice()); }
    FtStatus Purge(uint32_t mask) override { return Note("Purge", ForwardingD2xx::Purge(mask)); }
    FtStatus SetBitMode(uint8_t mask, uint8_t mode) override {
        return Note("SetBitMode", ForwardingD2xx::SetBitMode(mask, mode));
    }
    FtStatus Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
        return Note("Write", ForwardingD2xx::Write(data, length, written));
    }
    FtStatus Read(uint8_t* buffer, uint32_t length, uint32_t* read) override {
        return Note("Read", ForwardingD2xx::Read(buffer, length, read));
    }
    void Close() override {
        calls.push_back("Close");
        ForwardingD2xx::Close();
    }

    std::vector<std::string> calls;

private:
    FtStatus Note(const char* call, FtStatus status) {
        calls.push_back(call);
        return status;
    }
};

// One emulated target under the main flow; the hook runs when the run sets the adapter up,
// after the file check and before the first pass.
struct Target {
    explicit Target(Transport transport) : transport(transport) { clock.SetTickStep(1); }

    int Run(const std::vector<std::string>& args, std::function<void()> atSetup = {}) {
        console.Clear();
        const BackendFactory factory = [&](const std::string&, BackendError&) {
            return std::make_unique<HookedBackend>(transport == Transport::kFtdi ? &log : nullptr,
                                                   transport == Transport::kUsb ? &pipes : nullptr,
                                                   atSetup);
        };
        return RunProgrammer(args, factory, console);
    }

    class HookedBackend : public EmulatedBackend {
    public:
        HookedBackend(D2xx* ftdi, UsbPipes* usb, std::function<void()> atSetup)
            : EmulatedBackend(ftdi, usb), m_atSetup(std::move(atSetup)) {}
        int SetupFtdi() override {
            Hook();
            return EmulatedBackend::SetupFtdi();
        }
        int UsbEnable(bool on) override {
            if (on) {
                Hook();
            }
            return EmulatedBackend::UsbEnable(on);
        }

    private:
        void Hook() {
            if (m_atSetup) {
                m_atSetup();
            }
        }
        std::function<void()> m_atSetup;
    };

    Transport transport;
    VirtualClock clock;
    ScopedClock scope{clock};
    EzPortFlash flash;
    MpsseEmulator mpsse{flash};
    CallLog log{mpsse};
    UsbProgrammerEmulator usb{flash};
    FaultyUsbPipes pipes{usb, nullptr};  // armed with nothing: counts the requests
    StringConsole console{"UTF-8"};
};

class CheckedCopy : public ::testing::TestWithParam<Transport> {
protected:
    std::string Device() const {
        return GetParam() == Transport::kFtdi ? "-Pftdi-emulator" : "-Pusb-emulator";
    }
    TempFolder m_folder;
};

TEST_P(CheckedCopy, AFileRewrittenAfterTheCheckIsProgrammedAsChecked) {
    const std::string checked = S3Records(0x1000, Counting(64));
    const std::string rewritten = S3Records(0x1000, Counting(64, 0x80)) +
                                  S3Records(0x2000, Counting(32)) + S3Records(0x20000000, {1});
    const std::string file = m_folder.Write("image.s19", checked);
    Target target(GetParam());
    const int status =
        target.Run({Device(), "-w", file, "-v"}, [&] { m_folder.Write("image.s19", rewritten); });
    const std::string& out = target.console.Text();
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(ReadFileBytes(file), Bytes(rewritten.begin(), rewritten.end()));  // it did change
    EXPECT_NE(out.find("Программируем 64 байт.\r\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Проверяем 64 байт.\r\n"), std::string::npos) << out;
    const Bytes& memory = target.flash.Memory();
    EXPECT_EQ(Bytes(memory.begin() + 0x1000, memory.begin() + 0x1040), Counting(64));
    EXPECT_EQ(Bytes(memory.begin() + 0x2000, memory.begin() + 0x2020), Bytes(32, 0xFF));
    EXPECT_EQ(Bytes(memory.begin(), memory.begin() + 0x10), Bytes(16, 0xFF));
}

TEST_P(CheckedCopy, NothingReachesTheAdapterAfterARefusedFile) {
    const std::string file = m_folder.Write("image.s19", S3Records(0x40000, Counting(16)));
    Target target(GetParam());
    EXPECT_EQ(target.Run({Device(), "-w", file, "-v"}), -1) << target.console.Text();
    if (GetParam() == Transport::kFtdi) {
        // Opened and closed: no MPSSE set-up, no pin command, no purge.
        EXPECT_EQ(target.log.calls, (std::vector<std::string>{"Open", "Close"}));
    } else {
        EXPECT_EQ(target.pipes.Requests(), 0u);
    }
    EXPECT_EQ(target.flash.FrameCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Transports, CheckedCopy,
                         ::testing::Values(Transport::kFtdi, Transport::kUsb),
                         [](const auto& info) { return std::string(Name(info.param)); });

}  // namespace
}  // namespace brivel
