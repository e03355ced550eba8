#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "area_bytes.h"
#include "inspect/area_format.h"
#include "inspect/area_report.h"
#include "setup_fixture.h"

namespace quillon::inspect {
namespace {

using testing::Area;
using testing::Record;

std::string Describe(const std::vector<AreaProblem>& problems) {
    std::string text;
    for (const AreaProblem& problem : problems) {
        text += std::to_string(problem.offset) + ": " + problem.text + "\n";
    }
    return text;
}

std::set<size_t> Offsets(const std::vector<AreaProblem>& problems) {
    std::set<size_t> offsets;
    for (const AreaProblem& problem : problems) {
        offsets.insert(problem.offset);
    }
    return offsets;
}

TEST(Crc16, GivesTheStandardCheckValueAndTheRecordExample) {
    const std::vector<uint8_t> digits = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc16(digits), 0x4B37);
    EXPECT_EQ(Record("FF"), testing::Hex("00 05 FF 32 D0"));
}

class BuiltAreas : public ::testing::Test {
protected:
    void SetUp() override {
        m_schedule = m_folder.Write("schedule.bin", std::string(100, '\x5A'));
        testing::SetLocal(m_tree);
        testing::SetExternal(m_tree, m_schedule);
    }

    testing::ScratchFolder m_folder;
    std::filesystem::path m_schedule;
    testing::Tree m_tree;
};

TEST_F(BuiltAreas, AreSoundForEveryKindOfChannelAndTable) {
    const struct {
        const char* name;
        std::function<void(testing::Tree&)> change;
    } cases[] = {
        {"as set up", [](testing::Tree&) {}},
        {"modem channels",
         [](testing::Tree& t) {
             t.Select("LOC_MAIN_CHAN_TYPE", 1).Set("LOC_MAIN_CHAN_APN", "apn.example");
             t.Select("EXT_MAIN_CHAN_TYPE", 1).Set("EXT_MAIN_CHAN_APN", "a");
             t.Select("EXT_RSV_CHAN_TYPE", 1).Set("EXT_RSV_CHAN_APN", "ап");
         }},
        {"every event ignored, every flag set",
         [](testing::Tree& t) {
             for (const char* key :
                  {"BBLOG_COD_COLD_RESET", "BBLOG_COD_BAT_FAIL", "BBLOG_COD_TIME_SET_RLT",
                   "BBLOG_COD_TIME_COR_RLT", "BBLOG_COD_TIME_NOT_ADEQ", "BBLOG_EV_TIME_NOT_ADEQ",
                   "EXT_SYSLOG", "EXT_TCORR", "EVR_REC", "EVR_COOKIE", "EVR_LAST"}) {
                 t.Check(key);
             }
         }},
        {"both exchange channels with meters",
         [](testing::Tree& t) {
             t.Select("CH0_GROUP", 1).Set("CH0_M230_NUM", "100").Set("CH0_SEB_NUM", "28");
             t.Set("CH0_SET_NUM", "0");
             t.Select("CH1_GROUP", 3).Set("CH1_MS744_NUM", "10");
             t.Select("CH0_UART_SPEED", 6).Select("CH1_UART_PARITY_BIT", 5);
         }},
        {"channel access on channel 0", [](testing::Tree& t) { t.Select("CH0_GROUP", 6); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::Tree tree;
        testing::SetLocal(tree);
        testing::SetExternal(tree, m_schedule);
        c.change(tree);
        const auto local = testing::BuildLocal(tree);
        const auto external = testing::BuildExternal(tree);
        EXPECT_EQ(Describe(CheckArea(local, AreaKind::kLocal)), "");
        EXPECT_EQ(Describe(CheckArea(external, AreaKind::kExternal)), "");
    }
}

TEST(MeterAreaCheck, FindsNothingInWellFormedMeterAreas) {
    EXPECT_EQ(testing::TwoMeterArea().size(), 144u);
    EXPECT_EQ(Describe(CheckArea(testing::TwoMeterArea(), AreaKind::kMeter)), "");
    EXPECT_EQ(testing::EmptyMeterArea().size(), 32u);
    EXPECT_EQ(Describe(CheckArea(testing::EmptyMeterArea(), AreaKind::kMeter)), "");
}

TEST(MeterAreaCheck, AcceptsTheUnreferencedMs744SpeedOnlyWhereItStandsWithoutAnMs744Section) {
    // With an MS744 section the speed record is reached through its directory; a second one
    // standing alone is bytes no offset reaches.
    const auto withSection = Area({
        Record("00 01  00 13 00 00 00 06"),                     // 18 -> 30
        Record("00 02  00 0D 00 00 00 0C  00 1B 00 00 00 0C"),  // 30: 0x000D -> 48, 0x001B -> 54
        Record("FF FF"),                                        // 48: journal options
        Record("02 00"),                                        // 54: speed
        Record("00 00"),                                        // 60: a stray speed record
    });
    const auto problems = CheckArea(withSection, AreaKind::kMeter);
    ASSERT_EQ(problems.size(), 1u) << Describe(problems);
    EXPECT_EQ(problems[0].offset, 60u);
    EXPECT_EQ(problems[0].text, "6 байт, к которым не ведёт ни одно смещение");

    // Without it the record must follow the section table at once.
    const auto misplaced = Area({Record("00 00"), Record("01 02 03 04"), Record("00 00")});
    EXPECT_EQ(Offsets(CheckArea(misplaced, AreaKind::kMeter)), (std::set<size_t>{24, 32}))
        << Describe(CheckArea(misplaced, AreaKind::kMeter));
}

// One damaged byte, and where the checker must point.
struct Damage {
    const char* name;
    size_t at;
    uint8_t xorMask;
    std::set<size_t> expected;
};

void ExpectDamageFound(const std::vector<uint8_t>& sound, AreaKind kind,
                       std::span<const Damage> damages) {
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        auto bytes = sound;
        bytes.at(damage.at) ^= damage.xorMask;
        const auto problems = CheckArea(bytes, kind);
        EXPECT_EQ(Offsets(problems), damage.expected) << Describe(problems);
    }
}

TEST(MeterAreaCheck, PointsAtTheDamagedRecordOffsetOrFrame) {
    // Positions in the two-meter area: directory of group 0x0014 at 60 with its address-table
    // offset at 66, address table at 121, area checksum at 142.
    const Damage damages[] = {
        {"signature", 3, 0x01, {0, 142}},
        {"a network address", 124, 0x40, {121, 142}},
        {"the address table's checksum", 126, 0x01, {121, 142}},
        {"the area checksum", 143, 0x80, {142}},
        {"an offset into the next record", 69, 0x0F, {60, 66, 121, 142}},
        {"an offset out of the area", 66, 0x80, {60, 66, 121, 142}},
        {"a set offset inside its record", 90, 0x01, {84, 87, 142}},
        {"a size field", 122, 0x01, {121, 127, 142}},
        {"a password set reference", 131, 0x07, {128, 142}},
    };
    ExpectDamageFound(testing::TwoMeterArea(), AreaKind::kMeter, damages);
}

TEST_F(BuiltAreas, PointAtTheDamagedRecordOffsetOrFrame) {
    const auto local = testing::BuildLocal(m_tree);
    // Local area: section table at 18, directory at 30 with the GID offset at 36, GID at 54,
    // main channel at 63 with its SYS offset at 72, SYS string at 103.
    const size_t end = local.size() - 2;
    const Damage damages[] = {
        {"the GID", 57, 0x01, {54, end}},
        {"the GID offset", 39, 0x02, {30, 36, 54, end}},
        {"the SYS offset", 75, 0x01, {63, 72, 103, end}},
        {"the total size", 17, 0x01, {end, end + 2}},
        {"a channel entry count", 65, 0x01, {63, 65, end}},
    };
    ExpectDamageFound(local, AreaKind::kLocal, damages);
}

TEST_F(BuiltAreas, ReportATruncatedAreaWhereItsBytesEnd) {
    auto local = testing::BuildLocal(m_tree);
    local.resize(100);
    const auto problems = CheckArea(local, AreaKind::kLocal);
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems.back().offset, 100u) << Describe(problems);
}

}  // namespace
}  // namespace quillon::inspect

namespace quillon::inspect {
namespace {

// The area checksum covers every byte, so no single changed byte goes unnoticed, wherever it
// leads the walk; and no prefix of an area is taken for a whole one.
TEST(MeterAreaCheck, NoticesEveryChangedByteAndEveryShortenedArea) {
    const auto sound = testing::TwoMeterArea();
    for (size_t at = 0; at < sound.size(); ++at) {
        for (const uint8_t mask : {uint8_t{0x01}, uint8_t{0x80}, uint8_t{0xFF}}) {
            auto bytes = sound;
            bytes[at] ^= mask;
            EXPECT_FALSE(CheckArea(bytes, AreaKind::kMeter).empty()) << at;
        }
    }
    for (size_t size = 0; size < sound.size(); ++size) {
        const std::span<const uint8_t> prefix(sound.data(), size);
        EXPECT_FALSE(CheckArea(prefix, AreaKind::kMeter).empty()) << size;
    }
}

}  // namespace
}  // namespace quillon::inspect
