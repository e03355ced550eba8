// "Load Ini-file": how each line of a file reaches the tree, and what the loader survives.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/setup_failure.h"
#include "settings/testing/scripted_dialogs.h"
#include "settings/testing/temp_folder.h"
#include "settings/testing/tree_fixture.h"
#include "settings/tests/tree_snapshot.h"

namespace quillon {
namespace {

using testing::ScriptedDialogs;
using testing::TempFolder;
using testing::TreeFixture;
using testing::WriteBytes;
using namespace std::string_view_literals;

enum class Read { kText, kSelection, kCheck, kBox0, kBox1, kBox2 };

struct LoadCase {
    const char* what;
    std::string_view file;
    // Empty: the file changes nothing.
    std::string_view key = {};
    Read read = Read::kText;
    std::string_view expected = {};  // UTF-8 text, or the number read
};

const LoadCase kLoadCases[] = {
    {"NA in a meter section", "[CH0_M230_3]\r\nNA=7\r\n", "CH0_M230_3_NA", Read::kText, "7"},
    {"NA outside a meter section", "[EXT_SETUP]\r\nNA=7\r\n"},
    {"TS_ADDR in a local section", "[LOC_SETUP]\nTS_ADDR=9\n", "TS_ADDR", Read::kText, "9"},
    {"TS_ADDR in an unknown section", "[ANYTHING]\nTS_ADDR=9", "TS_ADDR", Read::kText, "9"},
    {"TS_ADDR in a channel section names CH0_X_TS_ADDR", "[CH0_X]\nTS_ADDR=9\n"},
    {"MS744 journal key", "[CH1_MS744]\r\nREC=1\r\n", "CH1_MS744_REC", Read::kCheck, "1"},
    {"MS744 controller check", "[CH1_MS744_2]\r\nSTAT=1\r\n", "CH1_MS744_2_STAT", Read::kCheck,
     "1"},
    {"quotes at both ends", "[LOC_SETUP]\nLOC_MAIN_CHAN_SYS=\"КОММ 1\"\n", "LOC_MAIN_CHAN_SYS",
     Read::kText, "КОММ 1"},
    {"quote at the start only", "[LOC_SETUP]\nLOC_MAIN_CHAN_SYS=\"abc\n", "LOC_MAIN_CHAN_SYS",
     Read::kText, "\"abc"},
    {"quote at the end only", "[LOC_SETUP]\nLOC_MAIN_CHAN_SYS=abc\"\n", "LOC_MAIN_CHAN_SYS",
     Read::kText, "abc\""},
    {"a single quote is kept", "[LOC_SETUP]\nLOC_MAIN_CHAN_SYS=\"\n", "LOC_MAIN_CHAN_SYS",
     Read::kText, "\""},
    {"two quotes give an empty text", "[LOC_SETUP]\nLOC_MAIN_CHAN_SYS=x\nLOC_MAIN_CHAN_SYS=\"\"\n",
     "LOC_MAIN_CHAN_SYS", Read::kText, ""},
    {"blanks inside the line are kept", "[LOC_SETUP]\n  LOC_MAIN_CHAN_SYS= a b \t\r\n",
     "LOC_MAIN_CHAN_SYS", Read::kText, " a b"},
    {"the value runs past a second equals sign", "[LOC_SETUP]\nLOC_MAIN_CHAN_SRV=a=b\n",
     "LOC_MAIN_CHAN_SRV", Read::kText, "a=b"},
    {"the key is not trimmed", "[LOC_SETUP]\nLOC_GID =5\n"},
    {"an address", "[LOC_SETUP]\nLOC_MAIN_CHAN_IP=10.0.0.1\n", "LOC_MAIN_CHAN_IP", Read::kText,
     "10.0.0.1"},
    {"a file path", "[EXT_SETUP]\nTIME_TABLE=/srv/расписание.bin\n", "TIME_TABLE", Read::kText,
     "/srv/расписание.bin"},
    {"TS_PASS is a text", "[TIME_SERVER]\nTS_PASS=1,2,3\n", "TS_PASS", Read::kText, "1,2,3"},
    {"PASS1 of a Меркурий-230", "[CH1_M230_128]\nPASS1=1,1\n", "CH1_M230_128_PASS", Read::kBox0,
     "1,1"},
    {"PASS2 of a CE303", "[CH0_CE303_1]\r\nPASS2=abc\r\n", "CH0_CE303_1_PASS", Read::kBox1, "abc"},
    {"PASS3 of a CE303, which has two boxes", "[CH0_CE303_1]\r\nPASS3=abc\r\n"},
    {"PASS0", "[CH0_M230_1]\r\nPASS0=abc\r\n"},
    {"MULTICAL601 address", "[CH0_M601_1]\nNA=5\n", "CH0_M601_1_NA", Read::kText, "1"},
    {"an empty pair of brackets is no section", "[CH0_M230_1]\n[]\nNA=4\n", "CH0_M230_1_NA",
     Read::kText, "4"},
    {"a short line", "[CH0_M230_1]\nNA\n\n  \nN=\n"},
    {"combo 12 selects item 1", "[EXT_SETUP]\nCH0_UART_SPEED=12\n", "CH0_UART_SPEED",
     Read::kSelection, "1"},
    {"combo -1 selects nothing", "[EXT_SETUP]\nCH0_UART_SPEED=-1\n", "CH0_UART_SPEED",
     Read::kSelection, "-1"},
    {"an empty combo value selects nothing", "[EXT_SETUP]\nCH0_UART_SPEED=\n", "CH0_UART_SPEED",
     Read::kSelection, "-1"},
    {"a combo index past the list selects nothing", "[EXT_SETUP]\nCH0_UART_BIT_PER_SYMBOL=7\n",
     "CH0_UART_BIT_PER_SYMBOL", Read::kSelection, "-1"},
    {"a check value starting with 1", "[EXT_SETUP]\nEVR_REC=1x\n", "EVR_REC", Read::kCheck, "1"},
    {"any other check value clears", "[EXT_SETUP]\nEVR_REC=1\nEVR_REC=true\n", "EVR_REC",
     Read::kCheck, "0"},
    {"a lower-case key", "[CH0_M230_1]\nna=7\n"},
    {"a lower-case section", "[ch0_m230_1]\nNA=7\n"},
    {"a key line before any section", "LOC_GID=5\n[LOC_SETUP]\n"},
    {"a line without an equals sign", "[LOC_SETUP]\nLOC_GID 5\n"},
    {"a key of a heading", "[X]\nCH1_MS744=1\n"},
    {"the last line without a line end", "[LOC_SETUP]\r\nLOC_GID=0x10", "LOC_GID", Read::kText,
     "0x10"},
    // Written with their length, for the zero bytes inside.
    {"a text up to its first zero byte", "[LOC_SETUP]\nLOC_MAIN_CHAN_SYS=ab\0c\0d \n"sv,
     "LOC_MAIN_CHAN_SYS", Read::kText, "ab"},
    {"quotes removed before the cut", "[LOC_SETUP]\nLOC_MAIN_CHAN_SYS=\"a \0b\"\n"sv,
     "LOC_MAIN_CHAN_SYS", Read::kText, "a "},
    {"a password box up to its zero byte", "[CH0_M230_1]\nPASS2=1,2\0,3\n"sv, "CH0_M230_1_PASS",
     Read::kBox1, "1,2"},
    {"a zero byte first gives an empty text", "[EXT_SETUP]\nTIME_TABLE=/y\nTIME_TABLE=\0/x\n"sv,
     "TIME_TABLE", Read::kText, ""},
    {"a key holding a zero byte names nothing", "[LOC_SETUP]\nLOC_\0GID=5\n"sv},
};

std::string ReadValue(CSetupEntry& entry, Read read) {
    switch (read) {
        case Read::kText:
            return FromCp1251(entry.GetText());
        case Read::kSelection:
            return std::to_string(entry.GetSelection());
        case Read::kCheck:
            return std::to_string(entry.GetCheck());
        case Read::kBox0:
            return FromCp1251(entry.GetPassword(0));
        case Read::kBox1:
            return FromCp1251(entry.GetPassword(1));
        case Read::kBox2:
            return FromCp1251(entry.GetPassword(2));
    }
    return {};
}

TEST(IniLoad, AppliesEachKindOfLineAsTheLoaderRulesSay) {
    const auto defaults = testing::Snapshot(TreeFixture().Keys());
    for (const LoadCase& c : kLoadCases) {
        TreeFixture tree;
        ApplyIniText(ToCp1251(c.file), tree.Keys());
        const auto after = testing::Snapshot(tree.Keys());
        for (const auto& [key, value] : defaults) {
            if (key != c.key) {
                EXPECT_EQ(after.at(key), value) << c.what << ": " << key << " changed";
            }
        }
        if (!c.key.empty()) {
            EXPECT_EQ(ReadValue(tree.Entry(c.key), c.read), c.expected) << c.what;
        }
    }
}

TEST(IniLoad, APartialFileChangesOnlyWhatItNames) {
    TreeFixture tree;
    tree.Set("LOC_GID", "0x0102").Set("CH0_M230_1_NA", "3");
    ApplyIniText("[LOC_SETUP]\r\nLOC_MAIN_CHAN_TRY=4\r\n", tree.Keys());
    EXPECT_EQ(tree.Text("LOC_GID"), "0x0102");
    EXPECT_EQ(tree.Text("CH0_M230_1_NA"), "3");
    EXPECT_EQ(tree.Text("LOC_MAIN_CHAN_TRY"), "4");
}

TEST(IniLoad, SurvivesBinaryGarbageAndLoadsTheLinesAroundIt) {
    const char kGarbage[] = "\xFF\xFE\0\0[\0]\n=\n==\n[\n]\n\x1A\x1A\x1A\n";
    std::string file(kGarbage, sizeof kGarbage - 1);
    file += "[CH0_M230_2]\r\nNA=2\r\n";
    file += "NA=" + std::string(1 << 20, 'x') + "\n";  // a megabyte on one line
    file += std::string("PASS1=a\0b\n", 10);
    file += "[LOC_SETUP]\n" + std::string(100000, '[') + "\n";
    file += "LOC_MAIN_CHAN_SYS=\xC0\xC1\xC2";  // no line end at all
    TreeFixture tree;
    ApplyIniText(file, tree.Keys());
    EXPECT_EQ(tree.Entry("CH0_M230_2_NA").GetText(), std::string(1 << 20, 'x'));
    EXPECT_EQ(tree.Entry("CH0_M230_2_PASS").GetPassword(0), "a");
    EXPECT_EQ(tree.Text("LOC_MAIN_CHAN_SYS"), "АБВ");

    std::mt19937 random(6);
    std::string noise(1 << 18, '\0');
    for (char& c : noise) {
        // Mostly the bytes the loader looks at, so that many lines get far.
        const char kBytes[] = "[]=\"\n\r _PASCH01NA";
        c = random() % 4 == 0 ? static_cast<char>(random()) : kBytes[random() % 18];
    }
    ApplyIniText(noise, tree.Keys());
}

TEST(IniLoad, AFileThatCannotBeReadFailsAndChangesNothing) {
    TempFolder folder;
    TreeFixture tree;
    tree.Set("LOC_GID", "0x0102");
    const auto before = testing::Snapshot(tree.Keys());
    std::filesystem::create_directory(folder / "folder.ini");
    for (const auto& path : {folder / "missing.ini", folder / "folder.ini"}) {
        try {
            LoadIniFile(path, tree.Keys());
            ADD_FAILURE() << path << " loaded";
        } catch (const SetupFailure& failure) {
            EXPECT_EQ(failure.Message(), ToCp1251("Не удалось загрузить настройки.")) << path;
        }
    }
    EXPECT_EQ(testing::Snapshot(tree.Keys()), before);
}

TEST(LoadIniCommand, LoadsTheChosenFileAndShowsAFailure) {
    TempFolder folder;
    WriteBytes(folder / "site.ini", "[LOC_SETUP]\r\nLOC_GID=0x0102\r\n");
    TreeFixture tree;
    ScriptedDialogs dialogs;
    dialogs.Answer(std::nullopt);
    dialogs.Answer(folder / "missing.ini");
    dialogs.Answer(folder / "site.ini");
    RunLoadIniCommand(tree.Keys(), dialogs);
    EXPECT_TRUE(dialogs.Messages().empty());
    EXPECT_EQ(dialogs.LastInitialPath(), std::filesystem::current_path() / ".ini");
    RunLoadIniCommand(tree.Keys(), dialogs);
    EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{"Не удалось загрузить настройки."});
    EXPECT_EQ(tree.Text("LOC_GID"), "");
    RunLoadIniCommand(tree.Keys(), dialogs);
    EXPECT_EQ(tree.Text("LOC_GID"), "0x0102");
    EXPECT_EQ(dialogs.Questions(), (std::vector<std::string>{"open", "open", "open"}));
    EXPECT_EQ(dialogs.Messages().size(), 1u);
}

}  // namespace
}  // namespace quillon
