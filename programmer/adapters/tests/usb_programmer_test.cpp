#include "adapters/usb_programmer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <numeric>
#include <string>
#include <vector>

#include "adapters/ezport_flash.h"
#include "adapters/libusb_programmer.h"
#include "adapters/testing/usb_faults.h"
#include "adapters/usb_programmer_emulator.h"
#include "adapters/usb_transaction.h"
#include "adapters/winusb_link.h"
#include "core/cp1251.h"
#include "core/ezport.h"
#include "core/testing/virtual_clock.h"

namespace brivel {
namespace {

using Bytes = std::vector<uint8_t>;
using ::testing::ElementsAre;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const Bytes kCsLow = {0x03, 0x0E, 0x00, 0x00};
const Bytes kCsHigh = {0x03, 0x0F, 0x00, 0x00};

class UsbProgrammerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_clock.SetTickStep(1);
        ASSERT_EQ(UsbOpen(m_faulty), 0);
        SetUsbNoteSink([this](const std::string& note) { m_notes += note; });
    }
    void TearDown() override {
        UsbClose();
        SetUsbNoteSink(nullptr);
    }
    void EnableEnterAndConfigure() {
        ASSERT_EQ(UsbEnable(true), 0);
        kUsbOps.Enter();
        uint8_t status = 0;
        ASSERT_EQ(kUsbOps.WriteConfig(0x14, &status), 0);
        m_emulator.ClearLog();
    }

    VirtualClock m_clock;
    ScopedClock m_scope{m_clock};
    EzPortFlash m_flash;
    UsbProgrammerEmulator m_emulator{m_flash, 0x0102};
    FaultyUsbPipes m_faulty{m_emulator, &m_flash};
    std::string m_notes;
};

TEST_F(UsbProgrammerTest, OpenSetsThePipePoliciesAndTheLinkOnlyOnce) {
    EXPECT_TRUE(m_emulator.PoliciesSet());
    EXPECT_EQ(UsbOpen(m_faulty), -2);
}

TEST_F(UsbProgrammerTest, EnterSendsFourRequestsWithItsPauses) {
    ASSERT_EQ(UsbEnable(true), 0);
    EXPECT_THAT(m_emulator.Requests(), ElementsAre(Bytes{0x01, 0x09, 0x00, 0x00}));
    m_emulator.ClearLog();
    kUsbOps.Enter();
    EXPECT_THAT(m_emulator.Requests(),
                ElementsAre(kCsLow, Bytes{0x03, 0x0C, 0x00, 0x00}, Bytes{0x03, 0x0D, 0x00, 0x00},
                            Concat({kCsHigh, {0x03, 0x0A, 0x00, 0x00}})));
    EXPECT_EQ(m_clock.SleptMs(), 120u);
    EXPECT_TRUE(m_flash.InEzPortMode());
    // Every request is answered, with an empty packet when nothing was captured.
    EXPECT_THAT(m_emulator.ReadLengths(), ElementsAre(1024, 1024, 1024, 1024));

    m_emulator.ClearLog();
    kUsbOps.Leave();
    EXPECT_THAT(m_emulator.Requests(),
                ElementsAre(Bytes{0x03, 0x0C, 0x00, 0x00}, kCsHigh, Bytes{0x03, 0x0D, 0x00, 0x00}));
    EXPECT_FALSE(m_flash.InEzPortMode());
    m_emulator.ClearLog();
    ASSERT_EQ(UsbEnable(false), 0);
    EXPECT_THAT(m_emulator.Requests(), ElementsAre(Bytes{0x01, 0x08, 0x00, 0x00}));
    EXPECT_FALSE(m_emulator.DriversOn());
}

