#include "core/passes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/console.h"
#include "core/progress_bar.h"
#include "core/srecord_reader.h"
#include "core/testing/srec_text.h"
#include "core/testing/temp_folder.h"
#include "core/testing/virtual_clock.h"
#include "fake_target.h"

namespace brivel {
namespace {

using testing::Counting;
using testing::FakeTarget;
using testing::S3Records;
using testing::SRecord;
using testing::TempFolder;
using Lines = std::vector<std::string>;

class Passes : public ::testing::Test {
protected:
    void SetUp() override {
        target().Reset();
        m_clock.SetTickStep(1);
    }

    static FakeTarget& target() { return FakeTarget::Instance(); }

    void Load(const std::string& content) {
        ASSERT_EQ(m_reader.Open(m_folder.Write("image.s19", content)), 0);
    }

    int Erase() { return EraseSectors(FakeTarget::Ops(), m_reader, m_console); }

    int Transfer(bool verify) {
        m_progress.Start(20, 1000);
        m_console.Clear();
        return TransferImage(FakeTarget::Ops(), m_reader, verify, m_progress, m_console);
    }

    void Store(uint32_t address, const std::vector<uint8_t>& data) {
        std::copy(data.begin(), data.end(), target().flash.begin() + address);
    }

    std::vector<uint8_t> Flash(uint32_t address, std::size_t length) {
        return {target().flash.begin() + address, target().flash.begin() + address + length};
    }

