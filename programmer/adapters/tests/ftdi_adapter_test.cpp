#include "adapters/ftdi_adapter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <numeric>
#include <vector>

#include "adapters/ezport_flash.h"
#include "adapters/mpsse_emulator.h"
#include "adapters/testing/d2xx_faults.h"
#include "core/ezport.h"
#include "core/testing/virtual_clock.h"

namespace brivel {
namespace {

using Bytes = std::vector<uint8_t>;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

Bytes Concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// After Enter the pins rest at 0x28: clock low, chip select high, aux high, reset released.
const Bytes kPins28 = {0x80, 0x28, 0xAB};
const Bytes kPins20 = {0x80, 0x20, 0xAB};
const Bytes kStatusFrame = {0x11, 0x00, 0x00, 0x05, 0x24, 0x00, 0x00};
const std::vector<Bytes> kReadStatusWrites = {kPins20, kStatusFrame, kPins28};
const std::vector<Bytes> kWriteEnableWrites = {kPins28, kPins20, {0x11, 0x00, 0x00, 0x06}, kPins28};

class FtdiAdapterTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_clock.SetTickStep(1);
        ASSERT_TRUE(FtdiOpen(m_faulty, 0));
        ASSERT_EQ(FtdiSetup(), 0);
    }
    void TearDown() override { FtdiClose(); }

    void EnterAndConfigure() {
        kFtdiOps.Enter();
        uint8_t status = 0;
        ASSERT_EQ(kFtdiOps.WriteConfig(0x14, &status), 0);
        m_emulator.ClearLog();
    }

    VirtualClock m_clock;
    ScopedClock m_scope{m_clock};
    EzPortFlash m_flash;
    MpsseEmulator m_emulator{m_flash};
    FaultyD2xx m_faulty{m_emulator, &m_flash};
};

TEST_F(FtdiAdapterTest, SetupSelectsMpsseAtOneMegahertzWithPinsAt08) {
    EXPECT_TRUE(m_emulator.InMpsseMode());
    EXPECT_EQ(m_emulator.LatencyMs(), 1);
    EXPECT_EQ(m_emulator.InTransferSize(), 65536u);
    EXPECT_EQ(m_emulator.ClockHz(), 1000000u);
    EXPECT_THAT(m_emulator.Stream(), ElementsAre(Bytes{0x86, 0x05, 0x00}, Bytes{0x80, 0x08, 0xAB}));
    EXPECT_EQ(m_emulator.LowByteDirections(), 0xAB);
    EXPECT_EQ(m_emulator.LowByteValues(), 0x08);
}

TEST_F(FtdiAdapterTest, EnterLeaveAndClosePassThroughTheSpecifiedPinStates) {
    m_emulator.ClearLog();
    kFtdiOps.Enter();
    EXPECT_THAT(m_emulator.LowByteHistory(), ElementsAre(0xA0, 0x20, 0x28));
    EXPECT_EQ(m_clock.SleptMs(), 120u);
    EXPECT_TRUE(m_flash.InEzPortMode());

    m_emulator.ClearLog();
    kFtdiOps.Leave();
    EXPECT_THAT(m_emulator.LowByteHistory(), ElementsAre(0xA8, 0xA8, 0x28));
    EXPECT_EQ(m_clock.SleptMs(), 220u);
    EXPECT_FALSE(m_flash.InEzPortMode());

    m_emulator.ClearLog();
    FtdiClose();
    EXPECT_THAT(m_emulator.LowByteHistory(), ElementsAre(0x08));
    EXPECT_FALSE(m_emulator.IsOpen());
}

TEST_F(FtdiAdapterTest, OperationsSendTheirFramesAsSpecified) {
    EnterAndConfigure();
    uint8_t status = 0;
    ASSERT_EQ(kFtdiOps.ReadStatus(&status), 0);
    EXPECT_EQ(status, 0x20);
    EXPECT_THAT(m_emulator.Stream(), ElementsAreArray(kReadStatusWrites));

    m_emulator.ClearLog();
    EXPECT_EQ(kFtdiOps.WriteEnable(), 0);
    EXPECT_THAT(m_emulator.Stream(), ElementsAreArray(kWriteEnableWrites));

    m_emulator.ClearLog();
    std::vector<uint8_t> sector(2048);
    ASSERT_EQ(kFtdiOps.Read(0x000800, sector.data(), 2048), 0);
    EXPECT_THAT(
        m_emulator.Stream(),
        ElementsAre(kPins28, kPins20,
                    Bytes{0x11, 0x03, 0x00, 0x03, 0x00, 0x08, 0x00, 0x24, 0xFF, 0x07}, kPins20));
    EXPECT_EQ(sector, std::vector<uint8_t>(2048, 0xFF));
}

