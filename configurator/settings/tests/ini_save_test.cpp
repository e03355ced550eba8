// "Save Ini-file": the bytes of the saved file, the round trip of the whole tree and the
// command's failures.
#include <gtest/gtest.h>

#include <filesystem>
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

using testing::ReadBytes;
using testing::ScriptedDialogs;
using testing::TempFolder;
using testing::TreeFixture;
using testing::WriteBytes;

// The text from the first occurrence of `from` up to, not including, the next section header.
std::string SectionText(const std::string& file, const std::string& from) {
    const size_t start = file.find(from);
    if (start == std::string::npos) {
        return "<" + from + " missing>";
    }
    const size_t end = file.find("\r\n[", start + 1);
    return file.substr(start, end == std::string::npos ? std::string::npos : end + 2 - start);
}

std::vector<std::string> SectionNames(const std::string& file) {
    std::vector<std::string> names;
    size_t at = 0;
    while ((at = file.find('[', at)) != std::string::npos) {
        const size_t end = file.find("]\r\n", at);
        names.push_back(file.substr(at + 1, end - at - 1));
        at = end;
    }
    return names;
}

TEST(IniSave, WritesTheProfileSectionsKeyByKeyWithoutBlankLines) {
    TreeFixture tree;
    tree.Set("LOC_GID", "0x0102")
        .Select("LOC_MAIN_CHAN_TYPE", 0)
        .Set("LOC_MAIN_CHAN_SYS", "КОММ-01")
        .Set("LOC_MAIN_CHAN_SRV", "askue.example.net:5010")
        .Set("LOC_MAIN_CHAN_TRY", "3")
        .Set("LOC_MAIN_CHAN_IP", "192.168.10.20")
        .Set("LOC_MAIN_CHAN_MASK", "255.255.255.0")
        .Select("LOC_RSV_CHAN_TYPE", 1)
        .Set("LOC_RSV_CHAN_APN", "internet.mts.ru")
        .Check("CH1_MS744_REC")
        .Check("CH1_MS744_LAST")
        .Select("CH1_MS744_BAUD", 2)
        .Select("TS_CHAN", 1)
        .Set("TS_ADDR", "5")
        .Set("TS_PASS", "1,2,3,4,5,6");
    const std::string file = FormatIniFile(tree.Keys());

    EXPECT_EQ(SectionText(file, "[LOC_SETUP]"),
              "[LOC_SETUP]\r\n"
              "LOC_GID=0x0102\r\n"
              "LOC_MAIN_CHAN_TYPE=0\r\n"
              "LOC_MAIN_CHAN_SYS=\xCA\xCE\xCC\xCC-01\r\n"
              "LOC_MAIN_CHAN_SRV=askue.example.net:5010\r\n"
              "LOC_MAIN_CHAN_TRY=3\r\n"
              "LOC_MAIN_CHAN_IP=192.168.10.20\r\n"
              "LOC_MAIN_CHAN_GATE=0.0.0.0\r\n"
              "LOC_MAIN_CHAN_MASK=255.255.255.0\r\n"
              "LOC_MAIN_CHAN_APN=\r\n"
              "LOC_RSV_CHAN_TYPE=1\r\n"
              "LOC_RSV_CHAN_SYS=\r\n"
              "LOC_RSV_CHAN_SRV=\r\n"
              "LOC_RSV_CHAN_TRY=\r\n"
              "LOC_RSV_CHAN_IP=0.0.0.0\r\n"
              "LOC_RSV_CHAN_GATE=0.0.0.0\r\n"
              "LOC_RSV_CHAN_MASK=0.0.0.0\r\n"
              "LOC_RSV_CHAN_APN=internet.mts.ru\r\n");
    EXPECT_EQ(file.find("[LOC_SETUP]\r\n"), 0u);
    EXPECT_NE(file.find("LOC_RSV_CHAN_APN=internet.mts.ru\r\n[EXT_SETUP]\r\nEXT_GID=\r\n"),
              std::string::npos);
    EXPECT_NE(file.find("CH1_UART_PARITY_BIT=0\r\n"
                        "[CH1_MS744]\r\nREC=1\r\nCOOKIE=0\r\nLAST=1\r\n"
                        "[TIME_SERVER]\r\nTS_CHAN=1\r\nTS_TYPE=-1\r\nTS_ADDR=5\r\n"
                        "TS_PASS=1,2,3,4,5,6\r\n"
                        "[CH0_M230_1]\r\n"),
              std::string::npos);
    EXPECT_EQ(file.find("BAUD"), std::string::npos);
    EXPECT_EQ(file.find("\r\n\r\n"), std::string::npos);
    EXPECT_EQ(file.find('\n'), file.find("\r\n") + 1);
}

