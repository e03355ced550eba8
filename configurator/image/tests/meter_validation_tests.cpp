// Prepare and the time-server checks: the messages, their order, and the groups and password
// tables that the area is written from.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "hex_bytes.h"
#include "image/area.h"
#include "image/meter_area.h"
#include "image/meter_layout.h"
#include "meter_fixture.h"
#include "settings/entries.h"

namespace quillon {
namespace {

using namespace quillon::testing;

constexpr PasswordBytes kA = {1, 1, 1, 1, 1, 1};
constexpr PasswordBytes kB = {2, 2, 2, 2, 2, 2};
const std::vector<std::string> kTextsA = {"1,1,1,1,1,1", "1,1,1,1,1,1", "1,1,1,1,1,1"};
const std::vector<std::string> kTextsB = {"2,2,2,2,2,2", "2,2,2,2,2,2", "2,2,2,2,2,2"};

std::string PrepareFailure(CStpAreaCnt& area, KeyMap& keys) {
    try {
        area.Prepare(keys);
    } catch (const SetupFailure& failure) {
        return failure.Message();
    }
    return "";
}

TEST(MeterGroups, CutsThirtyThreeMetersIntoGroupsOfThirtyTwoAndOne) {
    MeterTree meters;
    meters.Fill(0, kMeterCe102, 33, 1, {"1,2,3,4", "1,2,3,4", "1,2,3,4"});
    meters.Fill(1, kMeterM230, 1);
    CStpAreaCnt area;
    area.Prepare(meters.Keys());
    const std::vector<MeterGroup>& groups = area.Groups();
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ((std::vector{groups[0].code, groups[1].code, groups[2].code}),
              (std::vector<uint16_t>{0x0091, 0x0092, 0x003C}));
    EXPECT_EQ((std::vector{groups[0].count, groups[1].count, groups[2].count}),
              (std::vector{32, 1, 1}));
    EXPECT_EQ(groups[1].ordinal, 1);
    EXPECT_EQ(groups[2].channel, 1);
}

TEST(MeterGroups, StartAfreshOnEveryPrepare) {
    MeterTree meters;
    meters.Fill(0, kMeterM230, 2);
    CStpAreaCnt area;
    area.Prepare(meters.Keys());
    meters.Count(0, kMeterM230, 0);
    area.Prepare(meters.Keys());
    EXPECT_TRUE(area.Groups().empty());
    EXPECT_TRUE(area.Passwords().empty());
    EXPECT_TRUE(area.PasswordGroups().empty());
    EXPECT_TRUE(area.PasswordSets().empty());
    EXPECT_EQ(area.GetSize(meters.Keys()), 32u);
}

TEST(MeterPasswords, TabulateEachDistinctPasswordOnceInTheOrderMet) {
    MeterTree meters;
    meters.Fill(0, kMeterM230, 2, 1, {"2,2,2,2,2,2", "1,1,1,1,1,1", "0x02,2,2,2,2,2"});
    meters.Fill(1, kMeterCe102, 1, 1, {"1,1,1,1", "1,1,1,1", "2,2,2,2"});
    CStpAreaCnt area;
    area.Prepare(meters.Keys());
    EXPECT_EQ(area.Passwords(),
              (std::vector<PasswordBytes>{kB, kA, {1, 1, 1, 1, 0, 0}, {2, 2, 2, 2, 0, 0}}));
    EXPECT_EQ(area.PasswordSets()[0], (PasswordSet{{0, {0, 1, 0}}}));
    EXPECT_EQ(area.PasswordSets()[1], (PasswordSet{{0, {2, 2, 3}}}));
}

TEST(MeterPasswords, ListTheDefaultClassFirstAndEveryOtherMeterAfterIt) {
    MeterTree meters;
    meters.Fill(0, kMeterSet, 5, 1, kTextsA);
    meters.Passwords(0, kMeterSet, 4, kTextsB).Passwords(0, kMeterSet, 5, kTextsB);
    CStpAreaCnt area;
    area.Prepare(meters.Keys());
    ASSERT_EQ(area.PasswordGroups().size(), 1u);
    const auto& classes = area.PasswordGroups()[0].classes;
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0].meters, (std::vector{1, 2, 3}));
    EXPECT_EQ(classes[1].meters, (std::vector{4, 5}));
    EXPECT_EQ(area.PasswordSets(),
              (std::vector<PasswordSet>{{{0, {0, 0, 0}}, {4, {1, 1, 1}}, {5, {1, 1, 1}}}}));
    EXPECT_EQ(area.Groups()[0].setIndexes, (std::vector{0}));
}