Bytes Joined(const std::vector<Bytes>& pieces) {
    Bytes all;
    for (const Bytes& piece : pieces) {
        all.insert(all.end(), piece.begin(), piece.end());
    }
    return all;
}

// Each frame with its pin changes is one USB transfer to the chip, not one per pin change.
TEST_F(FtdiAdapterTest, EachFrameGoesToTheChipInOneWrite) {
    EnterAndConfigure();
    struct Case {
        const char* name;
        std::function<int()> operation;
        std::vector<Bytes> write;  // the one write, as pieces of the stream
    };
    uint8_t status = 0;
    std::vector<uint8_t> sector(2048);
    const Case cases[] = {
        {"ReadStatus", [&] { return kFtdiOps.ReadStatus(&status); }, kReadStatusWrites},
        {"WriteEnable", [] { return kFtdiOps.WriteEnable(); }, kWriteEnableWrites},
        {"Read",
         [&] { return kFtdiOps.Read(0x000800, sector.data(), 2048); },
         {kPins28, kPins20, {0x11, 0x03, 0x00, 0x03, 0x00, 0x08, 0x00, 0x24, 0xFF, 0x07}, kPins20}},
    };
    for (const Case& c : cases) {
        m_emulator.ClearLog();
        EXPECT_EQ(c.operation(), 0) << c.name;
        EXPECT_THAT(m_emulator.Writes(), ElementsAre(Joined(c.write))) << c.name;
        kFtdiOps.ReadStatus(&status);  // chip select high again after the read
    }

    // A page: write enable, the status read between and the program frame in one write, then
    // one write for each status read of the poll.
    m_emulator.ClearLog();
    Bytes data(256, 0x5A);
    ASSERT_EQ(kFtdiOps.PageProgram(0x001000, data.data(), 256, kEzPageProgramTimeoutMs), 0);
    const auto& writes = m_emulator.Writes();
    ASSERT_GE(writes.size(), 2u);
    std::vector<Bytes> chunk = kWriteEnableWrites;
    chunk.insert(chunk.end(), kReadStatusWrites.begin(), kReadStatusWrites.end());
    chunk.insert(
        chunk.end(),
        {kPins28, kPins20,
         Concat({0x11, 0x03, 0x00, 0x02, 0x00, 0x10, 0x00, 0x11, 0xFF, 0x00}, data), kPins28});
    EXPECT_EQ(writes[0], Joined(chunk));
    for (size_t i = 1; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i], Joined(kReadStatusWrites)) << "poll write " << i;
    }
}

TEST_F(FtdiAdapterTest, WriteConfigSendsEnableThenTheRegisterFrame) {
    kFtdiOps.Enter();
    m_emulator.ClearLog();
    uint8_t status = 0;
    ASSERT_EQ(kFtdiOps.WriteConfig(0x52, &status), 0);
    std::vector<Bytes> expected = kWriteEnableWrites;
    expected.push_back(kPins20);
    expected.push_back({0x11, 0x00, 0x00, 0x01, 0x11, 0x00, 0x00, 0x52});
    expected.push_back(kPins28);
    expected.insert(expected.end(), kReadStatusWrites.begin(), kReadStatusWrites.end());
    EXPECT_THAT(m_emulator.Stream(), ElementsAreArray(expected));
    EXPECT_EQ(m_flash.ConfigRegister(), 0x52);
}

