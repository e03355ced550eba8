// The brivel program itself, with its unmodified libusb and libftdi1, over an FT2232H and the
// USB programmer that a umockdev testbed fakes below libusb: sysfs, the usbfs nodes and every
// control and bulk transfer, answered by the emulators of the chip and of the programmer's
// firmware. What crosses libusb is what a real adapter would see.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "adapters/testing/umockdev/brivel_process.h"
#include "adapters/testing/umockdev/ft2232h_device.h"
#include "adapters/testing/umockdev/usb_programmer_device.h"
#include "adapters/testing/umockdev/usb_testbed.h"
#include "core/testing/srec_text.h"
#include "core/testing/temp_folder.h"

namespace brivel {
namespace {

using testing::BrivelRun;
using testing::Ft2232hDevice;
using testing::TempFolder;
using testing::UsbNodeFaults;
using testing::UsbProgrammerDevice;
using testing::UsbTestbed;
using Bytes = std::vector<uint8_t>;

constexpr const char* kProgrammerPort = "1-4.2";
constexpr const char* kFtdiPort = "1-3";
constexpr const char* kProgrammerName = "-Pusb:1-4.2:vid_0438&pid_0f10&mi_02";
constexpr const char* kFtdiName = "-PFTDI_04036010_A1B2C3D4A";

// A setup file's shape: the local area at the start of the setup areas and a table two
// sectors on, neither a whole number of pages.
struct Image {
    struct Block {
        uint32_t address;
        Bytes data;
    };
    std::vector<Block> blocks;

    std::string Records() const {
        std::string text = "S0030000FC\r\n";
        for (const Block& block : blocks) {
            text += testing::S3Records(block.address, block.data);
        }
        return text + "S70500000000FA\r\n";
    }
    // The flash as the run must leave it: the image's bytes, 0xFF elsewhere.
    Bytes Flash() const {
        Bytes flash(EzPortFlash::kSize, 0xFF);
        for (const Block& block : blocks) {
            std::copy(block.data.begin(), block.data.end(), flash.begin() + block.address);
        }
        return flash;
    }
};

const Image kSetupImage = {
    {{0x3E800, testing::Counting(1500, 7)}, {0x3F800, testing::Counting(300, 0x80)}}};

// The two adapter kinds, each by the name a user gives after -P.
enum class Adapter { kUsbProgrammer, kFt2232h };

std::string AdapterName(const ::testing::TestParamInfo<Adapter>& info) {
    return info.param == Adapter::kUsbProgrammer ? "UsbProgrammer" : "Ft2232h";
}

// Both adapters plugged into one testbed, as on a bench with both attached; the run names the
// one under test.
class UmockdevBrivelTest : public ::testing::TestWithParam<Adapter> {
protected:
    void Plug(UsbNodeFaults faults = {}) {
        const bool usb = GetParam() == Adapter::kUsbProgrammer;
        m_testbed.Plug(kProgrammerPort, 5, m_programmer, usb ? faults : UsbNodeFaults{});
        m_testbed.Plug(kFtdiPort, 3, m_ftdi, usb ? UsbNodeFaults{} : faults);
    }

    const char* Port() const {
        return GetParam() == Adapter::kUsbProgrammer ? kProgrammerPort : kFtdiPort;
    }
    const char* NameOption() const {
        return GetParam() == Adapter::kUsbProgrammer ? kProgrammerName : kFtdiName;
    }
    EzPortFlash& Flash() {
        return GetParam() == Adapter::kUsbProgrammer ? m_programmer.Flash() : m_ftdi.Flash();
    }

    // Runs brivel on the adapter under test with the options that follow -P.
    BrivelRun Run(std::vector<std::string> options, bool withoutFileRights = false) {
        options.insert(options.begin(), NameOption());
        return RunPlain(std::move(options), withoutFileRights);
    }
    BrivelRun RunPlain(std::vector<std::string> arguments, bool withoutFileRights = false) {
        return testing::RunBrivel({std::move(arguments), m_testbed.ChildEnvironment(),
                                   m_folder.Path(), kBoundMs, withoutFileRights});
    }

    // The flash once the program has gone: the node's lock orders the reads after the
    // testbed thread's last transfer.
    Bytes FlashAfterRun() {
        m_testbed.Log(Port());
        return Flash().Memory();
    }

