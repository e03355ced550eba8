#include "settings/channel_counts.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/setup_failure.h"
#include "settings/testing/tree_fixture.h"

namespace quillon {
namespace {

using testing::TreeFixture;

// The messages as the Windows-1251 bytes the message box shows.
const std::string kNoGroup =  // Неправильное поле "Группа устройств".
    "\xCD\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xEE\xE5 \xEF\xEE\xEB\xE5 "
    "\"\xC3\xF0\xF3\xEF\xEF\xE0 \xF3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2\".";

std::string TooMany(int channel) {  // Кол-во устройств для канала N превышает 128.
    return "\xCA\xEE\xEB-\xE2\xEE \xF3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2 \xE4\xEB\xFF "
           "\xEA\xE0\xED\xE0\xEB\xE0 " +
           std::to_string(channel) + " \xEF\xF0\xE5\xE2\xFB\xF8\xE0\xE5\xF2 128.";
}

// Runs ReadChannelCounts and gives the failure's message, empty when it passed.
std::string Failure(const TreeFixture& tree, ChannelCounts& counts) {
    try {
        ReadChannelCounts(tree.Keys(), counts);
    } catch (const SetupFailure& failure) {
        EXPECT_STREQ(failure.what(), failure.Message().c_str());
        return failure.Message();
    }
    return {};
}

ChannelCounts Poisoned() {
    ChannelCounts counts;
    for (auto& row : counts) {
        row.fill(-7);
    }
    return counts;
}

TEST(ReadChannelCounts, RefusesAChannelWithoutAGroup) {
    TreeFixture tree;
    ChannelCounts counts = Poisoned();
    EXPECT_EQ(Failure(tree, counts), kNoGroup);

    tree.Select("CH0_GROUP", 0);
    EXPECT_EQ(Failure(tree, counts), kNoGroup);  // now for channel 1
    tree.Select("CH1_GROUP", 8);
    EXPECT_EQ(Failure(tree, counts), "");
}

TEST(ReadChannelCounts, WritesEveryElementAndReadsOnlyServedTypes) {
    TreeFixture tree;
    for (const char* key :
         {"CH0_M230_NUM", "CH0_SEB_NUM", "CH0_SET_NUM", "CH0_M200_NUM", "CH0_M601_NUM",
          "CH0_CE102_NUM", "CH0_CE303_NUM", "CH1_M230_NUM", "CH1_SEB_NUM", "CH1_SET_NUM",
          "CH1_M200_NUM", "CH1_MS744_NUM", "CH1_M601_NUM", "CH1_CE102_NUM", "CH1_CE303_NUM"}) {
        tree.Set(key, "1");
    }
    tree.Select("CH0_GROUP", 1).Set("CH0_M230_NUM", "5").Set("CH0_SEB_NUM", "6");
    tree.Select("CH1_GROUP", 3).Set("CH1_MS744_NUM", "20");
    ChannelCounts counts = Poisoned();
    ASSERT_EQ(Failure(tree, counts), "");
    EXPECT_EQ(counts[0], (std::array<int32_t, 8>{5, 6, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(counts[1], (std::array<int32_t, 8>{0, 0, 0, 0, 20, 0, 0, 0}));
}

struct GroupCase {
    int channel;
    int group;
    int firstType;
    int typeCount;
};

// The two device-group lists differ from index 3 on: channel 0 has no MS744 item.
const GroupCase kGroupCases[] = {
    {0, 0, 0, 0}, {0, 1, 0, 3}, {0, 2, 3, 1}, {0, 3, 5, 1}, {0, 4, 6, 1}, {0, 5, 7, 1},
    {0, 6, 0, 0}, {0, 7, 0, 0}, {1, 0, 0, 0}, {1, 1, 0, 3}, {1, 2, 3, 1}, {1, 3, 4, 1},
    {1, 4, 5, 1}, {1, 5, 6, 1}, {1, 6, 7, 1}, {1, 7, 0, 0}, {1, 8, 0, 0},
};

TEST(ReadChannelCounts, MapsEachGroupOfEachChannelToItsTypes) {
    for (const GroupCase& c : kGroupCases) {
        TreeFixture tree;
        const int other = 1 - c.channel;
        tree.Select("CH" + std::to_string(other) + "_GROUP", 0);
        tree.Select("CH" + std::to_string(c.channel) + "_GROUP", c.group);
        for (int t = 0; t < kMeterTypeCount; ++t) {
            const std::string key = "CH" + std::to_string(c.channel) + "_" +
                                    kMeterTypeTags[static_cast<size_t>(t)] + "_NUM";
            if (tree.Root().FindEntry(key) != nullptr) {
                tree.Set(key, "1");
            }
        }
        ChannelCounts counts = Poisoned();
        ASSERT_EQ(Failure(tree, counts), "") << c.channel << "/" << c.group;
        for (int t = 0; t < kMeterTypeCount; ++t) {
            const bool served = t >= c.firstType && t < c.firstType + c.typeCount;
            const auto type = static_cast<size_t>(t);
            EXPECT_EQ(counts[static_cast<size_t>(c.channel)][type], served ? 1 : 0)
                << "channel " << c.channel << " group " << c.group << " type " << t;
            EXPECT_EQ(counts[static_cast<size_t>(other)][type], 0);
        }
        const GroupTypes types = TypesOfGroup(c.channel, c.group);
        EXPECT_EQ(types.first * (types.count != 0), c.firstType * (c.typeCount != 0));
        EXPECT_EQ(types.count, c.typeCount);
    }
}

TEST(ReadChannelCounts, AcceptsASumOfExactly128AndRefuses129) {
    TreeFixture tree;
    tree.Select("CH0_GROUP", 1).Set("CH0_M230_NUM", "64").Set("CH0_SEB_NUM", "64");
    tree.Set("CH0_SET_NUM", "0");
    tree.Select("CH1_GROUP", 1).Set("CH1_M230_NUM", "128");
    ChannelCounts counts = Poisoned();
    EXPECT_EQ(Failure(tree, counts), "");
    EXPECT_EQ(counts[0][0] + counts[0][1] + counts[0][2], 128);

    tree.Set("CH0_SET_NUM", "1");
    EXPECT_EQ(Failure(tree, counts), TooMany(0));

    tree.Set("CH0_SET_NUM", "0").Set("CH1_SEB_NUM", "0x1");
    EXPECT_EQ(Failure(tree, counts), TooMany(1));
}

TEST(ReadChannelCounts, ChecksChannel0CompletelyBeforeChannel1) {
    TreeFixture tree;
    tree.Select("CH0_GROUP", 2).Set("CH0_M200_NUM", "100");
    tree.Select("CH1_GROUP", 2).Set("CH1_M200_NUM", "100");
    tree.Set("CH0_M230_NUM", "100");  // not served on channel 0's group
    ChannelCounts counts = Poisoned();
    EXPECT_EQ(Failure(tree, counts), "");

    tree.Select("CH0_GROUP", 1).Set("CH0_SEB_NUM", "100");
    tree.Select("CH1_GROUP", -1);
    EXPECT_EQ(Failure(tree, counts), TooMany(0));
}

TEST(ReadChannelCounts, CountsAnInvalidCountAsZeroWithoutAMessage) {
    TreeFixture tree;
    tree.Select("CH0_GROUP", 1).Set("CH0_M230_NUM", "12a").Set("CH0_SEB_NUM", "abc");
    tree.Set("CH0_SET_NUM", "129");
    tree.Select("CH1_GROUP", 5).Set("CH1_CE102_NUM", "");
    ChannelCounts counts = Poisoned();
    ASSERT_EQ(Failure(tree, counts), "");
    EXPECT_EQ(counts[0], (std::array<int32_t, 8>{}));
    EXPECT_EQ(counts[1], (std::array<int32_t, 8>{}));

    tree.Select("CH1_GROUP", 4).Set("CH1_M601_NUM", "2");
    ASSERT_EQ(Failure(tree, counts), "");
    EXPECT_EQ(counts[1][kMeterM601], 0);
    tree.Set("CH1_M601_NUM", "1");
    ASSERT_EQ(Failure(tree, counts), "");
    EXPECT_EQ(counts[1][kMeterM601], 1);
}

}  // namespace
}  // namespace quillon