TEST(MeterPasswords, MakeTheFirstOfEqualClassesTheDefault) {
    struct Case {
        std::vector<std::string> meter1;
        PasswordSet expected;
    };
    // Meters 1 and 2 form one class, 3 and 4 the other; the class met first wins the tie.
    const Case cases[] = {
        {kTextsA, {{0, {0, 0, 0}}, {3, {1, 1, 1}}, {4, {1, 1, 1}}}},
        {kTextsB, {{0, {0, 0, 0}}, {3, {1, 1, 1}}, {4, {1, 1, 1}}}},
    };
    for (const Case& c : cases) {
        const std::vector<std::string>& other = c.meter1 == kTextsA ? kTextsB : kTextsA;
        MeterTree meters;
        meters.Fill(0, kMeterM230, 4, 1, c.meter1);
        meters.Passwords(0, kMeterM230, 3, other).Passwords(0, kMeterM230, 4, other);
        CStpAreaCnt area;
        area.Prepare(meters.Keys());
        EXPECT_EQ(area.PasswordSets(), std::vector<PasswordSet>{c.expected}) << c.meter1[0];
        EXPECT_EQ(area.Passwords()[0], c.meter1 == kTextsA ? kA : kB);
    }
}

TEST(MeterPasswords, GiveGroupsWithEqualSetsOneSetIndex) {
    MeterTree meters;
    meters.Fill(0, kMeterM230, 64, 1, kTextsA);
    meters.Fill(1, kMeterSeb, 1, 1, kTextsA);
    meters.Fill(1, kMeterSet, 1, 2, kTextsB);
    CStpAreaCnt area;
    area.Prepare(meters.Keys());
    ASSERT_EQ(area.Groups().size(), 4u);
    // Both channel-0 groups and the SEB group are all-default with the same triple.
    EXPECT_EQ(area.Groups()[0].setIndexes, (std::vector{0}));
    EXPECT_EQ(area.Groups()[1].setIndexes, (std::vector{0}));
    EXPECT_EQ(area.Groups()[2].setIndexes, (std::vector{0}));
    EXPECT_EQ(area.Groups()[3].setIndexes, (std::vector{1}));
    EXPECT_EQ(area.PasswordSets(), (std::vector<PasswordSet>{{{0, {0, 0, 0}}}, {{0, {1, 1, 1}}}}));
}

TEST(MeterPasswords, AcceptFourValuesForCe102AndSixDigitCodesForCe303) {
    MeterTree meters;
    meters.Fill(0, kMeterCe102, 1, 1, {"1,2,3,4", "0x10,0x20,0x30,0x40", "255,0,0,1"});
    meters.Fill(1, kMeterCe303, 1, 1, {"48,49,50,51,52,57", "0x39,57,57,57,57,57,7"});
    CStpAreaCnt area;
    area.Prepare(meters.Keys());
    EXPECT_EQ(area.Passwords(), (std::vector<PasswordBytes>{{1, 2, 3, 4, 0, 0},
                                                            {0x10, 0x20, 0x30, 0x40, 0, 0},
                                                            {255, 0, 0, 1, 0, 0},
                                                            {'0', '1', '2', '3', '4', '9'},
                                                            {'9', '9', '9', '9', '9', '9'}}));
    // The absent third box of a CE303 meter takes index 0.
    EXPECT_EQ(area.PasswordSets()[1], (PasswordSet{{0, {3, 4, kAbsentPasswordIndex}}}));
}