TEST_F(UsbProgrammerTest, OperationsSendTheirItemsAsOneRequestEach) {
    EnableEnterAndConfigure();
    uint8_t status = 0;
    ASSERT_EQ(kUsbOps.ReadStatus(&status), 0);
    EXPECT_EQ(status, 0x20);
    ASSERT_EQ(kUsbOps.WriteEnable(), 0);
    Bytes sector(2048);
    ASSERT_EQ(kUsbOps.Read(0x000800, sector.data(), 2048), 0);
    EXPECT_THAT(
        m_emulator.Requests(),
        ElementsAre(
            Concat({kCsLow, {0x00, 0x08, 0x00, 0x01, 0x05}, {0x00, 0x10, 0x00, 0x01}, kCsHigh}),
            Concat({kCsLow, {0x00, 0x08, 0x00, 0x01, 0x06}, kCsHigh}),
            Concat({kCsLow,
                    {0x00, 0x08, 0x00, 0x04, 0x03, 0x00, 0x08, 0x00},
                    {0x00, 0x10, 0x08, 0x00},
                    kCsHigh})));
    // 4 + 2048 reply bytes: two full reads and a short one.
    EXPECT_THAT(m_emulator.ReadLengths(), ElementsAre(1024, 1024, 1024, 1024, 1024));
    EXPECT_EQ(sector, Bytes(2048, 0xFF));
    EXPECT_EQ(m_emulator.ProtocolErrors(), 0u);
}

TEST_F(UsbProgrammerTest, PageProgramSendsEnableAndProgramFrameInOneRequest) {
    EnableEnterAndConfigure();
    Bytes data(256);
    std::iota(data.begin(), data.end(), 0);
    ASSERT_EQ(kUsbOps.PageProgram(0x001000, data.data(), 256, kEzPageProgramTimeoutMs), 0);
    ASSERT_GE(m_emulator.Requests().size(), 2u);
    EXPECT_EQ(m_emulator.Requests()[0], Concat({kCsLow,
                                                {0x00, 0x08, 0x00, 0x01, 0x06},
                                                kCsHigh,
                                                kCsLow,
                                                {0x00, 0x08, 0x00, 0x04, 0x02, 0x00, 0x10, 0x00},
                                                {0x00, 0x08, 0x01, 0x00},
                                                data,
                                                kCsHigh}));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), m_flash.Memory().begin() + 0x1000));
}

TEST_F(UsbProgrammerTest, WriteConfigAndErasesPutCommandAndDataInTwoItems) {
    ASSERT_EQ(UsbEnable(true), 0);
    kUsbOps.Enter();
    m_emulator.ClearLog();
    uint8_t status = 0;
    ASSERT_EQ(kUsbOps.WriteConfig(0x52, &status), 0);
    EXPECT_EQ(
        m_emulator.Requests()[1],
        Concat({kCsLow, {0x00, 0x08, 0x00, 0x01, 0x01}, {0x00, 0x08, 0x00, 0x01, 0x52}, kCsHigh}));
    m_emulator.ClearLog();
    ASSERT_EQ(kUsbOps.SectorErase(0x03F800, kEzSectorEraseTimeoutMs), 0);
    EXPECT_EQ(m_emulator.Requests()[2], Concat({kCsLow,
                                                {0x00, 0x08, 0x00, 0x01, 0xD8},
                                                {0x00, 0x08, 0x00, 0x03, 0x03, 0xF8, 0x00},
                                                kCsHigh}));
    m_emulator.ClearLog();
    ASSERT_EQ(kUsbOps.BulkErase(kEzBulkEraseTimeoutMs), 0);
    EXPECT_EQ(m_emulator.Requests()[2], Concat({kCsLow, {0x00, 0x08, 0x00, 0x01, 0xC7}, kCsHigh}));
}

TEST_F(UsbProgrammerTest, ReplyFillingAWholeReadIsFollowedByAnotherRead) {
    EnableEnterAndConfigure();
    Bytes data(1020);
    // 4 + 1020 = 1024 reply bytes: the reply ends only with the empty read after it.
    ASSERT_EQ(kUsbOps.Read(0, data.data(), 1020), 0);
    EXPECT_THAT(m_emulator.ReadLengths(), ElementsAre(1024, 1024));
}

TEST_F(UsbProgrammerTest, VersionTextShowsBcdDevice) {
    EXPECT_EQ(UsbVersionText(), "01.02");
    m_faulty.Arm(UsbFault::kBadDescriptor, 1);
    EXPECT_EQ(UsbVersionText(), W1251("неизвестно").c_str());
    UsbClose();
    UsbProgrammerEmulator other(m_flash, 0x1234);
    ASSERT_EQ(UsbOpen(other), 0);
    EXPECT_EQ(UsbVersionText(), "12.34");
}

