// The brivel program itself, with its unmodified libusb and libftdi1, over an FT2232H and the
// USB programmer that a umockdev testbed fakes below libusb: sysfs, the usbfs nodes and every
// control and bulk transfer, answered by the emulators of the chip and of the programmer's
// firmware. What crosses libusb is what a real adapter would see.
#include <gtest/gtest.h>

#include <string>
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

// Both adapters plugged into one testbed, as on a bench with both attached.
class UmockdevBrivelTest : public ::testing::Test {
protected:
    void Plug(UsbNodeFaults programmerFaults = {}, UsbNodeFaults ftdiFaults = {}) {
        m_testbed.Plug(kProgrammerPort, 5, m_programmer, programmerFaults);
        m_testbed.Plug(kFtdiPort, 3, m_ftdi, ftdiFaults);
    }

    BrivelRun Run(std::vector<std::string> arguments, bool withoutFileRights = false) {
        return testing::RunBrivel({std::move(arguments), m_testbed.ChildEnvironment(),
                                   m_folder.Path(), kBoundMs, withoutFileRights});
    }

    // The flash of a device once the program has gone: the node's lock orders the reads after
    // the testbed thread's last transfer.
    const Bytes& FlashAfter(const std::string& port, EzPortFlash& flash) {
        m_testbed.Log(port);
        return flash.Memory();
    }

    static constexpr uint32_t kBoundMs = 60000;
    TempFolder m_folder;
    UsbTestbed m_testbed;
    UsbProgrammerDevice m_programmer;
    Ft2232hDevice m_ftdi{"A1B2C3D4"};
};

TEST_F(UmockdevBrivelTest, ListsBothAdaptersByTheNamesTheReadmeDocuments) {
    Plug();
    const BrivelRun run = Run({"-P"});
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

TEST_F(UmockdevBrivelTest, ProgramsAndVerifiesOverTheUsbProgrammer) {
    Plug();
    m_folder.Write("loc_.s19", kSetupImage.Records());
    const BrivelRun run = Run({kProgrammerName, "-w", "loc_.s19", "-v"});
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_NE(run.output.find("Версия ПО программатора - \"01.02\"."), std::string::npos)
        << run.output;
    EXPECT_TRUE(FlashAfter(kProgrammerPort, m_programmer.Flash()) == kSetupImage.Flash());
    EXPECT_EQ(m_programmer.Firmware().ProtocolErrors(), 0u);
    EXPECT_EQ(m_programmer.UnterminatedRequests(), 0u);
    EXPECT_EQ(m_testbed.Log(kProgrammerPort).claimed, std::vector<unsigned>{2});
}

}  // namespace
}  // namespace brivel