struct FailureCase {
    const char* what;
    std::function<void(MeterTree&)> change;
    std::string expected;
};

// Two valid meters on each channel and a valid time server; each case spoils some settings.
void RunFailureCases(const std::vector<FailureCase>& cases) {
    for (const FailureCase& c : cases) {
        MeterTree meters;
        meters.Fill(0, kMeterM230, 2, 1, kTextsA);
        meters.Fill(1, kMeterSet, 2, 1, kTextsB);
        meters.Tree()
            .Select("TS_CHAN", 1)
            .Select("TS_TYPE", 3)
            .Set("TS_ADDR", "1")
            .Set("TS_PASS", "1,2,3,4,5,6");
        c.change(meters);
        EXPECT_EQ(FailureOf(meters.Keys()), c.expected) << c.what;
    }
}

TEST(MeterChecks, ReportEachFaultWithItsMessage) {
    RunFailureCases({
        {"valid", [](MeterTree&) {}, ""},
        {"box 2 empty",
         [](MeterTree& m) {
             m.Passwords(0, kMeterM230, 2, {"1,1,1,1,1,1", "", "1"});
         },
         kPasswordMissing + "CH0_M230_2_PASS"},
        {"five values", [](MeterTree& m) { m.Passwords(1, kMeterSet, 1, {"1,2,3,4,5"}); },
         kPasswordValue + "1,2,3,4,5" + kForMeterType + "SET"},
        {"CE102 five values",
         [](MeterTree& m) {
             m.Fill(0, kMeterCe102, 1, 1, {"1,2,3,4", "1,2,3,4,5", "1,2,3,4"});
         },
         kPasswordValue + "1,2,3,4,5" + kForMeterType + "CE102"},
        {"CE303 small values",
         [](MeterTree& m) {
             m.Fill(0, kMeterCe303, 1, 1, {"1,2,3,4,5,6", "48,48,48,48,48,48"});
         },
         kPasswordValue + "1,2,3,4,5,6" + kForMeterType + "CE303"},
        {"Cyrillic text kept as typed",
         [](MeterTree& m) { m.Passwords(0, kMeterM230, 1, {"пароль"}); },
         kPasswordValue + "\xEF\xE0\xF0\xEE\xEB\xFC" + kForMeterType + "M230"},
        {"address out of range", [](MeterTree& m) { m.Address(0, kMeterM230, 2, "256"); },
         kBadAddress + "CH0_M230_2."},
        {"address empty", [](MeterTree& m) { m.Address(1, kMeterSet, 1, ""); },
         kBadAddress + "CH1_SET_1."},
        {"address with letters", [](MeterTree& m) { m.Address(1, kMeterSet, 2, "0x1g"); },
         kBadAddress + "CH1_SET_2."},
        {"address repeated on a channel", [](MeterTree& m) { m.Fill(1, kMeterSeb, 1, 2, kTextsA); },
         kRepeatedAddress + "1"},
        {"address repeated in another spelling",
         [](MeterTree& m) { m.Address(0, kMeterM230, 2, "0x01"); }, kRepeatedAddress + "0"},
        {"no time-server channel", [](MeterTree& m) { m.Tree().Select("TS_CHAN", -1); },
         kNoTsChannel},
        {"time server type not on its channel", [](MeterTree& m) { m.Tree().Select("TS_TYPE", 1); },
         kNoTsMeters},
        {"time server on the other channel",
         [](MeterTree& m) { m.Tree().Select("TS_CHAN", 0).Select("TS_TYPE", 3); }, kNoTsMeters},
        {"time-server address", [](MeterTree& m) { m.Tree().Set("TS_ADDR", "256"); },
         kBadTsAddress},
        {"time-server password empty", [](MeterTree& m) { m.Tree().Set("TS_PASS", ""); },
         kBadTsPassword},
        {"time-server password malformed",
         [](MeterTree& m) { m.Tree().Set("TS_PASS", "1,2,3,4,5"); }, kBadTsPassword},
        {"time server unused",
         [](MeterTree& m) {
             m.Tree().Select("TS_TYPE", 0).Select("TS_CHAN", -1).Set("TS_PASS", "");
         },
         ""},
    });
}