    TempFolder m_folder;
    VirtualClock m_clock;
    ScopedClock m_scoped{m_clock};
    StringConsole m_console;
    ProgressBar m_progress{m_console};
    SRecordReader m_reader;
};

TEST_F(Passes, RecordsWithAGapAreWrittenAsTwoBlocks) {
    Load(S3Records(0x100, Counting(16, 0x10)) + S3Records(0x120, Counting(16, 0x40)));
    EXPECT_EQ(Transfer(false), 0);
    EXPECT_EQ(target().LogOf("Program"), (Lines{"Program 0x00000100 16", "Program 0x00000120 16"}));
    EXPECT_EQ(Flash(0x100, 16), Counting(16, 0x10));
    EXPECT_EQ(Flash(0x110, 16), std::vector<uint8_t>(16, 0xFF));
    EXPECT_EQ(Flash(0x120, 16), Counting(16, 0x40));
}

TEST_F(Passes, ARecordThatContinuesJoinsItsBlock) {
    Load(SRecord('0', 0, {'H', 'D', 'R'}) + S3Records(0x100, Counting(16)) +
         SRecord('1', 0x110, {1, 2}) + S3Records(0x110, Counting(16, 16)) + SRecord('7', 0, {}));
    EXPECT_EQ(Transfer(false), 0);
    EXPECT_EQ(target().LogOf("Program"), (Lines{"Program 0x00000100 32"}));
    EXPECT_EQ(Flash(0x100, 32), Counting(32));
}

TEST_F(Passes, BlocksHold256BytesAndSplitAtPages) {
    // 600 bytes from 0x10F0: blocks at 0x10F0, 0x11F0 and 0x12F0, each split by the page end.
    Load(S3Records(0x10F0, Counting(600)));
    EXPECT_EQ(Transfer(false), 0);
    EXPECT_EQ(target().LogOf("Program"),
              (Lines{"Program 0x000010F0 16", "Program 0x00001100 240", "Program 0x000011F0 16",
                     "Program 0x00001200 240", "Program 0x000012F0 16", "Program 0x00001300 72"}));
    EXPECT_EQ(Flash(0x10F0, 600), Counting(600));
    EXPECT_EQ(Transfer(true), 0);
}

TEST_F(Passes, AnEmptyBlockBeforeAGapIsNeverSent) {
    // The first record ends exactly on a block end; the next one starts elsewhere.
    Load(S3Records(0x100, Counting(256)) + S3Records(0x400, Counting(16)));
    EXPECT_EQ(Transfer(false), 0);
    EXPECT_EQ(Transfer(true), 0);
    EXPECT_EQ(target().LogOf("Read"), (Lines{"Read 0x00000100 256", "Read 0x00000400 16"}));
    EXPECT_EQ(target().LogOf("Program"),
              (Lines{"Program 0x00000100 256", "Program 0x00000400 16"}));
}

TEST_F(Passes, VerifyReportsTheFirstDifferentByte) {
    Load(S3Records(0x2000, Counting(64)));
    std::vector<uint8_t> flash = Counting(64);
    flash[2] = 0x5A;
    flash[3] = 0x5B;
    Store(0x2000, flash);
    EXPECT_EQ(Transfer(true), -1);
    EXPECT_EQ(m_console.Text(),
              "\r\nОшибка сравнения по адресу 0x00002002 прочитано 0x5A вместо 0x02.");
}

TEST_F(Passes, AFailedOperationPrintsItsCodeAndText) {
    Load(S3Records(0x2000, Counting(64)));
    target().failReadFrom = 0;
    EXPECT_EQ(Transfer(true), 1);
    EXPECT_EQ(m_console.Text(), "\r\nОшибка 1 - \"Ошибка интерфейса\".\r\n");

    target().writeError = true;
    EXPECT_EQ(Transfer(false), 3);
    EXPECT_EQ(m_console.Text(), "\r\nОшибка 3 - \"Ошибка записи( установлен флаг WEF )\".\r\n");

    target().writeError = false;
    target().writeErrorFlag = false;
    target().stuckBusy = true;
    EXPECT_EQ(Transfer(false), 2);
    EXPECT_EQ(m_console.Text(), "\r\nОшибка 2 - \"Тайм-аут выполнения операции\".\r\n");
}

TEST_F(Passes, EachTouchedSectorIsExaminedOnce) {
    Load(S3Records(0x0000, Counting(64)) + S3Records(0x0800, Counting(64)) +
         S3Records(0x1000, Counting(16)));
    Store(0x0800, {0x00});
    EXPECT_EQ(Erase(), 0);
    EXPECT_EQ(target().LogOf("Read"),
              (Lines{"Read 0x00000000 2048", "Read 0x00000800 2048", "Read 0x00001000 2048"}));
    EXPECT_EQ(target().LogOf("SectorErase"), (Lines{"SectorErase 0x00000800"}));
    EXPECT_EQ(m_console.Text(),
              "Стираем сектора...\r\n"
              "0x00000000-0x000007FF\tчистый\r\n"
              "0x00000800-0x00000FFF\r\n"
              "0x00001000-0x000017FF\tчистый\r\n");
    EXPECT_EQ(Flash(0x800, 1), std::vector<uint8_t>{0xFF});
}

TEST_F(Passes, ARecordAcrossASectorBoundaryTouchesBothSectors) {
    Load(SRecord('3', 0x07F8, Counting(16)));
    Store(0x07F0, {0x00});
    Store(0x0800, {0x00});
    EXPECT_EQ(Erase(), 0);
    // The erase is addressed at the current address inside each sector.
    EXPECT_EQ(target().LogOf("SectorErase"),
              (Lines{"SectorErase 0x000007F8", "SectorErase 0x00000800"}));
    EXPECT_EQ(Flash(0x07F0, 1), std::vector<uint8_t>{0xFF});
}

TEST_F(Passes, ASectorThatCannotBeReadIsErased) {
    Load(S3Records(0x3000, Counting(16)));
    target().failReadFrom = 0;
    EXPECT_EQ(Erase(), 0);
    EXPECT_EQ(target().LogOf("SectorErase"), (Lines{"SectorErase 0x00003000"}));
}

TEST_F(Passes, AFailedSectorEraseEndsThePass) {
    Load(S3Records(0x0000, Counting(16)) + S3Records(0x0800, Counting(16)));
    Store(0x0000, {0x00});
    target().stuckBusy = true;
    EXPECT_EQ(Erase(), 2);
    EXPECT_EQ(m_console.Text(), "Стираем сектора...\r\n0x00000000-0x000007FF\tошибка\r\n");
    target().Reset();
    Store(0x0000, {0x00});
    target().noAnswer = true;  // the write-enable check fails: no erase is sent
    EXPECT_EQ(Erase(), 1);
    EXPECT_TRUE(target().LogOf("SectorErase").empty());
}

TEST(ProgressBar, DrawsItsCellsAsTheBytesGo) {
    StringConsole console;
    ProgressBar bar(console);
    bar.Start(20, 1000);
    EXPECT_EQ(console.Text(), std::string(21, ' ') + "]\r[");
    console.Clear();
    bar.Update(49);
    EXPECT_EQ(console.Text(), "");
    bar.Update(256);
    EXPECT_EQ(console.Text(), "|||||");
    bar.Update(1000);
    EXPECT_EQ(console.Text(), std::string(20, '|') + "]");
    bar.Update(1000);
    EXPECT_EQ(console.Text(), std::string(20, '|') + "]");
    console.Clear();
    bar.Start(20, 0);
    bar.Update(0);
    EXPECT_EQ(console.Text(), std::string(21, ' ') + "]\r[");
}

}  // namespace
}  // namespace brivel