TEST_F(FtdiAdapterTest, PageProgramOfOnePageSendsEnableStatusAndOneProgramFrame) {
    EnterAndConfigure();
    Bytes data(256);
    std::iota(data.begin(), data.end(), 0);
    ASSERT_EQ(kFtdiOps.PageProgram(0x001000, data.data(), 256, kEzPageProgramTimeoutMs), 0);

    std::vector<Bytes> expected = kWriteEnableWrites;
    expected.insert(expected.end(), kReadStatusWrites.begin(), kReadStatusWrites.end());
    expected.push_back(kPins28);
    expected.push_back(kPins20);
    expected.push_back(Concat({0x11, 0x03, 0x00, 0x02, 0x00, 0x10, 0x00, 0x11, 0xFF, 0x00}, data));
    expected.push_back(kPins28);
    const auto& writes = m_emulator.Stream();
    ASSERT_GE(writes.size(), expected.size() + 3);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), writes.begin()));
    // Then the completion poll: status frames until busy clears.
    for (size_t i = expected.size(); i < writes.size(); i += 3) {
        EXPECT_EQ(writes[i + 1], kStatusFrame);
    }
    EXPECT_TRUE(std::equal(data.begin(), data.end(), m_flash.Memory().begin() + 0x1000));
}

TEST_F(FtdiAdapterTest, SectorAndBulkEraseSendTheirCommandFrames) {
    EnterAndConfigure();
    ASSERT_EQ(kFtdiOps.SectorErase(0x03F800, kEzSectorEraseTimeoutMs), 0);
    const auto& writes = m_emulator.Stream();
    // Write enable, the status check, then the command frame.
    ASSERT_GT(writes.size(), 9u);
    EXPECT_EQ(writes[8], (Bytes{0x11, 0x00, 0x00, 0xD8, 0x11, 0x02, 0x00, 0x03, 0xF8, 0x00}));
    m_emulator.ClearLog();
    ASSERT_EQ(kFtdiOps.BulkErase(kEzBulkEraseTimeoutMs), 0);
    EXPECT_EQ(writes[8], (Bytes{0x11, 0x00, 0x00, 0xC7}));
    EXPECT_EQ(m_flash.EraseCount(), 2u);
}

TEST_F(FtdiAdapterTest, ProgramsAndReadsBackAcrossPagesOverTheEmulator) {
    EnterAndConfigure();
    Bytes data(1000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    ASSERT_EQ(kFtdiOps.SectorErase(0x3E800, kEzSectorEraseTimeoutMs), 0);
    ASSERT_EQ(kFtdiOps.PageProgram(0x3E8FE, data.data(), 1000, kEzPageProgramTimeoutMs), 0);
    Bytes back(1000);
    ASSERT_EQ(kFtdiOps.Read(0x3E8FE, back.data(), 1000), 0);
    EXPECT_EQ(back, data);
    EXPECT_EQ(m_flash.Memory()[0x3E8FD], 0xFF);
    EXPECT_EQ(m_flash.Memory()[0x3E8FE + 1000], 0xFF);
}

struct FtdiFaultCase {
    const char* name;
    FtdiFault fault;
    int readStatus;    // ReadStatus result with the fault active
    int sectorErase;   // SectorErase result with the fault active
    int program;       // PageProgram result
    bool configFails;  // WriteConfig fails (a busy or failing flash keeps its configuration)
};

void PrintTo(const FtdiFaultCase& c, std::ostream* out) {
    *out << c.name;
}

class FtdiFaultTest : public FtdiAdapterTest,
                      public ::testing::WithParamInterface<FtdiFaultCase> {};

TEST_P(FtdiFaultTest, EveryOperationFailsWithItsCodeWithoutHanging) {
    const FtdiFaultCase& c = GetParam();
    EnterAndConfigure();
    m_faulty.Arm(c.fault, 1);
    uint8_t status = 0;
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(kFtdiOps.ReadStatus(&status) != 0, c.readStatus != 0) << c.name;
    EXPECT_EQ(kFtdiOps.SectorErase(0, kEzSectorEraseTimeoutMs), c.sectorErase) << c.name;
    EXPECT_EQ(kFtdiOps.PageProgram(0x100, data, 8, kEzPageProgramTimeoutMs), c.program) << c.name;
    uint8_t back[8] = {};
    EXPECT_NE(kFtdiOps.Read(0x100, back, 8) == 0 && std::equal(back, back + 8, data), true)
        << c.name;
    EXPECT_EQ(kFtdiOps.WriteConfig(0x14, &status) != 0, c.configFails) << c.name;
    EXPECT_TRUE(m_faulty.Fired()) << c.name;
    // Every wait is bounded: a few seconds of virtual time at most per operation.
    EXPECT_LT(m_clock.Now(), 60000u) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FtdiFaultTest,
    ::testing::Values(FtdiFaultCase{"no answer", FtdiFault::kNoAnswer, 1, 1, 1, true},
                      FtdiFaultCase{"queue fails", FtdiFault::kFailingQueueStatus, 1, 1, 1, true},
                      FtdiFaultCase{"write fails", FtdiFault::kFailingWrite, 1, 1, 1, true},
                      FtdiFaultCase{"short read", FtdiFault::kShortRead, 1, 1, 1, true},
                      FtdiFaultCase{"status 0xFF", FtdiFault::kStatusFF, 1, 1, 1, true},
                      FtdiFaultCase{"stuck busy", FtdiFault::kStuckBusy, 0, 2, 2, false},
                      FtdiFaultCase{"write error", FtdiFault::kWriteError, 0, 3, 3, false}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            if (!isalnum(static_cast<unsigned char>(ch))) {
                ch = '_';
            }
        }
        return name;
    });