TEST(MeterChecks, StopAtTheFirstFaultInTheirFixedOrder) {
    const auto noPassword = [](MeterTree& m) { m.Passwords(1, kMeterSet, 2, {""}); };
    const auto badAddress = [](MeterTree& m) { m.Address(0, kMeterM230, 1, "0"); };
    RunFailureCases({
        {"counts before passwords",
         [&](MeterTree& m) {
             noPassword(m);
             m.Count(0, kMeterM230, 64).Count(0, kMeterSeb, 64).Count(0, kMeterSet, 1);
         },
         kCountAbove128},
        {"channel 0 before channel 1",
         [&](MeterTree& m) {
             noPassword(m);
             m.Passwords(0, kMeterM230, 2, {"x"});
         },
         kPasswordValue + "x" + kForMeterType + "M230"},
        {"types in order, meters ascending",
         [](MeterTree& m) {
             m.Fill(1, kMeterM230, 2, 5, kTextsA);
             m.Passwords(1, kMeterSet, 1, {"x"}).Passwords(1, kMeterM230, 2, {"y"});
         },
         kPasswordValue + "y" + kForMeterType + "M230"},
        {"an empty box before a bad one of the same meter",
         [](MeterTree& m) {
             m.Passwords(0, kMeterM230, 1, {"x", "1,1,1,1,1,1", ""});
         },
         kPasswordMissing + "CH0_M230_1_PASS"},
        {"passwords before addresses",
         [&](MeterTree& m) {
             noPassword(m);
             badAddress(m);
         },
         kPasswordMissing + "CH1_SET_2_PASS"},
        {"addresses before the time server",
         [&](MeterTree& m) {
             badAddress(m);
             m.Tree().Select("TS_CHAN", -1);
         },
         kBadAddress + "CH0_M230_1."},
        {"time-server checks in order",
         [](MeterTree& m) { m.Tree().Select("TS_TYPE", 1).Set("TS_ADDR", "").Set("TS_PASS", ""); },
         kNoTsMeters},
        {"time-server address before its password",
         [](MeterTree& m) { m.Tree().Set("TS_ADDR", "").Set("TS_PASS", ""); }, kBadTsAddress},
    });
}

TEST(MeterChecks, AllowTheSameAddressOnBothChannels) {
    MeterTree meters;
    meters.Fill(0, kMeterM200, 3, 7);
    meters.Fill(1, kMeterM200, 3, 7);
    EXPECT_EQ(FailureOf(meters.Keys()), "");
}

TEST(MeterChecks, SetTheMulticalAddressToOne) {
    MeterTree meters;
    meters.Count(0, kMeterM601, 1);
    meters.Tree().Entry("CH0_M601_1_NA").SetText("7");
    CStpAreaCnt area;
    area.Prepare(meters.Keys());
    EXPECT_EQ(meters.Tree().Text("CH0_M601_1_NA"), "1");

    // Build writes it again from "1", whatever the entry held in between.
    meters.Tree().Entry("CH0_M601_1_NA").SetText("");
    const size_t size = area.GetSize(meters.Keys());
    std::vector<uint8_t> buffer(size);
    area.Build(buffer, meters.Keys());
    EXPECT_EQ(meters.Tree().Text("CH0_M601_1_NA"), "1");
    EXPECT_EQ(ToHex(ItemRecord(buffer, 0x007E, 0x0008)), "00 06 01 01 20 75");
}