TEST(IniSave, WritesEachMeterSectionWithTheLinesOfItsType) {
    TreeFixture tree;
    tree.Set("CH0_M230_3_NA", "7")
        .Check("CH0_M230_3_AUTO_CORR")
        .SetPassword("CH0_M230_3_PASS", 0, "1,1,1,1,1,1")
        .SetPassword("CH0_M230_3_PASS", 2, "0x30,0x30,0x30,0x30,0x30,0x31")
        .Set("CH1_M200_128_NA", "4294967295")
        .Set("CH0_CE102_2_NA", "65534")
        .SetPassword("CH0_CE102_2_PASS", 1, "777777")
        .Set("CH1_CE303_1_NA", "12")
        .SetPassword("CH1_CE303_1_PASS", 0, "a")
        .SetPassword("CH1_CE303_1_PASS", 1, "b")
        .Set("CH1_MS744_32_NA", "32")
        .Check("CH1_MS744_32_STAT");
    const std::string file = FormatIniFile(tree.Keys());

    EXPECT_EQ(SectionText(file, "[CH0_M230_3]"),
              "[CH0_M230_3]\r\nNA=7\r\nAUTO_CORR=1\r\nPASS1=1,1,1,1,1,1\r\nPASS2=\r\n"
              "PASS3=0x30,0x30,0x30,0x30,0x30,0x31\r\n");
    EXPECT_EQ(SectionText(file, "[CH0_SEB_1]"),
              "[CH0_SEB_1]\r\nNA=\r\nAUTO_CORR=0\r\nPASS1=\r\nPASS2=\r\nPASS3=\r\n");
    EXPECT_EQ(SectionText(file, "[CH1_M200_128]"), "[CH1_M200_128]\r\nNA=4294967295\r\n");
    EXPECT_EQ(SectionText(file, "[CH0_M601_1]"), "[CH0_M601_1]\r\nNA=1\r\n");
    EXPECT_EQ(SectionText(file, "[CH0_CE102_2]"),
              "[CH0_CE102_2]\r\nNA=65534\r\nPASS1=\r\nPASS2=777777\r\nPASS3=\r\n");
    // The CE303 entry has two boxes; the third line is written empty all the same.
    EXPECT_EQ(SectionText(file, "[CH1_CE303_1]"),
              "[CH1_CE303_1]\r\nNA=12\r\nPASS1=a\r\nPASS2=b\r\nPASS3=\r\n");
    const std::string last = "[CH1_MS744_32]\r\nNA=32\r\nPOLL=0\r\nSTAT=1\r\n";
    EXPECT_EQ(file.substr(file.size() - last.size()), last);
}

TEST(IniSave, WritesEveryMeterSectionInChannelTypeAndNumberOrder) {
    std::vector<std::string> expected = {"LOC_SETUP", "EXT_SETUP", "CH1_MS744", "TIME_SERVER"};
    const char* const types[] = {"M230", "SEB", "SET", "M200", "M601", "CE102", "CE303"};
    for (int channel = 0; channel <= 1; ++channel) {
        for (const std::string type : types) {
            const int last = type == "M601" ? 1 : 128;
            for (int n = 1; n <= last; ++n) {
                expected.push_back("CH" + std::to_string(channel) + "_" + type + "_" +
                                   std::to_string(n));
            }
        }
    }
    for (int n = 1; n <= 32; ++n) {
        expected.push_back("CH1_MS744_" + std::to_string(n));
    }

    TreeFixture tree;
    EXPECT_EQ(SectionNames(FormatIniFile(tree.Keys())), expected);
}

TEST(IniSave, DropsBlanksAroundProfileValuesButKeepsMeterValuesAsTheyAre) {
    TreeFixture tree;
    // Ctrl-Z (0x1A) is a blank of the profile writer too.
    tree.Set("LOC_MAIN_CHAN_SYS", "  КОММ 01 \t")
        .Set("TS_PASS", "\x1A\x1A 1,2\x1A")
        .Set("CH0_M230_1_NA", " 7\x1A");
    const std::string file = FormatIniFile(tree.Keys());
    EXPECT_NE(file.find("\r\nLOC_MAIN_CHAN_SYS=\xCA\xCE\xCC\xCC 01\r\n"), std::string::npos);
    EXPECT_NE(file.find("\r\nTS_PASS=1,2\r\n"), std::string::npos);
    EXPECT_NE(file.find("[CH0_M230_1]\r\nNA= 7\x1A\r\n"), std::string::npos);
}

