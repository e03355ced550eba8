#include "adapters/ezport_flash.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/testing/virtual_clock.h"

namespace brivel {
namespace {

// Drives the flash as an adapter would: one frame, bytes out, then `receive` bytes in.
std::vector<uint8_t> Frame(EzPortFlash& flash, std::vector<uint8_t> out, size_t receive = 0) {
    flash.SetChipSelect(true);
    for (uint8_t byte : out) {
        flash.Exchange(byte);
    }
    std::vector<uint8_t> in;
    for (size_t i = 0; i < receive; ++i) {
        in.push_back(flash.Exchange(0x00));
    }
    flash.SetChipSelect(false);
    return in;
}

uint8_t Status(EzPortFlash& flash) {
    return Frame(flash, {0x05}, 1)[0];
}

void EnterEzPort(EzPortFlash& flash) {
    flash.SetChipSelect(true);
    flash.SetReset(true);
    flash.SetReset(false);
    flash.SetChipSelect(false);
}

class EzPortFlashTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnterEzPort(m_flash);
        Frame(m_flash, {0x06});
        Frame(m_flash, {0x01, 0x14});
    }
    VirtualClock m_clock;
    ScopedClock m_scope{m_clock};
    EzPortFlash m_flash{FlashTiming{2, 20, 100}};
};

TEST(EzPortFlash, AnswersOnlyInEzPortModeEnteredWithChipSelectLowAtReset) {
    EzPortFlash flash;
    EXPECT_EQ(Status(flash), 0xFF);
    // Reset released with chip select high: the target runs its program.
    flash.SetReset(true);
    flash.SetReset(false);
    EXPECT_FALSE(flash.InEzPortMode());
    EXPECT_EQ(Status(flash), 0xFF);
    EnterEzPort(flash);
    EXPECT_TRUE(flash.InEzPortMode());
    EXPECT_EQ(Status(flash), 0x00);
    flash.SetReset(true);
    EXPECT_FALSE(flash.InEzPortMode());
}

TEST_F(EzPortFlashTest, ConfigurationWriteNeedsWriteEnableAndSetsConfigLoaded) {
    EXPECT_EQ(Status(m_flash), 0x20);
    EXPECT_EQ(m_flash.ConfigRegister(), 0x14);
    EzPortFlash fresh;
    EnterEzPort(fresh);
    Frame(fresh, {0x01, 0x14});
    EXPECT_EQ(Status(fresh), 0x00);
}

TEST_F(EzPortFlashTest, ProgramClearsBitsOnlyAndStaysBusyForItsTime) {
    Frame(m_flash, {0x06});
    EXPECT_EQ(Status(m_flash), 0x22);
    Frame(m_flash, {0x02, 0x00, 0x10, 0x00, 0x0F, 0xF0, 0x55, 0xAA});
    EXPECT_EQ(Status(m_flash), 0x21);  // busy, latch consumed
    m_clock.Advance(2);
    EXPECT_EQ(Status(m_flash), 0x20);
    Frame(m_flash, {0x06});
    Frame(m_flash, {0x02, 0x00, 0x10, 0x00, 0xF3, 0xFF, 0xFF, 0x0F});
    m_clock.Advance(2);
    EXPECT_EQ(Frame(m_flash, {0x03, 0x00, 0x10, 0x00}, 5),
              (std::vector<uint8_t>{0x03, 0xF0, 0x55, 0x0A, 0xFF}));
}

TEST_F(EzPortFlashTest, CommandsWhileBusyAreIgnored) {
    Frame(m_flash, {0x06});
    Frame(m_flash, {0xD8, 0x00, 0x08, 0x00});
    Frame(m_flash, {0x06});
    EXPECT_EQ(Status(m_flash), 0x21);
    EXPECT_EQ(Frame(m_flash, {0x03, 0x00, 0x00, 0x00}, 1)[0], 0xFF);
}

TEST_F(EzPortFlashTest, ProgramWithoutWriteEnableChangesNothing) {
    Frame(m_flash, {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(Status(m_flash), 0x20);
    EXPECT_EQ(m_flash.Memory()[0], 0xFF);
}

TEST_F(EzPortFlashTest, RefusedProgramSetsWriteErrorAndWritesNothing) {
    const std::vector<std::vector<uint8_t>> refused = {
        {0x02, 0x00, 0x10, 0x02, 0x00, 0x00, 0x00, 0x00},  // not on a longword
        {0x02, 0x00, 0x10, 0x00, 0x00, 0x00},              // not a whole longword
        {0x02, 0x00, 0x10, 0xFC, 0, 0, 0, 0, 0, 0, 0, 0},  // crosses the page end
        {0x02, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // beyond 256 KiB
    };
    for (const auto& frame : refused) {
        Frame(m_flash, {0x06});
        Frame(m_flash, frame);
        EXPECT_EQ(Status(m_flash), 0x60) << "frame of " << frame.size() << " bytes";
    }
    for (uint8_t byte : m_flash.Memory()) {
        ASSERT_EQ(byte, 0xFF);
    }
    // The next accepted program clears the flag.
    Frame(m_flash, {0x06});
    Frame(m_flash, {0x02, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00});
    m_clock.Advance(2);
    EXPECT_EQ(Status(m_flash), 0x20);
}

TEST_F(EzPortFlashTest, SectorEraseErasesOneSectorAndBulkEraseAll) {
    std::fill(m_flash.Memory().begin(), m_flash.Memory().end(), 0x00);
    Frame(m_flash, {0x06});
    Frame(m_flash, {0xD8, 0x00, 0x09, 0x23});
    EXPECT_EQ(Status(m_flash), 0x21);
    m_clock.Advance(20);
    EXPECT_EQ(Status(m_flash), 0x20);
    EXPECT_EQ(m_flash.Memory()[0x07FF], 0x00);
    EXPECT_EQ(m_flash.Memory()[0x0800], 0xFF);
    EXPECT_EQ(m_flash.Memory()[0x0FFF], 0xFF);
    EXPECT_EQ(m_flash.Memory()[0x1000], 0x00);
    Frame(m_flash, {0x06});
    Frame(m_flash, {0xC7});
    m_clock.Advance(99);
    EXPECT_EQ(Status(m_flash), 0x21);
    m_clock.Advance(1);
    EXPECT_EQ(Status(m_flash), 0x20);
    EXPECT_EQ(m_flash.Memory()[0x3FFFF], 0xFF);
}

TEST(EzPortFlash, EraseBeforeConfigurationSetsWriteError) {
    VirtualClock clock;
    ScopedClock scope(clock);
    EzPortFlash flash;
    EnterEzPort(flash);
    Frame(flash, {0x06});
    Frame(flash, {0xC7});
    EXPECT_EQ(Status(flash), 0x40);
}

TEST_F(EzPortFlashTest, InjectedFaultsShowInTheStatus) {
    m_flash.SetFailWrites(true);
    Frame(m_flash, {0x06});
    Frame(m_flash, {0xD8, 0x00, 0x00, 0x00});
    EXPECT_EQ(Status(m_flash), 0x60);
    m_flash.SetFailWrites(false);
    m_flash.SetStuckBusy(true);
    m_clock.Advance(100000);
    Frame(m_flash, {0x06});
    Frame(m_flash, {0xD8, 0x00, 0x00, 0x00});
    EXPECT_EQ(Status(m_flash) & 0x01, 0x01);
    m_flash.SetSilent(true);
    EXPECT_EQ(Status(m_flash), 0xFF);
}

}  // namespace
}  // namespace brivel
