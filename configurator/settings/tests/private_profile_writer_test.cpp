#include "settings/private_profile_writer.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(PrivateProfileWriter, AppendsSectionsAndKeysInFirstWriteOrderWithoutBlankLines) {
    PrivateProfileWriter profile;
    profile.WriteString("LOC_SETUP", "LOC_GID", "1");
    profile.WriteString("EXT_SETUP", "EXT_GID", "0x2");
    profile.WriteString("LOC_SETUP", "LOC_MAIN_CHAN_APN", "");
    EXPECT_EQ(profile.Text(),
              "[LOC_SETUP]\r\nLOC_GID=1\r\nLOC_MAIN_CHAN_APN=\r\n"
              "[EXT_SETUP]\r\nEXT_GID=0x2\r\n");
}

TEST(PrivateProfileWriter, RewritesAKeyOfTheSameNameInAnyCase) {
    PrivateProfileWriter profile;
    profile.WriteString("Time_Server", "TS_ADDR", "1");
    profile.WriteString("TIME_SERVER", "ts_addr", "2");
    EXPECT_EQ(profile.Text(), "[Time_Server]\r\nTS_ADDR=2\r\n");
}

TEST(PrivateProfileWriter, DropsBlanksAroundNamesAndValuesAndKeepsOtherBytes) {
    PrivateProfileWriter profile;
    profile.WriteString(" LOC_SETUP\t", " LOC_MAIN_CHAN_SYS ", "  \xCA\xCE\xCC  1\t ");
    EXPECT_EQ(profile.Text(), "[LOC_SETUP]\r\nLOC_MAIN_CHAN_SYS=\xCA\xCE\xCC  1\r\n");
}

TEST(PrivateProfileWriter, MakesAnEmptyFileWhenNothingWasWritten) {
    EXPECT_EQ(PrivateProfileWriter().Text(), "");
}

}  // namespace
}  // namespace quillon