TEST_F(UsbProgrammerTest, ClosedLinkFailsEveryOperation) {
    UsbClose();
    uint8_t status = 0;
    uint8_t byte = 0;
    EXPECT_EQ(kUsbOps.ReadStatus(&status), -1);
    EXPECT_EQ(kUsbOps.WriteEnable(), 1);
    EXPECT_EQ(kUsbOps.Read(0, &byte, 1), 101);
    EXPECT_EQ(m_notes, "[exec_err:4]\r\n");
    EXPECT_EQ(UsbEnable(true), Transaction::kTransferFailed);
}

struct UsbFaultCase {
    const char* name;
    UsbFault fault;
    int sectorErase;
    int program;
    const char* readNote;  // note of the failed Read, "" when the read itself succeeds
    bool configFails;
};

void PrintTo(const UsbFaultCase& c, std::ostream* out) {
    *out << c.name;
}

class UsbFaultTest : public UsbProgrammerTest,
                     public ::testing::WithParamInterface<UsbFaultCase> {};

TEST_P(UsbFaultTest, EveryOperationFailsWithItsCodeWithoutHanging) {
    const UsbFaultCase& c = GetParam();
    EnableEnterAndConfigure();
    m_faulty.Arm(c.fault, m_faulty.Requests() + 1);
    uint8_t status = 0;
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(kUsbOps.SectorErase(0, kEzSectorEraseTimeoutMs), c.sectorErase) << c.name;
    EXPECT_EQ(kUsbOps.PageProgram(0x100, data, 8, kEzPageProgramTimeoutMs), c.program) << c.name;
    uint8_t back[8] = {};
    const int read = kUsbOps.Read(0x100, back, 8);
    EXPECT_FALSE(read == 0 && std::equal(back, back + 8, data)) << c.name;
    EXPECT_EQ(read == 0 ? "" : m_notes, c.readNote) << c.name;
    EXPECT_EQ(kUsbOps.WriteConfig(0x14, &status) != 0, c.configFails) << c.name;
    EXPECT_TRUE(m_faulty.Fired()) << c.name;
    EXPECT_LT(m_clock.Now(), 60000u) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, UsbFaultTest,
    ::testing::Values(
        UsbFaultCase{"no answer", UsbFault::kNoAnswer, 1, 1, "[exec_err:4]\r\n", true},
        UsbFaultCase{"write fails", UsbFault::kFailingWrite, 1, 1, "[exec_err:4]\r\n", true},
        UsbFaultCase{"short read", UsbFault::kShortRead, 1, 1, "[exec_err:2]\r\n", true},
        UsbFaultCase{"wrong first byte", UsbFault::kWrongFirstByte, 1, 1, "[exec_err:2]\r\n", true},
        UsbFaultCase{"wrong count", UsbFault::kWrongCount, 1, 1, "[exec_err:2]\r\n", true},
        UsbFaultCase{"bytes left over", UsbFault::kLeftover, 1, 1, "[exec_err:2]\r\n", true},
        UsbFaultCase{"status 0xFF", UsbFault::kStatusFF, 1, 1, "", true},
        UsbFaultCase{"stuck busy", UsbFault::kStuckBusy, 2, 2, "", false},
        UsbFaultCase{"write error", UsbFault::kWriteError, 3, 3, "", false}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            if (!isalnum(static_cast<unsigned char>(ch))) {
                ch = '_';
            }
        }
        return name;
    });

// Answers each request with the next scripted reply, in reads of the asked size.
class ScriptedPipes : public UsbPipes {
public:
    explicit ScriptedPipes(Bytes reply) : m_reply(std::move(reply)) {}
    bool SetPipePolicy(uint8_t, uint32_t, uint8_t) override { return true; }
    bool GetDescriptor(uint8_t, uint8_t, uint16_t, uint8_t*, uint32_t, uint32_t*) override {
        return false;
    }
    bool WritePipe(uint8_t, const uint8_t*, uint32_t length, uint32_t* written, uint32_t) override {
        *written = length;
        return true;
    }
    bool ReadPipe(uint8_t, uint8_t* buffer, uint32_t length, uint32_t* read, uint32_t) override {
        const auto n = static_cast<uint32_t>(std::min<size_t>(length, m_reply.size() - m_at));
        std::copy_n(m_reply.begin() + m_at, n, buffer);
        m_at += n;
        *read = n;
        return true;
    }

private:
    Bytes m_reply;
    size_t m_at = 0;
};