TEST_F(FtdiAdapterTest, NoAnswerEndsTheWaitAfterItsBound) {
    EnterAndConfigure();
    m_faulty.Arm(FtdiFault::kNoAnswer, 1);
    const uint32_t before = m_clock.Now();
    uint8_t status = 0;
    EXPECT_EQ(kFtdiOps.ReadStatus(&status), 1);
    const uint32_t waited = m_clock.Now() - before;
    EXPECT_GE(waited, 2000u);
    EXPECT_LT(waited, 2100u);
}

TEST(FtdiAdapter, ListsTheDevicesWithIdentifierAndSerial) {
    EzPortFlash flash;
    FtDeviceListInfoNode a;
    a.id = 0x04036010;
    std::strcpy(a.serialNumber, "FT123456A");
    FtDeviceListInfoNode b;
    b.id = 0x04036014;
    std::memcpy(b.serialNumber, "0123456789ABCDEF", 16);  // no terminator: 16 bytes at most
    MpsseEmulator emulator(flash, {a, b});
    std::vector<FtdiDeviceInfo> devices;
    ASSERT_TRUE(FtdiListDevices(emulator, devices));
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].id, 0x04036010u);
    EXPECT_EQ(devices[0].serial, "FT123456A");
    EXPECT_EQ(devices[1].serial, "0123456789ABCDEF");
    EXPECT_FALSE(FtdiOpen(emulator, 2));
}

}  // namespace
}  // namespace brivel

namespace brivel {
namespace {

TEST(MpsseEmulator, AnswersAnUnknownOpcodeAsTheChipDoesAndKeepsCommandsAcrossWrites) {
    EzPortFlash flash;
    MpsseEmulator emulator(flash);
    ASSERT_EQ(emulator.Open(0), kFtOk);
    ASSERT_EQ(emulator.SetBitMode(0, kFtBitModeMpsse), kFtOk);
    uint32_t written = 0;
    const uint8_t bad[] = {0xAA};
    emulator.Write(bad, 1, &written);
    // A divisor command split over two writes takes effect once it is whole.
    const uint8_t head[] = {0x86, 0x05};
    const uint8_t tail[] = {0x00, 0x81};
    emulator.Write(head, 2, &written);
    emulator.Write(tail, 2, &written);
    EXPECT_EQ(emulator.ClockHz(), 1000000u);
    uint8_t answer[3] = {};
    uint32_t read = 0;
    ASSERT_EQ(emulator.Read(answer, 3, &read), kFtOk);
    ASSERT_EQ(read, 3u);
    EXPECT_EQ(answer[0], 0xFA);
    EXPECT_EQ(answer[1], 0xAA);
    EXPECT_EQ(answer[2], 0xFF);  // 0x81: all pins inputs, pulled up
}

}  // namespace
}  // namespace brivel