// Every value of a tree set away from its default, so that a load has something to restore.
void ChangeEveryValue(TreeFixture& tree) {
    for (const auto& [key, entry] : tree.Keys().Entries()) {
        switch (entry.GetKind()) {
            case EntryKind::kCombo:
                entry.SetSelection(entry.GetSelection() == 1 ? 0 : 1);
                break;
            case EntryKind::kCheck:
                entry.SetCheck(entry.GetCheck() == 0 ? 1 : 0);
                break;
            case EntryKind::kAddress:
                entry.SetText("10.20.30.40");
                break;
            case EntryKind::kPassword:
                for (size_t i = 0; i < entry.GetControlCount(); ++i) {
                    entry.SetPassword(static_cast<int>(i), "changed");
                }
                break;
            case EntryKind::kEmpty:
                break;
            default:
                entry.SetText("changed");
                break;
        }
    }
}

TEST(IniSave, SavingTheDefaultTreeAndLoadingItBackRestoresEveryValueButTheMs744Speed) {
    TempFolder folder;
    TreeFixture saved;
    SaveIniFile(folder / "default.ini", saved.Keys());

    TreeFixture loaded;
    ChangeEveryValue(loaded);
    const std::string changedSpeed = testing::Snapshot(loaded.Keys()).at("CH1_MS744_BAUD");
    LoadIniFile(folder / "default.ini", loaded.Keys());

    auto expected = testing::Snapshot(saved.Keys());
    const auto actual = testing::Snapshot(loaded.Keys());
    EXPECT_NE(expected.at("CH1_MS744_BAUD"), changedSpeed);
    expected.at("CH1_MS744_BAUD") = changedSpeed;
    ASSERT_EQ(actual.size(), expected.size());
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(actual.at(key), value) << key;
    }
}

TEST(IniSave, ASavedSiteLoadsBackIntoTheSameFile) {
    TempFolder folder;
    TreeFixture first;
    first.Set("EXT_MAIN_CHAN_SYS", "Подстанция №5")
        .Select("CH0_GROUP", 1)
        .Set("CH0_M230_NUM", "2")
        .Set("CH0_M230_2_NA", "200")
        .SetPassword("CH0_M230_2_PASS", 1, "2,2,2,2,2,2")
        .Check("CH1_MS744_4_POLL")
        .Set("TIME_TABLE", "/srv/расписание.bin");
    SaveIniFile(folder / "a.ini", first.Keys());

    TreeFixture second;
    LoadIniFile(folder / "a.ini", second.Keys());
    SaveIniFile(folder / "b.ini", second.Keys());
    EXPECT_EQ(ReadBytes(folder / "b.ini"), ReadBytes(folder / "a.ini"));
    EXPECT_EQ(second.Text("EXT_MAIN_CHAN_SYS"), "Подстанция №5");
}

TEST(IniSave, AFileThatCannotBeWrittenFailsWithTheMessageAndLeavesTheOldOne) {
    TempFolder folder;
    TreeFixture tree;
    try {
        SaveIniFile(folder / "missing" / "site.ini", tree.Keys());
        FAIL() << "no failure";
    } catch (const SetupFailure& failure) {
        EXPECT_EQ(failure.Message(), ToCp1251("Не удалось сохранить настройки."));
    }
    EXPECT_TRUE(folder.Names().empty());

    std::filesystem::create_directory(folder / "site.ini");
    EXPECT_THROW(SaveIniFile(folder / "site.ini", tree.Keys()), SetupFailure);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"site.ini"});
}

TEST(SaveIniCommand, ProposesTheCurrentFolderAndShowsAFailure) {
    TempFolder folder;
    TreeFixture tree;
    ScriptedDialogs dialogs;
    dialogs.Answer(folder / "missing" / "site.ini");
    RunSaveIniCommand(tree.Keys(), dialogs);
    EXPECT_EQ(dialogs.Questions(), std::vector<std::string>{"save"});
    EXPECT_EQ(dialogs.LastInitialPath(), std::filesystem::current_path() / ".ini");
    EXPECT_EQ(dialogs.LastFilters(),
              (std::vector<std::string>{"Ini files (*.ini)|*.ini", "All Files (*.*)|*.*"}));
    EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{"Не удалось сохранить настройки."});
}

TEST(SaveIniCommand, WritesTheChosenFileSilentlyAndNothingWhenCancelled) {
    TempFolder folder;
    TreeFixture tree;
    ScriptedDialogs dialogs;
    dialogs.Answer(std::nullopt);
    RunSaveIniCommand(tree.Keys(), dialogs);
    EXPECT_TRUE(folder.Names().empty());

    dialogs.Answer(folder / "site.ini");
    RunSaveIniCommand(tree.Keys(), dialogs);
    EXPECT_EQ(ReadBytes(folder / "site.ini"), FormatIniFile(tree.Keys()));
    EXPECT_TRUE(dialogs.Messages().empty());
}

}  // namespace
}  // namespace quillon