TEST(UsbTransaction, ReplyPartsAreCheckedAgainstTheirItems) {
    struct Case {
        const char* name;
        Bytes reply;
        int result;
    };
    const Case cases[] = {
        {"one captured byte", {0x00, 0x10, 0x00, 0x01, 0xAA}, 0},
        {"flags other than bits 7..5 are not checked", {0x00, 0x00, 0x00, 0x01, 0xAA}, 0},
        {"first byte not 0", {0x01, 0x10, 0x00, 0x01, 0xAA}, 2},
        {"count differs", {0x00, 0x10, 0x00, 0x02, 0xAA, 0xBB}, 2},
        {"count 0", {0x00, 0x10, 0x00, 0x00}, 2},
        {"bit count differs", {0x00, 0x30, 0x00, 0x01, 0xAA}, 2},
        {"bytes missing", {0x00, 0x10, 0x00, 0x01}, 2},
        {"header cut short", {0x00, 0x10, 0x00}, 2},
        {"empty reply", {}, 2},
        {"bytes left over", {0x00, 0x10, 0x00, 0x01, 0xAA, 0x00}, 2},
    };
    for (const Case& c : cases) {
        ScriptedPipes pipes(c.reply);
        WinUsbLink link;
        ASSERT_EQ(link.Initialize(pipes), 0);
        Transaction transaction;
        transaction.Line(LineItem::kChipSelect, 0).Out({0x05});
        const ShiftItem& captured = transaction.Capture(1);
        transaction.Line(LineItem::kChipSelect, 1);
        EXPECT_EQ(transaction.Run(link), c.result) << c.name;
        if (c.result == 0) {
            EXPECT_THAT(captured.Captured(), ElementsAre(0xAA)) << c.name;
        }
    }
}

TEST(UsbTransaction, RequestsThatCannotBeBuiltGiveOne) {
    ScriptedPipes pipes({});
    WinUsbLink link;
    ASSERT_EQ(link.Initialize(pipes), 0);
    EXPECT_EQ(Transaction().Run(link), Transaction::kBadRequest);
    EXPECT_EQ(Transaction().Out({}).Run(link), Transaction::kBadRequest);
    EXPECT_EQ(Transaction().Line(4, 0).Run(link), Transaction::kBadRequest);
    Transaction tooLong;
    tooLong.Capture(0x10000);
    EXPECT_EQ(tooLong.Run(link), Transaction::kBadRequest);
    EXPECT_EQ(Transaction().Enable(true).Run(link), Transaction::kOk);
}

TEST(WinUsbLink, RefusedPolicyFailsInitialisation) {
    class NoPolicies : public ScriptedPipes {
    public:
        NoPolicies() : ScriptedPipes({}) {}
        bool SetPipePolicy(uint8_t, uint32_t, uint8_t) override { return false; }
    } pipes;
    WinUsbLink link;
    EXPECT_EQ(link.Initialize(pipes), -1);
    Bytes reply;
    EXPECT_EQ(link.Transfer({0x01}, reply), -2);
}

}  // namespace
}  // namespace brivel

namespace brivel {
namespace {

TEST(LibusbProgrammers, NamesCarryTheFilterTextBusAndPortChain) {
    const std::string path = UsbProgrammerPath(1, {4, 2});
    EXPECT_EQ(path, "usb:1-4.2:vid_0438&pid_0f10&mi_02");
    EXPECT_NE(path.find("vid_0438&pid_0f10&mi_02"), std::string::npos);
    EXPECT_EQ(UsbProgrammerPath(3, {}), "usb:3:vid_0438&pid_0f10&mi_02");
    EXPECT_EQ(UsbRevisionText(0x0102), "Rev_0102");
    EXPECT_EQ(UsbRevisionText(0xAB0F), "Rev_AB0F");
}

}  // namespace
}  // namespace brivel
