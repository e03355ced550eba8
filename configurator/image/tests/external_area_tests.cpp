#include "image/external_area.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "external_area_fixture.h"

namespace quillon {
namespace {

using testing::BigEndian;
using testing::DirectoryField;
using testing::HexBytes;
using testing::OffsetTarget;
using testing::ToHex;
using testing::TreeFixture;

class ExternalArea : public testing::ExternalAreaTest {};

// A modem main channel, an Ethernet reserve channel and every table in use.
void SetSite(TreeFixture& tree) {
    tree.Set("EXT_GID", "0x0102");
    tree.Select("EXT_MAIN_CHAN_TYPE", 1)
        .Set("EXT_MAIN_CHAN_SYS", "ab")
        .Set("EXT_MAIN_CHAN_SRV", "cd")
        .Set("EXT_MAIN_CHAN_TRY", "1")
        .Set("EXT_MAIN_CHAN_APN", "apn")
        .Set("EXT_MAIN_CHAN_IP", "");  // a modem channel reads no address
    tree.Select("EXT_RSV_CHAN_TYPE", 0)
        .Set("EXT_RSV_CHAN_SYS", "ef")
        .Set("EXT_RSV_CHAN_SRV", "gh")
        .Set("EXT_RSV_CHAN_TRY", "2")
        .Set("EXT_RSV_CHAN_APN", "");  // an Ethernet channel reads no APN
    tree.Check("BBLOG_COD_COLD_RESET").Check("BBLOG_COD_BAT_FAIL").Check("BBLOG_COD_TIME_NOT_ADEQ");
    tree.Check("EXT_SYSLOG");
    tree.Select("CH0_GROUP", 1).Set("CH0_M230_NUM", "3").Set("CH0_SEB_NUM", "1");
    tree.Set("CH0_SET_NUM", "0");
    tree.Select("CH1_GROUP", 3).Set("CH1_MS744_NUM", "4");
    tree.Select("CH0_UART_SPEED", 6)
        .Select("CH0_UART_BIT_PER_SYMBOL", 4)
        .Select("CH0_UART_STOP_BIT_DURATION", 1)
        .Select("CH0_UART_PARITY_BIT", 1);
    tree.Check("EVR_REC").Check("EVR_COOKIE");
}

TEST_F(ExternalArea, WritesACompleteAreaByteForByte) {
    testing::WriteFile(m_schedule, {1, 2, 3, 4, 5});
    SetSite(m_tree);
    const std::vector<uint8_t> area = Build();
    const std::vector<uint8_t> expected = HexBytes(
        // signature and total size 281
        "AF EB 8A 8E DE 10 44 E1 A3 50 C7 5A A0 5D 52 AA 01 19"
        // section table: 0x0000 at +12, 0x0100 at +60
        " 00 12 00 02 00 00 00 00 00 0C 01 00 00 00 00 3C E6 7F"
        // directory 0x0000: identifiers 1 to 6, 28, 29
        " 00 36 00 08 00 01 00 00 00 3C 00 02 00 00 00 3F 00 03 00 00 00 63"
        " 00 04 00 00 00 9B 00 05 00 00 00 9A 00 06 00 00 00 9D 00 1C 00 00 00 AF"
        " 00 1D 00 00 00 75 FA 71"
        // directory 0x0100: identifier 13
        " 00 0C 00 01 00 0D 00 00 00 B1 D8 72"
        // GID "0102"
        " 00 09 30 31 30 32 00 40 0E"
        // MAIN, modem: kind m, SYS, SRV, TRY, APN, then its four strings
        " 00 1E 05 80 00 00 00 6D 01 00 00 00 15 02 00 00 00 13 03 00 00 00 11"
        " 04 00 00 00 0E 06 CC"
        " 61 62 00 63 64 00 31 00 61 70 6E 00"
        // RSV, Ethernet: kind t, SYS, SRV, TRY, IP, GATE, MASK, then three strings
        " 00 28 07 80 00 00 00 74 01 00 00 00 1F 02 00 00 00 1D 03 00 00 00 1B"
        " 84 0A 00 00 02 85 0A 00 00 01 86 FF 00 00 00 68 BE"
        " 65 66 00 67 68 00 32 00"
        // event-log filter: mask 0x0001, combined codes 03 27
        " 00 0E 90 08 00 01 03 27 00 00 00 00 15 A3"
        // system flags
        " 00 05 FE F3 10"
        // schedule table
        " 00 09 01 02 03 04 05 15 22"
        // channel set-up: channel 0 group 1 with M230 3 and SEB 1, channel 1 MS744 4
        " 00 18 02 00 05 00 0E 00 01 02 00 01 03 00 02 01 00 03 01 00 05 04 08 9F"
        // UART: channel 0 9600 baud, 8 bits, stop code 1, parity code 1; channel 1 defaults
        " 00 14 90 0E 00 00 25 80 08 01 01 00 00 00 00 00 00 00 B5 4F"
        // poll configuration: REC and COOKIE
        " 00 06 9F FF C9 95"
        // area checksum
        " 30 5D");
    EXPECT_EQ(ToHex(area), ToHex(expected));
}

TEST_F(ExternalArea, LeadsEveryDirectoryEntryForwardToItsRecord) {
    testing::WriteFile(m_schedule, std::vector<uint8_t>(100, 0x5A));
    SetSite(m_tree);
    const std::vector<uint8_t> area = Build();

    // The second section entry names 0x0100 and leads to the 12-byte directory that follows
    // the 54-byte one at once.
    const size_t directory0 = OffsetTarget(area, 24);
    EXPECT_EQ(directory0, 36u);
    EXPECT_EQ(BigEndian(area, 28, 2), 0x0100u);
    EXPECT_EQ(OffsetTarget(area, 30), directory0 + 54);
    EXPECT_EQ(BigEndian(area, directory0 + 54, 2), 12u);

    const struct {
        uint16_t identifier;
        size_t size;
    } records[] = {{1, 9}, {2, 30}, {3, 40}, {4, 5}, {5, 104}, {6, 24}, {28, 20}, {29, 14}};
    for (const auto& record : records) {
        SCOPED_TRACE(record.identifier);
        const size_t field = DirectoryField(area, 0, record.identifier);
        EXPECT_GT(BigEndian(area, field, 4), 0u);
        EXPECT_LT(BigEndian(area, field, 4), area.size() - field);
        EXPECT_EQ(BigEndian(area, OffsetTarget(area, field), 2), record.size);
    }
    EXPECT_EQ(BigEndian(area, OffsetTarget(area, DirectoryField(area, 1, 13)), 2), 6u);

    // The filter record comes 14 bytes before the flags, its field 24 bytes after theirs.
    const size_t flags = DirectoryField(area, 0, 4);
    const size_t filter = DirectoryField(area, 0, 29);
    EXPECT_EQ(filter - flags, 24u);
    EXPECT_EQ(BigEndian(area, filter, 4) + 38, BigEndian(area, flags, 4));
    EXPECT_EQ(OffsetTarget(area, filter) + 14, OffsetTarget(area, flags));
}

TEST_F(ExternalArea, FollowsAModemMainChannelWithItsApnOnly) {
    SetSite(m_tree);
    const std::vector<uint8_t> area = Build();
    const size_t main = OffsetTarget(area, DirectoryField(area, 0, 2));
    const size_t reserve = OffsetTarget(area, DirectoryField(area, 0, 3));
    EXPECT_EQ(BigEndian(area, main, 2), 30u);
    // "ab", "cd", "1", "apn" lie between the records; the reserve's three strings end at the
    // filter record.
    EXPECT_EQ(reserve, main + 30 + 12);
    EXPECT_EQ(BigEndian(area, reserve, 2), 40u);
    EXPECT_EQ(OffsetTarget(area, DirectoryField(area, 0, 29)), reserve + 40 + 8);
}

TEST_F(ExternalArea, ReportsTheFirstFailureInTheOrderOfTheArea) {
    struct Case {
        const char* what;
        std::function<void(TreeFixture&)> change;
        std::string message;
    };
    using testing::kWrongField;
    const std::string type = kWrongField + "\"\xD2\xE8\xEF \xEA\xE0\xED\xE0\xEB\xE0\".";
    const Case cases[] = {
        {"GID before the channels",
         [](TreeFixture& t) { t.Set("EXT_GID", "65536").Select("EXT_MAIN_CHAN_TYPE", -1); },
         kWrongField + "\"GID\""},
        {"main type", [](TreeFixture& t) { t.Select("EXT_MAIN_CHAN_TYPE", -1); }, type},
        {"main before reserve",
         [](TreeFixture& t) { t.Set("EXT_MAIN_CHAN_SRV", "").Select("EXT_RSV_CHAN_TYPE", -1); },
         kWrongField + "\"SRV\""},
        {"modem APN before SYS",
         [](TreeFixture& t) {
             t.Select("EXT_RSV_CHAN_TYPE", 1)
                 .Set("EXT_RSV_CHAN_APN", "")
                 .Set("EXT_RSV_CHAN_SYS", "");
         },
         kWrongField + "\"APN\""},
        {"reserve TRY before the tables",
         [](TreeFixture& t) { t.Set("EXT_RSV_CHAN_TRY", "").Select("CH0_GROUP", -1); },
         kWrongField + "\"TRY\""},
        {"schedule before the channel set-up",
         [](TreeFixture& t) { t.Set("TIME_TABLE", "/nonexistent/t.bin").Select("CH0_GROUP", -1); },
         testing::kCannotOpenSchedule},
        {"both groups before any count",
         [](TreeFixture& t) {
             t.Select("CH0_GROUP", 1).Set("CH0_M230_NUM", "x").Select("CH1_GROUP", -1);
         },
         testing::kWrongGroup},
        {"channel 0 counts before channel 1",
         [](TreeFixture& t) {
             t.Select("CH0_GROUP", 2).Set("CH0_M200_NUM", "129");
             t.Select("CH1_GROUP", 2).Set("CH1_M200_NUM", "");
         },
         testing::WrongCount(0)},
        {"a count before the sum",
         [](TreeFixture& t) {
             t.Select("CH0_GROUP", 1).Set("CH0_M230_NUM", "100").Set("CH0_SEB_NUM", "29");
             t.Set("CH0_SET_NUM", "");
         },
         testing::WrongCount(0)},
        {"channel 0 sum before channel 1 counts",
         [](TreeFixture& t) {
             t.Select("CH0_GROUP", 1).Set("CH0_M230_NUM", "100").Set("CH0_SEB_NUM", "29");
             t.Set("CH0_SET_NUM", "0").Select("CH1_GROUP", 4).Set("CH1_M601_NUM", "2");
         },
         testing::TooManyMeters(0)},
        {"channel set-up before UART",
         [](TreeFixture& t) {
             t.Select("CH1_GROUP", 5).Set("CH1_CE102_NUM", "");
             t.Select("CH0_UART_SPEED", -1);
         },
         testing::WrongCount(1)},
        {"speed before data bits",
         [](TreeFixture& t) {
             t.Select("CH0_UART_BIT_PER_SYMBOL", -1).Select("CH0_UART_SPEED", -1);
         },
         testing::kWrongSpeed},
        {"channel 0 parity before channel 1 speed",
         [](TreeFixture& t) { t.Select("CH0_UART_PARITY_BIT", -1).Select("CH1_UART_SPEED", -1); },
         testing::kWrongParity},
        {"channel 1 data bits", [](TreeFixture& t) { t.Select("CH1_UART_BIT_PER_SYMBOL", -1); },
         testing::kWrongDataBits},
        {"channel 1 stop bits",
         [](TreeFixture& t) {
             t.Select("CH1_UART_STOP_BIT_DURATION", -1).Select("CH1_UART_PARITY_BIT", -1);
         },
         testing::kWrongStopBits},
        {"UART before an empty schedule name",
         [](TreeFixture& t) { t.Set("TIME_TABLE", "").Select("CH1_UART_PARITY_BIT", -1); },
         testing::kWrongParity},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TreeFixture tree;
        SetValid(tree);
        c.change(tree);
        EXPECT_EQ(FailureOf(tree), c.message);
    }
}

}  // namespace
}  // namespace quillon