    static constexpr uint32_t kBoundMs = 60000;
    TempFolder m_folder;
    UsbTestbed m_testbed;
    UsbProgrammerDevice m_programmer;
    Ft2232hDevice m_ftdi{"A1B2C3D4"};
};

using UmockdevListTest = UmockdevBrivelTest;

TEST_P(UmockdevListTest, ListsBothAdaptersByTheNamesTheReadmeDocuments) {
    Plug();
    const BrivelRun run = RunPlain({"-P"});
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_NE(run.output.find("Список программаторов:\r\n"
                              "--------------------------------------------------\r\n"
                              "\"usb:1-4.2:vid_0438&pid_0f10&mi_02\" - Rev_0102\r\n"
                              "FTDI_4036010_A1B2C3D4A\r\n"
                              "FTDI_4036010_A1B2C3D4B\r\n"
                              "--------------------------------------------------\r\n"),
              std::string::npos)
        << run.output;
}

INSTANTIATE_TEST_SUITE_P(Bench, UmockdevListTest, ::testing::Values(Adapter::kUsbProgrammer),
                         AdapterName);

// One whole run: what the flash holds before, the options, what it must hold after.
struct RunCase {
    const char* name;
    std::vector<std::string> options;
    const Image* image;
    bool flashHoldsImageBefore;
    bool dirtyBefore;  // a byte outside the image programmed to 0x00 before the run
};

const Image kFullImage = {{{0, testing::Counting(EzPortFlash::kSize, 3)}}};

const RunCase kRunCases[] = {
    {"WriteVerify", {"-w", "loc_.s19", "-v"}, &kSetupImage, false, false},
    {"BulkEraseWriteVerify", {"-b", "-w", "loc_.s19", "-v"}, &kSetupImage, false, true},
    {"VerifyOnly", {"-vo", "-w", "loc_.s19"}, &kSetupImage, true, false},
    {"WholeFlash", {"-w", "loc_.s19", "-v"}, &kFullImage, false, false},
};

// Each case on each adapter is a test of its own, so that ctest spreads them.
class UmockdevRunTest : public ::testing::TestWithParam<std::tuple<Adapter, RunCase>> {};

TEST_P(UmockdevRunTest, LeavesTheFlashEqualToTheFile) {
    const auto& [adapter, c] = GetParam();
    TempFolder folder;
    UsbTestbed testbed;
    UsbProgrammerDevice programmer;
    Ft2232hDevice ftdi("A1B2C3D4");
    testbed.Plug(kProgrammerPort, 5, programmer);
    testbed.Plug(kFtdiPort, 3, ftdi);
    const bool usb = adapter == Adapter::kUsbProgrammer;
    EzPortFlash& flash = usb ? programmer.Flash() : ftdi.Flash();
    const Bytes expected = c.image->Flash();
    if (c.flashHoldsImageBefore) {
        flash.Memory() = expected;
    }
    if (c.dirtyBefore) {
        flash.Memory()[0x100] = 0x00;
    }
    folder.Write("loc_.s19", c.image->Records());
    std::vector<std::string> arguments = c.options;
    arguments.insert(arguments.begin(), usb ? kProgrammerName : kFtdiName);
    const BrivelRun run =
        testing::RunBrivel({arguments, testbed.ChildEnvironment(), folder.Path(), 120000, false});
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    testbed.Log(usb ? kProgrammerPort : kFtdiPort);
    EXPECT_TRUE(flash.Memory() == expected);
    if (usb) {
        EXPECT_EQ(programmer.Firmware().ProtocolErrors(), 0u);
        EXPECT_EQ(programmer.UnterminatedRequests(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Adapters, UmockdevRunTest,
                         ::testing::Combine(::testing::Values(Adapter::kUsbProgrammer,
                                                              Adapter::kFt2232h),
                                            ::testing::ValuesIn(kRunCases)),
                         [](const ::testing::TestParamInfo<UmockdevRunTest::ParamType>& info) {
                             return std::string(std::get<0>(info.param) == Adapter::kUsbProgrammer
                                                    ? "UsbProgrammer"
                                                    : "Ft2232h") +
                                    "_" + std::get<1>(info.param).name;
                         });

TEST_P(UmockdevBrivelTest, VerifyOnlyReportsTheFirstDifferentByte) {
    Plug();
    Flash().Memory() = kSetupImage.Flash();
    Flash().Memory()[0x3F805] = 0x00;
    m_folder.Write("loc_.s19", kSetupImage.Records());
    const BrivelRun run = Run({"-vo", "-w", "loc_.s19"});
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_NE(run.output.find("Ошибка сравнения по адресу 0x0003F805 прочитано 0x00 вместо 0x85."),
              std::string::npos)
        << run.output;
}

INSTANTIATE_TEST_SUITE_P(Adapters, UmockdevBrivelTest,
                         ::testing::Values(Adapter::kUsbProgrammer, Adapter::kFt2232h),
                         AdapterName);

// Faults only the real path has, each below libusb. Every one ends the run with its message
// and exit status 255, within a bound, on both adapters. The faults during programming start
// once the flash has taken its third page, whatever the transfers look like.
struct FaultCase {
    const char* name;
    bool denyAccess;
    bool claimRefused;
    testing::UsbNodeFault fault;
    const char* message;
};

constexpr const char* kNoAccess = "Не удается получить доступ к программатору!\r\n";
constexpr const char* kInterfaceError = "\r\nОшибка 1 - \"Ошибка интерфейса\".\r\n";

const FaultCase kFaultCases[] = {
    {"NodeNotAccessible", true, false, testing::UsbNodeFault::kNone,
     "Не удается получить доступ к программатору!\r\nНет прав доступа к устройству: установите "
     "правило udev для программатора (см. README).\r\n"},
    {"ClaimRefused", false, true, testing::UsbNodeFault::kNone,
     "Не удается получить доступ к программатору!\r\nУстройство занято другой программой.\r\n"},
    {"UnpluggedWhileProgramming", false, false, testing::UsbNodeFault::kUnplug, kInterfaceError},
    {"BulkTransferTimesOut", false, false, testing::UsbNodeFault::kTimeOut, kInterfaceError},
    {"ShortPacket", false, false, testing::UsbNodeFault::kShortPacket, kInterfaceError},
};

class UmockdevFaultTest : public ::testing::TestWithParam<std::tuple<Adapter, FaultCase>> {};

TEST_P(UmockdevFaultTest, EndsTheRunWithItsMessageAndExitStatus255) {
    const auto& [adapter, c] = GetParam();
    TempFolder folder;
    UsbTestbed testbed;
    UsbProgrammerDevice programmer;
    Ft2232hDevice ftdi("A1B2C3D4");
    const bool usb = adapter == Adapter::kUsbProgrammer;
    EzPortFlash& flash = usb ? programmer.Flash() : ftdi.Flash();
    UsbNodeFaults faults;
    faults.claimRefused = c.claimRefused;
    faults.fault = c.fault;
    faults.when = [&flash] { return flash.ProgramCount() >= 3; };
    testbed.Plug(kProgrammerPort, 5, programmer, usb ? faults : UsbNodeFaults{});
    testbed.Plug(kFtdiPort, 3, ftdi, usb ? UsbNodeFaults{} : faults);
    if (c.denyAccess) {
        testbed.DenyAccess(usb ? kProgrammerPort : kFtdiPort);
    }
    folder.Write("loc_.s19", kSetupImage.Records());
    const BrivelRun run =
        testing::RunBrivel({{usb ? kProgrammerName : kFtdiName, "-w", "loc_.s19", "-v"},
                            testbed.ChildEnvironment(),
                            folder.Path(),
                            60000,
                            c.denyAccess});
    EXPECT_FALSE(run.killed) << "still running after 60 s:\n" << run.output;
    EXPECT_EQ(run.exitStatus, 255) << run.output;
    // Every wait below the seams is bounded by about 2 s; the run's clean-up makes a few.
    EXPECT_LT(run.elapsedMs, 30000u);
    EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find(" ok..."), std::string::npos) << run.output;
}

INSTANTIATE_TEST_SUITE_P(Adapters, UmockdevFaultTest,
                         ::testing::Combine(::testing::Values(Adapter::kUsbProgrammer,
                                                              Adapter::kFt2232h),
                                            ::testing::ValuesIn(kFaultCases)),
                         [](const ::testing::TestParamInfo<UmockdevFaultTest::ParamType>& info) {
                             return std::string(std::get<0>(info.param) == Adapter::kUsbProgrammer
                                                    ? "UsbProgrammer"
                                                    : "Ft2232h") +
                                    "_" + std::get<1>(info.param).name;
                         });

// What each side of the FTDI seam must agree on: the requests libftdi1 makes for the D2XX
// set-up calls, as the chip receives them (wIndex 1 is channel A; the baud rate request that
// opening sends carries divisor bits in wIndex's high byte).
TEST(UmockdevFt2232h, ReceivesTheSetUpRequestsOfTheD2xxCalls) {
    TempFolder folder;
    UsbTestbed testbed;
    Ft2232hDevice ftdi("A1B2C3D4");
    testbed.Plug(kFtdiPort, 3, ftdi);
    folder.Write("loc_.s19", kSetupImage.Records());
    const BrivelRun run = testing::RunBrivel(
        {{kFtdiName, "-w", "loc_.s19"}, testbed.ChildEnvironment(), folder.Path(), 60000, false});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    std::vector<std::string> vendor;
    for (const testing::UsbSetup& c : testbed.Log(kFtdiPort).controls) {
        if (c.requestType == 0x40) {
            char line[32];
            std::snprintf(line, sizeof line, "%02x %04x %04x", c.request, c.value, c.index);
            vendor.push_back(line);
        }
    }
    const std::vector<std::string> expected = {
        "00 0000 0001",  // opening: reset
        "03 04e2 0201",  // opening: 9600 baud
        "00 0000 0001",  // FT_ResetDevice
        "00 0001 0001",  // FT_Purge: the bytes from the host
        "00 0002 0001",  //           the bytes to the host
        "09 0001 0001",  // FT_SetLatencyTimer(1)
        "0b 0200 0001",  // FT_SetBitMode(0x00, MPSSE)
        "00 0001 0001",  // closing purge
        "00 0002 0001",
    };
    EXPECT_EQ(vendor, expected);
    EXPECT_EQ(testbed.Log(kFtdiPort).claimed, std::vector<unsigned>{0});
    EXPECT_EQ(ftdi.LatencyTimer(), 1);
    EXPECT_TRUE(ftdi.ChannelA().InMpsseMode());
}

}  // namespace
}  // namespace brivel