TEST(MeterChecks, RefuseMoreMs744ControllersThanTheTreeHoldsBeforeAnyLookup) {
    MeterTree meters;
    // A channel-0 meter without passwords would fail later; the count is checked first.
    meters.Count(0, kMeterM230, 1);
    meters.Count(1, kMeterMs744, 33);
    CStpAreaCnt area;
    EXPECT_EQ(PrepareFailure(area, meters.Keys()), kCountRefused);

    meters.Count(0, kMeterM230, 0);
    meters.Fill(1, kMeterMs744, 32);
    EXPECT_EQ(PrepareFailure(area, meters.Keys()), "");
    EXPECT_EQ(area.Groups().size(), 1u);
}

TEST(MeterChecks, RecheckAddressesWhenBuilding) {
    MeterTree meters;
    meters.Fill(0, kMeterM230, 2);
    CStpAreaCnt area;
    area.Prepare(meters.Keys());
    const size_t size = area.GetSize(meters.Keys());
    meters.Address(0, kMeterM230, 2, "0");
    std::vector<uint8_t> buffer(size);
    try {
        area.Build(buffer, meters.Keys());
        ADD_FAILURE() << "Build accepted address 0";
    } catch (const SetupFailure& failure) {
        EXPECT_EQ(failure.Message(), kBadAddress + "CH0_M230_2.");
    }
}

TEST(MeterChecks, CheckTheTimeServerPasswordFormatOnlyWhenBuilding) {
    MeterTree meters;
    meters.Fill(0, kMeterSeb, 1);
    meters.Tree()
        .Select("TS_CHAN", 0)
        .Select("TS_TYPE", 2)
        .Set("TS_ADDR", "0")
        .Set("TS_PASS", "abc");
    CStpAreaCnt area;
    area.Prepare(meters.Keys());
    const size_t size = area.GetSize(meters.Keys());
    std::vector<uint8_t> buffer(size);
    try {
        area.Build(buffer, meters.Keys());
        ADD_FAILURE() << "Build accepted the password abc";
    } catch (const SetupFailure& failure) {
        EXPECT_EQ(failure.Message(), kBadTsPassword);
    }
}

// A one-byte count cannot hold 256 passwords; such an area is far above the meter area's 2048
// bytes, so it is refused with the size message instead of being written with a wrong count.
// The time server's password, whose format the build checks, is reported before it.
TEST(MeterChecks, RefuseMorePasswordsThanOneByteCountsAfterTheTimeServerPassword) {
    const struct {
        int count;
        const char* timeServerPassword;  // none: no time server
        const std::string& message;
    } cases[] = {
        {85, nullptr, ""},
        {86, nullptr, kTooLarge},
        {86, "1,2,3,4,5,6", kTooLarge},
        {86, "abc", kBadTsPassword},
        {86, "1,2,3,4,5", kBadTsPassword},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.count << " meters, time server password "
                                          << (c.timeServerPassword ? c.timeServerPassword : "-"));
        MeterTree meters;
        meters.Count(0, kMeterM230, c.count);
        for (int k = 1; k <= c.count; ++k) {
            const std::string base = std::to_string(k) + ",0,0,0,0,";
            meters.Address(0, kMeterM230, k, std::to_string(k))
                .Passwords(0, kMeterM230, k, {base + "1", base + "2", base + "3"});
        }
        if (c.timeServerPassword != nullptr) {
            meters.Tree()
                .Select("TS_CHAN", 0)
                .Select("TS_TYPE", 1)
                .Set("TS_ADDR", "1")
                .Set("TS_PASS", c.timeServerPassword);
        }
        // 85 meters give 255 passwords, 86 give 258.
        EXPECT_EQ(FailureOf(meters.Keys()), c.message);
    }
}

