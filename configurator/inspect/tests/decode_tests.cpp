// The values the inspector decodes from areas the builder wrote equal the settings that made
// them.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "area_bytes.h"
#include "image/save_setup.h"
#include "inspect/area_report.h"
#include "inspect/setup_dump.h"
#include "setup_fixture.h"

namespace quillon::inspect {
namespace {

// The one item of a kind (in a section, when given) the walk found.
const AreaItem& ItemOf(const AreaReport& report, ItemKind kind, int section = -1) {
    const AreaItem* found = nullptr;
    for (const AreaItem& item : report.items) {
        if (item.kind == kind && (section < 0 || item.section == section)) {
            EXPECT_EQ(found, nullptr) << "two items of kind " << static_cast<int>(kind);
            found = &item;
        }
    }
    if (found == nullptr) {
        ADD_FAILURE() << "no item of kind " << static_cast<int>(kind) << " section " << section;
        static const AreaItem kNone;
        return kNone;
    }
    return *found;
}

template <typename T>
const T& ValueOf(const AreaReport& report, ItemKind kind, int section = -1) {
    static const T kEmpty{};
    const T* value = std::get_if<T>(&ItemOf(report, kind, section).value);
    EXPECT_NE(value, nullptr);
    return value ? *value : kEmpty;
}

// The channel with the identifier (2 main, 3 reserve) as "kind SYS SRV TRY APN|IP GATE MASK".
std::string ChannelText(const AreaReport& report, uint16_t identifier) {
    std::string text;
    for (const AreaItem& item : report.items) {
        if (item.kind != ItemKind::kChannel || item.identifier != identifier) {
            continue;
        }
        for (const ChannelEntry& entry : std::get<ChannelValue>(item.value).entries) {
            if (entry.tag == 0x80) {
                text += static_cast<char>(entry.value);
            } else if (entry.tag >= 0x84) {
                text.append(" ").append(std::to_string(entry.value >> 24));
                for (const int shift : {16, 8, 0}) {
                    text.append(".").append(std::to_string(entry.value >> shift & 0xFF));
                }
            } else {
                for (const AreaItem& string : report.items) {
                    if (string.kind == ItemKind::kString &&
                        string.start == static_cast<size_t>(entry.target)) {
                        text.append(" ").append(FromCp1251(std::get<TextValue>(string.value).text));
                    }
                }
            }
        }
    }
    return text;
}

TEST(DecodedValues, LocalAreaHoldsTheGidAndBothChannelsAsSet) {
    testing::Tree tree;
    testing::SetLocal(tree);
    const auto bytes = testing::BuildLocal(tree);
    const AreaReport report = WalkArea(bytes, AreaKind::kLocal);
    ASSERT_TRUE(report.problems.empty());
    EXPECT_EQ(ValueOf<TextValue>(report, ItemKind::kGid).text, "1234");  // 4660
    EXPECT_EQ(ChannelText(report, 2), "t sys srv 3 192.168.0.10 192.168.0.1 255.255.255.0");
    EXPECT_EQ(ChannelText(report, 3), "m резерв s2 5 internet");
}

TEST(DecodedValues, ExternalAreaHoldsItsTablesAsSet) {
    testing::ScratchFolder folder;
    const std::string schedule(77, '\x42');
    testing::Tree tree;
    testing::SetExternal(tree, folder.Write("s.bin", schedule));
    tree.Set("EXT_GID", "65535").Select("EXT_RSV_CHAN_TYPE", 1).Set("EXT_RSV_CHAN_APN", "apn");
    tree.Check("BBLOG_COD_COLD_RESET")
        .Check("BBLOG_COD_GATE_TSYNC")
        .Check("BBLOG_COD_BAT_FAIL")
        .Check("BBLOG_COD_TIME_NOT_ADEQ")
        .Check("EXT_TCORR")
        .Check("EVR_COOKIE");
    tree.Select("CH0_GROUP", 1).Set("CH0_M230_NUM", "100").Set("CH0_SEB_NUM", "0");
    tree.Set("CH0_SET_NUM", "28");
    tree.Select("CH1_GROUP", 6).Set("CH1_CE303_NUM", "7");
    tree.Select("CH0_UART_SPEED", 6)
        .Select("CH0_UART_BIT_PER_SYMBOL", 4)
        .Select("CH0_UART_STOP_BIT_DURATION", 2)
        .Select("CH0_UART_PARITY_BIT", 3)
        .Select("CH1_UART_SPEED", 9);
    const auto bytes = testing::BuildExternal(tree);
    const AreaReport report = WalkArea(bytes, AreaKind::kExternal);
    ASSERT_TRUE(report.problems.empty());

    EXPECT_EQ(ValueOf<TextValue>(report, ItemKind::kGid).text, "FFFF");
    EXPECT_EQ(ChannelText(report, 2), "t s v t 10.0.0.2 10.0.0.1 255.0.0.0");
    EXPECT_EQ(ChannelText(report, 3), "m s v t apn");

    const auto& filter = ValueOf<EventFilterValue>(report, ItemKind::kEventFilter);
    EXPECT_EQ(filter.mask, 0x0081);
    EXPECT_EQ(filter.combined, (std::array<uint8_t, 6>{0x03, 0x27, 0, 0, 0, 0}));
    EXPECT_EQ(ValueOf<FlagsValue>(report, ItemKind::kSystemFlags).flags, 0xFD);
    EXPECT_EQ(ValueOf<FlagsValue>(report, ItemKind::kPollConfig).flags, 0xDF);
    EXPECT_EQ(ValueOf<ScheduleValue>(report, ItemKind::kSchedule).length, schedule.size());

    const auto& setup = ValueOf<ChannelSetupValue>(report, ItemKind::kChannelSetup);
    ASSERT_EQ(setup.channels.size(), 2u);
    EXPECT_EQ(setup.channels[0].groupCode, 1);
    EXPECT_EQ(setup.channels[0].types,
              (std::vector<std::pair<uint16_t, uint8_t>>{{1, 100}, {3, 28}}));
    EXPECT_EQ(setup.channels[1].groupCode, 6);
    EXPECT_EQ(setup.channels[1].types, (std::vector<std::pair<uint16_t, uint8_t>>{{8, 7}}));

    const auto& uart = ValueOf<UartValue>(report, ItemKind::kUartConfig);
    EXPECT_EQ(uart.lines[0].speed, 9600u);
    EXPECT_EQ(uart.lines[0].dataBits, 8);
    EXPECT_EQ(uart.lines[0].stopBits, 2);
    EXPECT_EQ(uart.lines[0].parity, 3);
    EXPECT_EQ(uart.lines[1].speed, 57600u);
    EXPECT_EQ(uart.lines[1].dataBits, 0);
}

// Channel 0: three Меркурий-230 meters, the first two with one set of passwords and the third
// with another, automatic correction on meter 2; channel 1: two MS744 controllers; a
// Меркурий-230 time server.
void SetMeters(testing::Tree& tree) {
    tree.Select("CH0_GROUP", 1)
        .Set("CH0_M230_NUM", "3")
        .Set("CH0_SEB_NUM", "0")
        .Set("CH0_SET_NUM", "0");
    testing::SetMeter(tree, "CH0_M230", 1, "5", "1,2,3,4,5,6");
    testing::SetMeter(tree, "CH0_M230", 2, "6", "1,2,3,4,5,6");
    testing::SetMeter(tree, "CH0_M230", 3, "7", "0x10,0,0,0,0,255");
    tree.Check("CH0_M230_2_AUTO_CORR");
    tree.Select("CH1_GROUP", 3).Set("CH1_MS744_NUM", "2");
    testing::SetMeter(tree, "CH1_MS744", 1, "10");
    testing::SetMeter(tree, "CH1_MS744", 2, "11");
    tree.Check("CH1_MS744_1_POLL").Check("CH1_MS744_2_STAT").Check("CH1_MS744_REC");
    tree.Select("CH1_MS744_BAUD", 2);
    tree.Select("TS_CHAN", 0)
        .Select("TS_TYPE", 1)
        .Set("TS_ADDR", "5")
        .Set("TS_PASS", "9,9,9,9,9,9");
}

TEST(DecodedValues, MeterAreaHoldsGroupsPasswordsMs744OptionsAndTheTimeServerAsSet) {
    testing::Tree tree;
    SetMeters(tree);
    const auto bytes = testing::BuildMeter(tree);
    const AreaReport report = WalkArea(bytes, AreaKind::kMeter);
    ASSERT_TRUE(report.problems.empty());

    EXPECT_EQ(ValueOf<AddressTableValue>(report, ItemKind::kAddressTable, 0x0014).addresses,
              (std::vector<uint32_t>{5, 6, 7}));
    EXPECT_EQ(ValueOf<MaskValue>(report, ItemKind::kCorrectionMask, 0x0014).mask, 0b010u);
    EXPECT_EQ(ValueOf<AddressTableValue>(report, ItemKind::kAddressTable, 0x0076).addresses,
              (std::vector<uint32_t>{10, 11}));
    EXPECT_EQ(ValueOf<MaskValue>(report, ItemKind::kPollMask, 0x0076).mask, 0b01u);
    EXPECT_EQ(ValueOf<MaskValue>(report, ItemKind::kStatisticsMask, 0x0076).mask, 0b10u);
    EXPECT_EQ(ValueOf<ByteValue>(report, ItemKind::kMs744Baud).value, 2);
    EXPECT_EQ(ValueOf<FlagsValue>(report, ItemKind::kMs744PollConfig).flags, 0xBF);

    const PasswordBytes a = {1, 2, 3, 4, 5, 6}, b = {0x10, 0, 0, 0, 0, 255};
    EXPECT_EQ(ValueOf<PasswordTableValue>(report, ItemKind::kPasswordTable).passwords,
              (std::vector<PasswordBytes>{a, b}));
    const auto& sets = ValueOf<PasswordSetsValue>(report, ItemKind::kPasswordSets).sets;
    ASSERT_EQ(sets.size(), 1u);
    ASSERT_EQ(sets[0].size(), 2u);
    EXPECT_EQ(sets[0][0].meter, 0);
    EXPECT_EQ(sets[0][0].passwords, (std::array<uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(sets[0][1].meter, 3);
    EXPECT_EQ(sets[0][1].passwords, (std::array<uint8_t, 3>{1, 1, 1}));
    EXPECT_EQ(ValueOf<SetReferenceValue>(report, ItemKind::kPasswordSetReference, 0x0014).sets,
              (std::vector<uint8_t>{0}));

    const auto& server = ValueOf<TimeServerValue>(report, ItemKind::kTimeServerParam);
    EXPECT_EQ(server.channel, 0);
    EXPECT_EQ(server.meterType, 0);
    EXPECT_EQ(ValueOf<ByteValue>(report, ItemKind::kTimeServerAddress).value, 5);
    EXPECT_EQ(ValueOf<PasswordTableValue>(report, ItemKind::kTimeServerPassword).passwords,
              (std::vector<PasswordBytes>{{9, 9, 9, 9, 9, 9}}));
}

TEST(DecodedValues, MeterAreasOfEveryMeterTypeAreSound) {
    const struct {
        const char* name;
        std::function<void(testing::Tree&)> set;
    } cases[] = {
        {"no meters", [](testing::Tree& t) { t.Select("CH0_GROUP", 0).Select("CH1_GROUP", 0); }},
        {"33 Меркурий-200 meters in two groups",
         [](testing::Tree& t) {
             t.Select("CH0_GROUP", 2).Set("CH0_M200_NUM", "33").Select("CH1_GROUP", 0);
             for (int n = 1; n <= 33; ++n) {
                 testing::SetMeter(t, "CH0_M200", n,
                                   n == 33 ? "4294967295" : std::to_string(n).c_str());
             }
         }},
        {"CE102 and CE303",
         [](testing::Tree& t) {
             t.Select("CH0_GROUP", 4).Set("CH0_CE102_NUM", "2");
             testing::SetMeter(t, "CH0_CE102", 1, "65534", "1,2,3,4", 3);
             testing::SetMeter(t, "CH0_CE102", 2, "2", "4,3,2,1", 3);
             t.Select("CH1_GROUP", 6).Set("CH1_CE303_NUM", "1");
             testing::SetMeter(t, "CH1_CE303", 1, "123456", "48,49,50,51,52,53", 2);
         }},
        {"MULTICAL601 on both channels",
         [](testing::Tree& t) {
             t.Select("CH0_GROUP", 3).Set("CH0_M601_NUM", "1");
             t.Select("CH1_GROUP", 4).Set("CH1_M601_NUM", "1");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::Tree tree;
        c.set(tree);
        const auto bytes = testing::BuildMeter(tree);
        const AreaReport report = WalkArea(bytes, AreaKind::kMeter);
        for (const AreaProblem& problem : report.problems) {
            ADD_FAILURE() << problem.offset << ": " << problem.text;
        }
    }
}

TEST(DecodedValues, TheFileSaveSetupWritesDecodesCleanlyWithTheValuesThatMadeIt) {
    testing::ScratchFolder folder;
    testing::Tree tree;
    testing::SetLocal(tree);
    testing::SetExternal(tree, folder.Write("s.bin", "\x01\x02"));
    SetMeters(tree);
    tree.Set("CH0_M230_NUM", "3").Select("CH1_GROUP", 3);
    auto areas = StandardSetupAreas();
    const auto path = folder.Path() / "loc_.s19";
    WriteSetupFile(CompileSetup(tree.Keys(), areas), path);

    std::ostringstream out, err;
    ASSERT_EQ(DumpSetupFile(path.string(), out, err), 0) << out.str() << err.str();
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const SetupFileReport report = InspectSetupFile(text);
    ASSERT_TRUE(report.areas[0] && report.areas[1] && report.areas[2]);
    const AreaReport& meter = *report.areas[0];
    EXPECT_EQ(ValueOf<AddressTableValue>(meter, ItemKind::kAddressTable, 0x0014).addresses,
              (std::vector<uint32_t>{5, 6, 7}));
    EXPECT_EQ(ValueOf<ByteValue>(meter, ItemKind::kTimeServerAddress).value, 5);
    const AreaReport& external = *report.areas[1];
    const auto& setup = ValueOf<ChannelSetupValue>(external, ItemKind::kChannelSetup);
    ASSERT_EQ(setup.channels.size(), 2u);
    EXPECT_EQ(setup.channels[0].types, (std::vector<std::pair<uint16_t, uint8_t>>{{1, 3}}));
    EXPECT_EQ(setup.channels[1].types, (std::vector<std::pair<uint16_t, uint8_t>>{{5, 2}}));
    EXPECT_EQ(ValueOf<ScheduleValue>(external, ItemKind::kSchedule).length, 2u);
    EXPECT_EQ(ChannelText(*report.areas[2], 3), "m резерв s2 5 internet");
}

TEST(DecodedValues, TheFormatsTwoMeterExampleIsWhatTheBuilderWrites) {
    testing::Tree tree;
    tree.Select("CH0_GROUP", 1).Set("CH0_M230_NUM", "2").Set("CH0_SEB_NUM", "0");
    tree.Set("CH0_SET_NUM", "0").Select("CH1_GROUP", 0);
    for (int n = 1; n <= 2; ++n) {
        const std::string key = "CH0_M230_" + std::to_string(n);
        tree.Set(key + "_NA", std::to_string(n)).Check(key + "_AUTO_CORR");
        for (int box = 0; box < 3; ++box) {
            const std::string value = std::to_string(box + 1);
            tree.SetPassword(
                key + "_PASS", box,
                value + "," + value + "," + value + "," + value + "," + value + "," + value);
        }
    }
    EXPECT_EQ(testing::BuildMeter(tree), testing::TwoMeterArea());
}

}  // namespace
}  // namespace quillon::inspect
