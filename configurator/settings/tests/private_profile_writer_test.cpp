#include "settings/private_profile_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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

// "^" stands for Ctrl-Z (0x1A).
std::string CtrlZ(std::string text) {
    std::replace(text.begin(), text.end(), '^', '\x1A');
    return text;
}

TEST(PrivateProfileWriter, CountsCtrlZAsABlankAtEitherEndOnly) {
    const struct {
        const char* value;
        const char* written;
    } cases[] = {
        {"^a", "a"}, {"a^", "a"}, {"^ ^a^b \t^", "a^b"}, {"^", ""}, {"\x1B!\x19", "\x1B!\x19"},
    };
    for (const auto& c : cases) {
        PrivateProfileWriter profile;
        profile.WriteString(CtrlZ("^LOC_SETUP"), CtrlZ("LOC_GID^"), CtrlZ(c.value));
        EXPECT_EQ(profile.Text(), "[LOC_SETUP]\r\nLOC_GID=" + CtrlZ(c.written) + "\r\n") << c.value;
    }
}

TEST(PrivateProfileWriter, MakesAnEmptyFileWhenNothingWasWritten) {
    EXPECT_EQ(PrivateProfileWriter().Text(), "");
}

}  // namespace
}  // namespace quillon