// Whatever the boxes hold, the area is either refused with one of its messages or written whole.
TEST(MeterChecks, AnswerAnyBoxTextWithAMessageOrAWholeArea) {
    const std::string texts[] = {"",
                                 " ",
                                 ",",
                                 ",,",
                                 "0",
                                 "-0",
                                 "-1",
                                 "0x",
                                 "0x0",
                                 "08",
                                 "1,2,3,4,5,6",
                                 "48,49,50,51,52,53",
                                 "1,2,3,4",
                                 "256",
                                 "4294967295",
                                 "4294967296",
                                 "99999999999999999999",
                                 " 1",
                                 "1 ",
                                 "\xFF\xFE",
                                 std::string("1\0", 2),
                                 "1,2,3,4,5,6,7,8"};
    const std::set<std::string> prefixes = {kPasswordMissing, kPasswordValue, kBadAddress,
                                            kRepeatedAddress, kBadTsPassword};
    for (int type : {kMeterM230, kMeterM200, kMeterCe102, kMeterCe303}) {
        MeterTree meters;
        meters.Fill(0, type, 2);
        meters.Tree().Select("TS_CHAN", 0).Set("TS_ADDR", "1");
        meters.Tree().Select("TS_TYPE", type == kMeterM230 ? 1 : 0);
        for (const std::string& text : texts) {
            // The texts go into the controls as bytes, not through the UTF-8 helpers.
            TreeFixture& tree = meters.Tree();
            tree.Entry(MeterTree::MeterKey(0, type, 1, "NA")).SetText(text);
            if (kMeterLayouts[static_cast<size_t>(type)].passwordBoxes > 0) {
                for (int box = 0; box < 3; ++box) {
                    tree.Entry(MeterTree::MeterKey(0, type, 2, "PASS")).SetPassword(box, text);
                }
            }
            tree.Entry("TS_PASS").SetText(text);
            const std::string failure = FailureOf(meters.Keys());
            const bool known =
                failure.empty() ||
                std::any_of(prefixes.begin(), prefixes.end(), [&](const std::string& prefix) {
                    return failure.compare(0, prefix.size(), prefix) == 0;
                });
            EXPECT_TRUE(known) << "type " << type << ", text \"" << text << "\": " << failure;
        }
    }
}

// The layout table must agree with the meter nodes the catalogue builds.
TEST(MeterLayouts, AgreeWithTheCatalogueAndKeepGroupCodesApart) {
    TreeFixture tree;
    std::set<int> codes;
    for (int c = 0; c < kExchangeChannelCount; ++c) {
        for (int t = 0; t < kMeterTypeCount; ++t) {
            const MeterLayout& layout = kMeterLayouts[static_cast<size_t>(t)];
            const std::string what = MeterTree::MeterKey(c, t, 1, "");
            for (int g = 0; g < kMaxChannelMeters / kMetersPerGroup; ++g) {
                const int code =
                    kGroupCodeBases[static_cast<size_t>(c)][static_cast<size_t>(t)] + g;
                EXPECT_TRUE(codes.insert(code).second) << what << " group " << g;
                EXPECT_NE(code, kPasswordSection);
                EXPECT_NE(code, kMs744Section);
            }
            const auto* address =
                dynamic_cast<const CEditNumberEntry*>(tree.Root().FindEntry(what + "NA"));
            if (address == nullptr) {
                continue;  // no MS744 controllers on channel 0
            }
            const uint64_t widest = (uint64_t{1} << (8 * layout.addressWidth)) - 1;
            EXPECT_LE(address->Maximum(), widest) << what;
            const auto* passwords =
                dynamic_cast<const CPWDEntry*>(tree.Root().FindEntry(what + "PASS"));
            EXPECT_EQ(passwords == nullptr ? 0 : passwords->BoxCount(), layout.passwordBoxes)
                << what;
            EXPECT_EQ(tree.Root().FindEntry(what + "AUTO_CORR") != nullptr, layout.correctionMask)
                << what;
            EXPECT_EQ(tree.Root().FindEntry(what + "POLL") != nullptr, layout.journalMasks) << what;
            EXPECT_EQ(tree.Root().FindEntry(what + "STAT") != nullptr, layout.journalMasks) << what;
        }
    }
}

}  // namespace
}  // namespace quillon
