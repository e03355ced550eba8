// The bytes of the meter area: its sections, directories and item records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hex_bytes.h"
#include "image/meter_area.h"
#include "meter_fixture.h"

namespace quillon {
namespace {

using testing::BuildArea;
using testing::Directory;
using testing::HexBytes;
using testing::ItemRecord;
using testing::MeterTree;
using testing::ToHex;

// A record without its checksum, which the whole-area tests cover.
std::string Unchecked(const std::vector<uint8_t>& record) {
    if (record.size() < 2) {
        return "absent";
    }
    return ToHex({record.begin(), record.end() - 2});
}

TEST(MeterArea, WithoutMetersIsTheFrameAnEmptySectionTableAndTheSpeedRecord) {
    MeterTree meters;
    EXPECT_EQ(ToHex(BuildArea(meters.Keys())),
              "AF EB 8A 8E DE 10 44 E1 A3 50 C7 5A A0 5D 52 AA 00 20"
              " 00 06 00 00 E0 25"  // section table, no entries
              " 00 06 00 00 E0 25"  // RAY_0013_IFACE_BAUD, speed index 0, reached by no offset
              " C6 03");
}

TEST(MeterArea, WritesTwoMercuryMetersWithSharedPasswordsByteForByte) {
    MeterTree meters;
    meters.Fill(0, kMeterM230, 2, 1, {"1,2,3,4,5,6", "11,12,13,14,15,16", "21,22,23,24,25,26"})
        .Tick("CH0_M230_1_AUTO_CORR")
        .Tick("CH0_M230_2_AUTO_CORR");
    const std::vector<uint8_t> expected = HexBytes(
        "AF EB 8A 8E DE 10 44 E1 A3 50 C7 5A A0 5D 52 AA 00 90"
        // section table: 0x0000 to 36, group 0x0014 to 60
        " 00 12 00 02 00 00 00 00 00 0C 00 14 00 00 00 1E 57 B4"
        // directory 0x0000: password sets to 84, password table to 98
        " 00 12 00 02 00 0B 00 00 00 2A 00 0C 00 00 00 32 14 8D"
        // RAY_0013_IFACE_BAUD
        " 00 06 00 00 E0 25"
        // directory of group 0x0014: addresses to 121, set reference to 128, mask to 134
        " 00 18 00 03 00 08 00 00 00 37 00 09 00 00 00 38 00 0A 00 00 00 38 47 6F"
        // one set at count byte + 5, one element: default (0) with passwords 0, 1, 2
        " 00 0E 01 00 00 00 05 01 00 00 01 02 BC EB"
        // three unique passwords
        " 00 17 03 01 02 03 04 05 06 0B 0C 0D 0E 0F 10 15 16 17 18 19 1A 82 A8"
        // addresses 1 and 2, set 0, both meters corrected
        " 00 07 02 01 02 04 E5"
        " 00 06 01 00 E1 B5"
        " 00 08 00 00 00 03 A1 DB"
        // area checksum
        " 30 9E");
    EXPECT_EQ(ToHex(BuildArea(meters.Keys())), ToHex(expected));
}

TEST(MeterArea, PutsTheTimeServerAfterThePasswordsOfItsSection) {
    MeterTree meters;
    meters.Fill(0, kMeterM230, 1, 5);
    meters.Tree()
        .Select("TS_CHAN", 0)
        .Select("TS_TYPE", 1)
        .Set("TS_ADDR", "7")
        .Set("TS_PASS", "0x0A,2,3,4,5,6");
    const std::vector<uint8_t> expected = HexBytes(
        "AF EB 8A 8E DE 10 44 E1 A3 50 C7 5A A0 5D 52 AA 00 AB"
        " 00 12 00 02 00 00 00 00 00 0C 00 14 00 00 00 30 D7 A8"
        // directory 0x0000: sets, passwords, TS_PARAM, TS_ADDR, TS_PASS
        " 00 24 00 05 00 0B 00 00 00 3C 00 0C 00 00 00 44 00 10 00 00 00 49"
        " 00 11 00 00 00 49 00 12 00 00 00 48 CF 06"
        " 00 06 00 00 E0 25"
        " 00 18 00 03 00 08 00 00 00 41 00 09 00 00 00 41 00 0A 00 00 00 41 D8 BC"
        " 00 0E 01 00 00 00 05 01 00 00 00 00 3C BA"
        " 00 0B 01 01 02 03 04 05 06 E1 45"
        // channel 0, type index 0; address 7; its own password, outside the meters' table
        " 00 06 00 00 E0 25"
        " 00 05 07 33 52"
        " 00 0B 01 0A 02 03 04 05 06 E0 3E"
        " 00 06 01 05 21 B6"
        " 00 06 01 00 E1 B5"
        " 00 08 00 00 00 00 E1 DA"
        " E1 7D");
    EXPECT_EQ(ToHex(BuildArea(meters.Keys())), ToHex(expected));
}

TEST(MeterArea, WritesMs744ControllersWithTheirOptionsAndMasks) {
    MeterTree meters;
    meters.Fill(1, kMeterMs744, 3, 10)
        .Tick("CH1_MS744_REC")
        .Tick("CH1_MS744_COOKIE")
        .Tick("CH1_MS744_LAST")
        .Tick("CH1_MS744_2_POLL")
        .Tick("CH1_MS744_3_STAT");
    meters.Tree().Select("CH1_MS744_BAUD", 4);
    const std::vector<uint8_t> expected = HexBytes(
        "AF EB 8A 8E DE 10 44 E1 A3 50 C7 5A A0 5D 52 AA 00 74"
        // section table: 0x0013 to 36, group 0x0076 to 66
        " 00 12 00 02 00 13 00 00 00 0C 00 76 00 00 00 24 75 EB"
        " 00 12 00 02 00 0D 00 00 00 0C 00 1B 00 00 00 0C B8 14"
        // journal options all ticked, speed "38400"
        " 00 06 8F FF C4 55"
        " 00 06 04 00 E2 E5"
        // directory: addresses, polling mask, statistics mask
        " 00 18 00 03 00 08 00 00 00 12 00 0E 00 00 00 14 00 0F 00 00 00 16 8F A0"
        " 00 08 03 0A 0B 0C C6 A9"
        " 00 08 00 00 00 02 60 1B"
        " 00 08 00 00 00 04 E0 19"
        " E7 20");
    EXPECT_EQ(ToHex(BuildArea(meters.Keys())), ToHex(expected));
}

TEST(MeterArea, ClearsNoJournalBitWhenNoOptionIsTicked) {
    MeterTree meters;
    meters.Fill(1, kMeterMs744, 1);
    EXPECT_EQ(Unchecked(ItemRecord(BuildArea(meters.Keys()), 0x0013, 0x000D)), "00 06 FF FF");
}

TEST(MeterArea, WritesNoSpeedSelectionAsFf) {
    MeterTree meters;
    meters.Fill(1, kMeterMs744, 1);
    meters.Tree().Select("CH1_MS744_BAUD", -1);
    EXPECT_EQ(Unchecked(ItemRecord(BuildArea(meters.Keys()), 0x0013, 0x001B)), "00 06 FF 00");
}

TEST(MeterArea, MasksAFullGroupAndOnlyTheMetersOfTheLastOne) {
    MeterTree meters;
    meters.Fill(0, kMeterSeb, 37);
    for (int k = 1; k <= 37; ++k) {
        meters.Tick(MeterTree::MeterKey(0, kMeterSeb, k, "AUTO_CORR"));
    }
    const std::vector<uint8_t> area = BuildArea(meters.Keys());
    EXPECT_EQ(Unchecked(ItemRecord(area, 0x001E, 0x000A)), "00 08 FF FF FF FF");
    EXPECT_EQ(Unchecked(ItemRecord(area, 0x001F, 0x000A)), "00 08 00 00 00 1F");
    // Meters 33 to 37 are meters 1 to 5 of the second group.
    EXPECT_EQ(Unchecked(ItemRecord(area, 0x001F, 0x0008)), "00 0A 05 21 22 23 24 25");
}

TEST(MeterArea, WritesEachTypesAddressesInItsWidth) {
    MeterTree meters;
    meters.Count(0, kMeterM200, 2)
        .Address(0, kMeterM200, 1, "4294967295")
        .Address(0, kMeterM200, 2, "0x10");
    meters.Count(1, kMeterCe102, 2)
        .Address(1, kMeterCe102, 1, "65534")
        .Address(1, kMeterCe102, 2, "1")
        .Passwords(1, kMeterCe102, 1, {"1,2,3,4", "1,2,3,4", "1,2,3,4"})
        .Passwords(1, kMeterCe102, 2, {"1,2,3,4", "1,2,3,4", "1,2,3,4"});
    const std::vector<uint8_t> area = BuildArea(meters.Keys());
    EXPECT_EQ(Unchecked(ItemRecord(area, 0x0032, 0x0008)), "00 0D 02 FF FF FF FF 00 00 00 10");
    EXPECT_EQ(Unchecked(ItemRecord(area, 0x009B, 0x0008)), "00 09 02 FF FE 00 01");
    // M200 has only its address table; CE102 adds its password set reference.
    EXPECT_EQ(Unchecked(Directory(area, 0x0032)), "00 0C 00 01 00 08 00 00 00 31");
    EXPECT_EQ(Directory(area, 0x009B).size(), 18u);
}

TEST(MeterArea, WritesTheCe303ThirdPasswordIndexAsZero) {
    MeterTree meters;
    meters.Fill(0, kMeterCe303, 1, 1, {"48,48,48,48,48,48", "49,49,49,49,49,49"});
    const std::vector<uint8_t> area = BuildArea(meters.Keys());
    EXPECT_EQ(Unchecked(ItemRecord(area, 0x0000, 0x000B)), "00 0E 01 00 00 00 05 01 00 00 01 00");
    EXPECT_EQ(Unchecked(ItemRecord(area, 0x00A1, 0x0008)), "00 09 01 00 00 00 01");
}

TEST(MeterArea, ListsAPasswordSetSharedByTwoGroupsOnce) {
    MeterTree meters;
    meters.Fill(0, kMeterM230, 40, 1, {"1,1,1,1,1,1", "2,2,2,2,2,2", "3,3,3,3,3,3"})
        .Passwords(0, kMeterM230, 3, {"9,9,9,9,9,9", "2,2,2,2,2,2", "3,3,3,3,3,3"})
        .Passwords(0, kMeterM230, 35, {"9,9,9,9,9,9", "2,2,2,2,2,2", "3,3,3,3,3,3"});
    meters.Fill(1, kMeterSet, 3, 1, {"1,1,1,1,1,1", "2,2,2,2,2,2", "3,3,3,3,3,3"})
        .Passwords(1, kMeterSet, 3, {"9,9,9,9,9,9", "2,2,2,2,2,2", "3,3,3,3,3,3"});
    const std::vector<uint8_t> area = BuildArea(meters.Keys());
    // Meter 3 of each group differs from the default in password 1.
    EXPECT_EQ(Unchecked(ItemRecord(area, 0x0000, 0x000B)),
              "00 12 01 00 00 00 05 02 00 00 01 02 03 03 01 02");
    for (uint16_t group : {uint16_t{0x0014}, uint16_t{0x0015}, uint16_t{0x0050}}) {
        EXPECT_EQ(Unchecked(ItemRecord(area, group, 0x0009)), "00 06 01 00") << group;
    }
}

TEST(MeterArea, CountsSetOffsetsFromTheCountByte) {
    MeterTree meters;
    meters.Fill(0, kMeterM230, 2, 1, {"1,1,1,1,1,1", "2,2,2,2,2,2", "3,3,3,3,3,3"})
        .Passwords(0, kMeterM230, 2, {"4,4,4,4,4,4", "2,2,2,2,2,2", "3,3,3,3,3,3"});
    meters.Fill(0, kMeterSeb, 1, 3, {"5,5,5,5,5,5", "2,2,2,2,2,2", "3,3,3,3,3,3"});
    const std::vector<uint8_t> area = BuildArea(meters.Keys());
    // Set 0 (two elements) at count byte + 9, set 1 (one element) at + 9 + 9.
    EXPECT_EQ(Unchecked(ItemRecord(area, 0x0000, 0x000B)),
              "00 1B 02 00 00 00 09 00 00 00 12 02 00 00 01 02 02 03 01 02 01 00 04 01 02");
    EXPECT_EQ(Unchecked(ItemRecord(area, 0x001E, 0x0009)), "00 06 01 01");
}

}  // namespace
}  // namespace quillon
