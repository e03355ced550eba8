// The table records of the external area, each found through its directory entry.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "external_area_fixture.h"
#include "image/external_area.h"

namespace quillon {
namespace {

using testing::BigEndian;
using testing::RecordOf;
using testing::ToHex;

class ExternalTables : public testing::ExternalAreaTest {
protected:
    std::string Record(uint16_t identifier, int section = 0) {
        return ToHex(RecordOf(Build(), identifier, section));
    }

    // The block of an exchange channel inside the channel set-up record, as far as the record
    // holds it.
    std::string Block(int channel) {
        const std::vector<uint8_t> record = RecordOf(Build(), testing::kChannelSetupId);
        const size_t start = 2 + BigEndian(record, 3 + 2 * static_cast<size_t>(channel), 2);
        const size_t end = channel == 0 ? 2 + BigEndian(record, 5, 2) : record.size() - 2;
        return ToHex({record.begin() + static_cast<std::ptrdiff_t>(start),
                      record.begin() + static_cast<std::ptrdiff_t>(end)});
    }
};

TEST_F(ExternalTables, FiltersSingleBitEventsByMaskAndOthersByCombinedCodes) {
    const struct {
        const char* what;
        std::initializer_list<const char*> checked;
        const char* record;
    } cases[] = {
        {"nothing checked", {}, "00 0E 90 08 00 00 00 00 00 00 00 00 31 57"},
        {"cold reset, battery, time not adequate",
         {"BBLOG_COD_COLD_RESET", "BBLOG_COD_BAT_FAIL", "BBLOG_COD_TIME_NOT_ADEQ"},
         "00 0E 90 08 00 01 03 27 00 00 00 00 15 A3"},
        {"everything checked, codes in table order",
         {"BBLOG_COD_COLD_RESET", "BBLOG_COD_HOT_REST", "BBLOG_COD_SW_RESET", "BBLOG_COD_BAT_FAIL",
          "BBLOG_COD_CFG_CHANGED", "BBLOG_COD_LOG_FORMAT", "BBLOG_COD_ALARM",
          "BBLOG_COD_CONN_CHANGED", "BBLOG_COD_GATE_TSYNC", "BBLOG_COD_TIME_CORRECT",
          "BBLOG_COD_TIME_SET", "BBLOG_COD_MERC_LINK_CHNG", "BBLOG_EV_TIME_SET_RLT",
          "BBLOG_COD_TIME_SET_RLT", "BBLOG_EV_TIME_COR_RLT", "BBLOG_COD_TIME_COR_RLT",
          "BBLOG_EV_TIME_NOT_ADEQ", "BBLOG_COD_TIME_NOT_ADEQ"},
         "00 0E 90 08 3F FF 03 26 25 27 00 00 CF FF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* key : c.checked) {
            m_tree.Check(key);
        }
        EXPECT_EQ(Record(testing::kFilterId), c.record);
        for (const char* key : c.checked) {
            m_tree.Check(key, 0);
        }
    }
}

TEST_F(ExternalTables, ClearsAFlagBitForEachCheckedBox) {
    const struct {
        std::initializer_list<const char*> checked;
        uint16_t identifier;
        int section;
        const char* record;
    } cases[] = {
        {{}, testing::kSystemFlagsId, 0, "00 05 FF 32 D0"},
        {{"EXT_SYSLOG"}, testing::kSystemFlagsId, 0, "00 05 FE F3 10"},
        {{"EXT_TCORR"}, testing::kSystemFlagsId, 0, "00 05 FD B3 11"},
        {{"EXT_SYSLOG", "EXT_TCORR"}, testing::kSystemFlagsId, 0, "00 05 FC 72 D1"},
        {{}, testing::kPollId, 1, "00 06 FF FF E1 95"},
        {{"EVR_REC", "EVR_COOKIE", "EVR_LAST"}, testing::kPollId, 1, "00 06 8F FF C4 55"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        for (const char* key : c.checked) {
            m_tree.Check(key);
        }
        EXPECT_EQ(Record(c.identifier, c.section), c.record);
        for (const char* key : c.checked) {
            m_tree.Check(key, 0);
        }
    }
}

TEST_F(ExternalTables, WritesTwoUnusedExchangeChannelsAsThreeZeroBytesEach) {
    EXPECT_EQ(Record(testing::kChannelSetupId), "00 0F 02 00 05 00 08 00 00 00 00 00 00 AA D7");
}

TEST_F(ExternalTables, CountsTheControllersOfChannel1) {
    m_tree.Select("CH1_GROUP", 3).Set("CH1_MS744_NUM", "10");
    EXPECT_EQ(Record(testing::kChannelSetupId),
              "00 12 02 00 05 00 08 00 00 00 00 03 01 00 05 0A 64 72");
}

TEST_F(ExternalTables, AcceptsUpTo128MetersOnAChannel) {
    m_tree.Select("CH0_GROUP", 1).Set("CH0_M230_NUM", "100").Set("CH0_SEB_NUM", "28");
    m_tree.Set("CH0_SET_NUM", "0");
    EXPECT_EQ(Record(testing::kChannelSetupId),
              "00 15 02 00 05 00 0E 00 01 02 00 01 64 00 02 1C 00 00 00 7D AD");

    m_tree.Set("CH0_SEB_NUM", "29");
    EXPECT_EQ(Failure(), testing::TooManyMeters(0));
}

TEST_F(ExternalTables, ReadsNoMeterCountForChannelAccess) {
    m_tree.Select("CH0_GROUP", 6).Set("CH0_M230_NUM", "not a number");
    EXPECT_EQ(Record(testing::kChannelSetupId), "00 0F 02 00 05 00 08 00 07 00 00 00 00 1F 17");
}

TEST_F(ExternalTables, RefusesMoreControllersThanTheTreeHoldsBeforeAnyLaterCheck) {
    // Thirty-two controller nodes exist; the count entry itself goes to 128.
    m_tree.Select("CH1_GROUP", 3).Set("CH1_MS744_NUM", "32");
    EXPECT_EQ(Block(1), "00 03 01 00 05 20");

    for (const char* count : {"33", "128"}) {
        SCOPED_TRACE(count);
        m_tree.Set("CH1_MS744_NUM", count).Select("CH0_UART_SPEED", -1);
        EXPECT_EQ(Failure(), testing::WrongCount(1));
    }
}

// Every option of both group lists, by its text, with the code and meter types that it stands
// for. Each type has its own count, so the block shows which counts were read.
TEST_F(ExternalTables, CodesEveryDeviceGroupOfBothChannelsByItsListText) {
    const struct {
        const char* item;
        const char* block;
    } groups[] = {
        {"Не используется", "00 00 00"},
        {"Меркурий-230, СЭБ-1ТМ.02, СЭТ-4ТМ.03", "00 01 03 00 01 01 00 02 02 00 03 03"},
        {"Меркурий-200", "00 02 01 00 04 04"},
        {"Контроллеры MS744", "00 03 01 00 05 05"},
        {"MULTICAL601", "00 04 01 00 06 01"},
        {"CE102", "00 05 01 00 07 07"},
        {"CE303", "00 06 01 00 08 08"},
        {"Канальный доступ", "00 07 00"},
        {"Протокол МИРТ", "00 08 00"},
    };
    const char* counts[] = {"1", "2", "3", "4", "5", "1", "7", "8"};
    for (int channel = 0; channel < 2; ++channel) {
        const std::string prefix = "CH" + std::to_string(channel) + "_";
        for (size_t type = 0; type < kMeterTypeCount; ++type) {
            const std::string key = prefix + kMeterTypeTags[type] + "_NUM";
            if (m_tree.Root().FindEntry(key) != nullptr) {
                m_tree.Set(key, counts[type]);
            }
        }
        int index = 0;
        for (const auto& group : groups) {
            if (channel == 0 && std::string(group.item) == "Контроллеры MS744") {
                continue;  // channel 0 has no controllers
            }
            SCOPED_TRACE(prefix + std::to_string(index));
            m_tree.Select(prefix + "GROUP", index++);
            ASSERT_EQ(m_tree.Text(prefix + "GROUP"), group.item);
            EXPECT_EQ(Block(channel), group.block);
        }
        // The table covers the whole list.
        m_tree.Select(prefix + "GROUP", index);
        EXPECT_EQ(m_tree.Entry(prefix + "GROUP").GetSelection(), -1);
        m_tree.Select(prefix + "GROUP", 0);
    }
}

TEST_F(ExternalTables, StoresSpeedAndDataBitsByTableAndTheOtherCodesAsIndices) {
    EXPECT_EQ(Record(testing::kUartId),
              "00 14 90 0E 00 00 00 00 00 00 00 00 00 00 00 00 00 00 DC 88");

    m_tree.Select("CH0_UART_SPEED", 6).Select("CH0_UART_BIT_PER_SYMBOL", 4);
    EXPECT_EQ(Record(testing::kUartId).substr(0, 3 * 9 - 1), "00 14 90 0E 00 00 25 80 08");

    const struct {
        int speed, bits, stop, parity;
        const char* fields;
    } lines[] = {
        {1, 1, 1, 1, "00 00 01 2C 05 01 01"}, {2, 2, 2, 2, "00 00 02 58 06 02 02"},
        {3, 3, 3, 3, "00 00 04 B0 07 03 03"}, {4, 4, 0, 4, "00 00 09 60 08 00 04"},
        {5, 0, 1, 5, "00 00 12 C0 00 01 05"}, {6, 1, 2, 0, "00 00 25 80 05 02 00"},
        {7, 2, 3, 1, "00 00 4B 00 06 03 01"}, {8, 3, 0, 2, "00 00 96 00 07 00 02"},
        {9, 4, 1, 3, "00 00 E1 00 08 01 03"}, {0, 0, 0, 0, "00 00 00 00 00 00 00"},
    };
    for (const auto& line : lines) {
        SCOPED_TRACE(line.fields);
        for (int channel : {0, 1}) {
            const std::string prefix = "CH" + std::to_string(channel) + "_UART_";
            m_tree.Select(prefix + "SPEED", line.speed)
                .Select(prefix + "BIT_PER_SYMBOL", line.bits)
                .Select(prefix + "STOP_BIT_DURATION", line.stop)
                .Select(prefix + "PARITY_BIT", line.parity);
        }
        const std::string record = Record(testing::kUartId);
        EXPECT_EQ(record.substr(3 * 4, 3 * 7 - 1), line.fields);
        EXPECT_EQ(record.substr(3 * 11, 3 * 7 - 1), line.fields);
    }
}

}  // namespace
}  // namespace quillon
