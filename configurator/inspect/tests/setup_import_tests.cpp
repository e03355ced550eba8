// The import of setup files. The property that proves it: for every file Save Setup writes,
// importing it into a fresh tree and running Save Setup again gives the same bytes. Files the
// inspector finds damaged, and values no setting can hold, are refused with nothing set.
#include "inspect/setup_import.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "image/save_setup.h"
#include "inspect/area_format.h"
#include "inspect/area_report.h"
#include "settings/ini_file.h"
#include "settings/testing/profile_keys.h"
#include "setup_fixture.h"

namespace quillon::inspect {
namespace {

using testing::ScratchFolder;
using testing::Tree;

constexpr uint32_t kMeterBase = 0x3E800;
constexpr uint32_t kExternalBase = 0x3F000;

// Save Setup's file for the tree; a setup failure propagates.
std::string SaveSetupText(KeyMap& keys) {
    std::vector<SetupAreaSlot> areas = StandardSetupAreas();
    const CFlashImage image = CompileSetup(keys, areas);
    std::ostringstream text;
    image.WriteSRecords(text, false);
    return text.str();
}

std::string ProblemList(const std::vector<SetupProblem>& problems) {
    std::string text;
    for (const SetupProblem& problem : problems) {
        text += std::to_string(problem.address.value_or(0)) + ": " + problem.text + "\n";
    }
    return text;
}

// Meters `first`..`last` of a type: address from the number, the passwords given for each
// number (three boxes, or the boxes the type has), automatic correction on odd numbers.
void SetMeters(Tree& tree, int channel, const char* tag, int first, int last,
               const std::function<std::vector<std::string>(int)>& passwords = {},
               uint32_t addressBase = 0) {
    for (int k = first; k <= last; ++k) {
        const std::string stem =
            "CH" + std::to_string(channel) + "_" + tag + "_" + std::to_string(k);
        tree.Set(stem + "_NA", std::to_string(addressBase + static_cast<uint32_t>(k)));
        if (passwords) {
            const std::vector<std::string> texts = passwords(k);
            for (size_t box = 0; box < texts.size(); ++box) {
                tree.SetPassword(stem + "_PASS", static_cast<int>(box), texts[box]);
            }
        }
        if (tree.Root().FindEntry(stem + "_AUTO_CORR") != nullptr) {
            tree.Check(stem + "_AUTO_CORR", k % 2);
        }
    }
}

std::vector<std::string> Same(const std::string& text, int boxes = 3) {
    return std::vector<std::string>(static_cast<size_t>(boxes), text);
}

// Distinct passwords for every meter number.
std::vector<std::string> Own(int k) {
    const std::string n = std::to_string(k);
    return {n + ",1,1,1,1,1", n + ",2,2,2,2,2", n + ",3,3,3,3,3"};
}

struct Configuration {
    const char* name;
    std::function<void(Tree&, ScratchFolder&)> set;
};

void Counts(Tree& tree, int channel, int group, const std::vector<std::pair<const char*, int>>& n) {
    const std::string prefix = "CH" + std::to_string(channel) + "_";
    tree.Select(prefix + "GROUP", group);
    for (const auto& [tag, count] : n) {
        tree.Set(prefix + tag + "_NUM", std::to_string(count));
    }
}

void TimeServer(Tree& tree, int channel, int type, const char* address, const char* password) {
    tree.Select("TS_CHAN", channel)
        .Select("TS_TYPE", type)
        .Set("TS_ADDR", address)
        .Set("TS_PASS", password);
}

// Size of the meter area Save Setup would build from the tree.
size_t MeterAreaSize(Tree& tree) {
    CStpAreaCnt area;
    area.Prepare(tree.Keys());
    return area.GetSize(tree.Keys());
}

// A meter area of exactly 2048 bytes: channel 0 holds 128 Меркурий-230 meters, of which the
// first `own` (at most 31 a group) have passwords of their own, 22 bytes each; the MS744
// controllers of channel 1 then add one byte each.
void FillMeterArea(Tree& tree) {
    Counts(tree, 0, 1, {{"M230", 128}, {"SEB", 0}, {"SET", 0}});
    Counts(tree, 1, 3, {{"MS744", 1}});
    SetMeters(tree, 1, "MS744", 1, 32);
    const auto owns = [](int k, int own) {
        const int group = (k - 1) / 32;
        const int rank = group * 31 + (k - 1) % 32;
        return (k - 1) % 32 < 31 && rank < own;
    };
    for (int own = 0; own <= 124; ++own) {
        SetMeters(tree, 0, "M230", 1, 128,
                  [&](int k) { return owns(k, own) ? Own(k) : Same("9,9,9,9,9,9"); });
        const size_t size = MeterAreaSize(tree);
        if (size + 31 >= kAreaSizeLimit) {
            ASSERT_LE(size, kAreaSizeLimit);
            const int controllers = 1 + static_cast<int>(kAreaSizeLimit - size);
            tree.Set("CH1_MS744_NUM", std::to_string(controllers));
            ASSERT_EQ(MeterAreaSize(tree), kAreaSizeLimit);
            return;
        }
    }
    FAIL() << "no meter area of 2048 bytes";
}

const std::vector<Configuration>& Configurations() {
    static const std::vector<Configuration> configurations = {
        {"tariff meters on both channels, own passwords",
         [](Tree& tree, ScratchFolder&) {
             Counts(tree, 0, 1, {{"M230", 3}, {"SEB", 2}, {"SET", 1}});
             SetMeters(tree, 0, "M230", 1, 3, Own);
             SetMeters(tree, 0, "SEB", 1, 2, Own, 10);
             SetMeters(tree, 0, "SET", 1, 1, Own, 20);
             Counts(tree, 1, 1, {{"M230", 1}, {"SEB", 0}, {"SET", 2}});
             SetMeters(tree, 1, "M230", 1, 1, Own, 254);
             SetMeters(tree, 1, "SET", 1, 2, Own, 100);
         }},
        {"Меркурий-200 and MS744 controllers",
         [](Tree& tree, ScratchFolder&) {
             Counts(tree, 0, 2, {{"M200", 2}});
             SetMeters(tree, 0, "M200", 1, 1);
             tree.Set("CH0_M200_2_NA", "4294967295");
             Counts(tree, 1, 3, {{"MS744", 4}});
             SetMeters(tree, 1, "MS744", 1, 4);
             tree.Check("CH1_MS744_1_POLL").Check("CH1_MS744_3_STAT").Check("CH1_MS744_4_POLL");
             tree.Check("CH1_MS744_REC").Check("CH1_MS744_LAST").Select("CH1_MS744_BAUD", 3);
         }},
        {"MULTICAL601 on both channels",
         [](Tree& tree, ScratchFolder&) {
             Counts(tree, 0, 3, {{"M601", 1}});
             Counts(tree, 1, 4, {{"M601", 1}});
         }},
        {"CE102 on channel 0, CE303 on channel 1",
         [](Tree& tree, ScratchFolder&) {
             Counts(tree, 0, 4, {{"CE102", 2}});
             SetMeters(tree, 0, "CE102", 1, 1, [](int) { return Same("1,2,3,4"); });
             SetMeters(
                 tree, 0, "CE102", 2, 2, [](int) { return Same("0xFF,0,0,7"); }, 65532);
             Counts(tree, 1, 6, {{"CE303", 2}});
             SetMeters(
                 tree, 1, "CE303", 1, 2,
                 [](int k) { return Same(std::to_string(47 + k) + ",48,49,50,51,57", 2); },
                 4000000000u);
         }},
        {"CE303 on channel 0, CE102 on channel 1",
         [](Tree& tree, ScratchFolder&) {
             Counts(tree, 0, 5, {{"CE303", 1}});
             SetMeters(tree, 0, "CE303", 1, 1, [](int) { return Same("48,48,48,48,48,48", 2); });
             Counts(tree, 1, 5, {{"CE102", 1}});
             SetMeters(
                 tree, 1, "CE102", 1, 1, [](int) { return Same("5,6,7,8"); }, 65000);
         }},
        {"channel access and the MIRT protocol",
         [](Tree& tree, ScratchFolder&) {
             Counts(tree, 0, 6, {});
             Counts(tree, 1, 8, {});
         }},
        {"shared and own passwords over two groups, one set for equal groups",
         [](Tree& tree, ScratchFolder&) {
             // Meters 1-3 share A, 4-5 share B, the rest C: C is the default of group 0.
             const auto pattern = [](int k) {
                 const int n = (k - 1) % 32 + 1;
                 return n <= 3   ? Same("1,1,1,1,1,1")
                        : n <= 5 ? Same("2,2,2,2,2,2")
                                 : Same("3,3,3,3,3,3");
             };
             Counts(tree, 0, 1, {{"M230", 40}, {"SEB", 0}, {"SET", 32}});
             SetMeters(tree, 0, "M230", 1, 40, pattern);
             SetMeters(tree, 0, "SET", 1, 32, pattern, 50);
             // The same passwords in another order: its own triples.
             Counts(tree, 1, 1, {{"M230", 0}, {"SEB", 5}, {"SET", 0}});
             SetMeters(tree, 1, "SEB", 1, 5, [](int k) {
                 return std::vector<std::string>{
                     "3,3,3,3,3,3", k == 2 ? "1,1,1,1,1,1" : "2,2,2,2,2,2", "3,3,3,3,3,3"};
             });
         }},
        {"time server Меркурий-230 on channel 0",
         [](Tree& tree, ScratchFolder&) {
             Counts(tree, 0, 1, {{"M230", 1}, {"SEB", 0}, {"SET", 0}});
             SetMeters(tree, 0, "M230", 1, 1, Own);
             TimeServer(tree, 0, 1, "0", "1,2,3,4,5,6");
         }},
        {"time server СЭБ on channel 1",
         [](Tree& tree, ScratchFolder&) {
             Counts(tree, 1, 1, {{"M230", 0}, {"SEB", 2}, {"SET", 0}});
             SetMeters(tree, 1, "SEB", 1, 2, Own);
             TimeServer(tree, 1, 2, "255", "0x10,0,0,0,0,255");
         }},
        {"time server СЭТ on channel 0",
         [](Tree& tree, ScratchFolder&) {
             Counts(tree, 0, 1, {{"M230", 0}, {"SEB", 0}, {"SET", 1}});
             SetMeters(tree, 0, "SET", 1, 1, [](int) { return Same("7,7,7,7,7,7"); });
             TimeServer(tree, 0, 3, "17", "7,7,7,7,7,7");
         }},
        {"modem channels, Cyrillic and blank-ended texts, every box ticked",
         [](Tree& tree, ScratchFolder&) {
             for (const char* prefix : {"LOC_MAIN_CHAN_", "EXT_RSV_CHAN_"}) {
                 const std::string p = prefix;
                 tree.Select(p + "TYPE", 1).Set(p + "SYS", " сервер ").Set(p + "APN", "apn ");
             }
             tree.Set("LOC_GID", "65535").Set("EXT_GID", "0x00AB");
             // Every check box of the external setup: the log records and the event filter.
             for (const std::string& key : quillon::testing::kExternalSetupKeys) {
                 if (tree.Entry(key).GetKind() == EntryKind::kCheck) {
                     tree.Check(key);
                 }
             }
             for (int c = 0; c < 2; ++c) {
                 const std::string p = "CH" + std::to_string(c) + "_UART_";
                 tree.Select(p + "SPEED", 9 - c)
                     .Select(p + "BIT_PER_SYMBOL", 4 - c)
                     .Select(p + "STOP_BIT_DURATION", 3 - c)
                     .Select(p + "PARITY_BIT", 5 - c);
             }
         }},
        {"MS744 speed without a choice, written as 0xFF",
         [](Tree& tree, ScratchFolder&) { tree.Select("CH1_MS744_BAUD", -1); }},
        {"every area exactly 2048 bytes",
         [](Tree& tree, ScratchFolder& folder) {
             FillMeterArea(tree);
             CStpAreaExt external;
             const size_t externalSize = external.GetSize(tree.Keys());
             tree.Set(
                 "TIME_TABLE",
                 folder.Write("big.bin", std::string(kAreaSizeLimit - externalSize + 3, '\x5A'))
                     .string());
             CStpAreaLoc local;
             const size_t localSize = local.GetSize(tree.Keys());
             tree.Set("LOC_MAIN_CHAN_SRV", "srv" + std::string(kAreaSizeLimit - localSize, 'x'));
         }},
    };
    return configurations;
}

class SetupImportTest : public ::testing::Test {
protected:
    // Local and external modules valid, both exchange channels unused.
    void SetBase(Tree& tree) {
        testing::SetLocal(tree);
        testing::SetExternal(tree, m_folder.Write("schedule.bin", "\x01\x02\x03"));
    }

    // Imports the file into a fresh tree, with the schedule table saved in the folder; the
    // tree's Save Setup text.
    std::string ImportAndSave(const std::string& text, Tree& tree) {
        const SetupImport import = ImportSetupText(text);
        EXPECT_EQ(ProblemList(import.problems), "");
        ApplySetupImport(import, tree.Keys());
        tree.Set("TIME_TABLE", m_folder
                                   .Write("imported.bin", std::string(import.schedule.begin(),
                                                                      import.schedule.end()))
                                   .string());
        return SaveSetupText(tree.Keys());
    }

    ScratchFolder m_folder;
};

TEST_F(SetupImportTest, SaveSetupOfAnImportedFileGivesItsBytesForEveryConfiguration) {
    for (const Configuration& configuration : Configurations()) {
        SCOPED_TRACE(configuration.name);
        Tree original;
        SetBase(original);
        configuration.set(original, m_folder);
        const std::string text = SaveSetupText(original.Keys());
        Tree imported;
        EXPECT_EQ(ImportAndSave(text, imported), text);
    }
}

TEST_F(SetupImportTest, SaveSetupOfTheImportedExampleSiteGivesItsBytes) {
    Tree original;
    LoadIniFile(std::filesystem::path(QB_SOURCE_DIR) / "examples" / "site.ini", original.Keys());
    original.Set("TIME_TABLE",
                 (std::filesystem::path(QB_SOURCE_DIR) / "examples" / "schedule.bin").string());
    const std::string text = SaveSetupText(original.Keys());
    Tree imported;
    EXPECT_EQ(ImportAndSave(text, imported), text);

    // What the bytes cannot tell is written in one form of the tree's own choice.
    EXPECT_EQ(imported.Text("LOC_GID"), "0x0102");
    EXPECT_EQ(imported.Entry("CH0_M230_1_PASS").GetPassword(2), "48,48,48,48,48,49");
    EXPECT_EQ(imported.Text("TS_PASS"), "1,1,1,1,1,1");
    EXPECT_EQ(imported.Text("EXT_MAIN_CHAN_IP"), "192.168.10.21");
    EXPECT_EQ(imported.Text("CH0_SEB_1_NA"), "10");
    EXPECT_EQ(imported.Text("CH0_SET_NUM"), "0");
    EXPECT_EQ(imported.Entry("CH1_MS744_BAUD").GetSelection(), 0);
    EXPECT_EQ(imported.Entry("BBLOG_COD_TIME_NOT_ADEQ").GetCheck(), 1);
    EXPECT_EQ(ImportSetupText(text).schedule.size(), 48u);
}

// The setup flash read back from a unit: "S" lines with a header and an end record, and the
// erased bytes after each area up to the next one.
std::string ReadBackFromUnit(const std::string& saved) {
    CFlashImage image;
    image.Seek(kMeterBase);
    image.Write(std::vector<uint8_t>(0x40000 - kMeterBase, 0xFF));
    std::istringstream lines(saved);
    std::string line;
    while (std::getline(lines, line)) {
        const auto byte = [&](size_t at) {
            return static_cast<uint8_t>(std::stoul(line.substr(at, 2), nullptr, 16));
        };
        const size_t count = byte(2) - 5u;
        image.Seek(static_cast<uint32_t>(std::stoul(line.substr(4, 8), nullptr, 16)));
        std::vector<uint8_t> data;
        for (size_t i = 0; i < count; ++i) {
            data.push_back(byte(12 + 2 * i));
        }
        image.Write(data);
    }
    std::ostringstream text;
    text << "S00600004844521B\r\n";
    image.WriteSRecords(text, true);
    text << "S70500000000FA\r\n";
    return text.str();
}

TEST_F(SetupImportTest, ImportsTheSetupFlashReadBackFromAUnit) {
    Tree original;
    SetBase(original);
    Counts(original, 0, 1, {{"M230", 2}, {"SEB", 0}, {"SET", 0}});
    SetMeters(original, 0, "M230", 1, 2, Own);
    const std::string saved = SaveSetupText(original.Keys());
    const std::string read = ReadBackFromUnit(saved);
    ASSERT_EQ(read.substr(0, 20), "S00600004844521B\r\nS3");
    EXPECT_EQ(ProblemList(InspectSetupFile(read).problems), "");
    Tree imported;
    EXPECT_EQ(ImportAndSave(read, imported), saved);
}

TEST_F(SetupImportTest, LeavesWhatTheAreasDoNotHoldAsItWas) {
    Tree original;
    SetBase(original);
    Counts(original, 0, 1, {{"M230", 1}, {"SEB", 0}, {"SET", 0}});
    SetMeters(original, 0, "M230", 1, 1, Own);
    const std::string text = SaveSetupText(original.Keys());

    Tree target;
    target
        .Set("LOC_RSV_CHAN_IP", "1.2.3.4")  // the reserve channel is a modem
        .Set("CH0_M230_2_NA", "77")         // past the count
        .Set("CH1_M230_NUM", "5")           // channel 1 is unused
        .Select("TS_TYPE", 1)               // no time server in the file
        .Set("TS_ADDR", "9")
        .Set("TIME_TABLE", "old.bin");
    ApplySetupImport(ImportSetupText(text), target.Keys());
    EXPECT_EQ(target.Text("LOC_RSV_CHAN_IP"), "1.2.3.4");
    EXPECT_EQ(target.Text("CH0_M230_2_NA"), "77");
    EXPECT_EQ(target.Text("CH1_M230_NUM"), "5");
    EXPECT_EQ(target.Entry("TS_TYPE").GetSelection(), 0);
    EXPECT_EQ(target.Text("TS_ADDR"), "9");
    // The schedule file is the command's business.
    EXPECT_EQ(target.Text("TIME_TABLE"), "old.bin");
    EXPECT_EQ(target.Text("LOC_RSV_CHAN_APN"), "internet");
}

TEST_F(SetupImportTest, RefusesADamagedFileWithTheInspectorsProblemsAndSetsNothing) {
    Tree original;
    SetBase(original);
    std::string text = SaveSetupText(original.Keys());
    text.erase(text.find(":3250003F800"));
    const SetupFileReport report = InspectSetupFile(text);
    ASSERT_FALSE(report.problems.empty());
    const SetupImport import = ImportSetupReport(report);
    EXPECT_EQ(ProblemList(import.problems), ProblemList(report.problems));
    EXPECT_TRUE(import.values.empty());
    EXPECT_TRUE(import.schedule.empty());
}

// A sound area with one record's byte changed and its checksums made right again, so that only
// the import can object.
std::vector<uint8_t> Patched(std::vector<uint8_t> area, AreaKind kind, ItemKind item, size_t offset,
                             uint8_t value) {
    const AreaReport report = WalkArea(area, kind);
    for (const AreaItem& found : report.items) {
        if (found.kind != item) {
            continue;
        }
        area[found.start + offset] = value;
        const uint16_t record =
            Crc16(std::span<const uint8_t>(area).subspan(found.start, found.size - 2));
        area[found.start + found.size - 2] = static_cast<uint8_t>(record);
        area[found.start + found.size - 1] = static_cast<uint8_t>(record >> 8);
        const uint16_t whole = Crc16(std::span<const uint8_t>(area).first(area.size() - 2));
        area[area.size() - 2] = static_cast<uint8_t>(whole);
        area[area.size() - 1] = static_cast<uint8_t>(whole >> 8);
        EXPECT_EQ(CheckArea(area, kind).size(), 0u);
        return area;
    }
    ADD_FAILURE() << "no such record";
    return area;
}

TEST_F(SetupImportTest, RefusesValuesNoSettingCanHoldAndSetsNothing) {
    Tree tree;
    SetBase(tree);
    Counts(tree, 0, 3, {{"M601", 1}});
    Counts(tree, 1, 1, {{"M230", 2}, {"SEB", 0}, {"SET", 0}});
    SetMeters(tree, 1, "M230", 1, 2, Own);
    TimeServer(tree, 1, 1, "3", "1,1,1,1,1,1");
    const std::vector<uint8_t> meter = testing::BuildMeter(tree);
    const std::vector<uint8_t> external = testing::BuildExternal(tree);
    const std::vector<uint8_t> local = testing::BuildLocal(tree);

    struct Case {
        AreaKind area;
        ItemKind item;
        size_t offset;
        uint8_t value;
        const char* problem;
    };
    const std::vector<Case> cases = {
        {AreaKind::kExternal, ItemKind::kUartConfig, 7, 0x01,
         "Настройки UART: у канала 0 значение 1, которого нет в списке «Скорость»"},
        {AreaKind::kExternal, ItemKind::kUartConfig, 15, 9,
         "Настройки UART: у канала 1 значение 9, которого нет в списке «Количество бит для "
         "кодирования символа»"},
        {AreaKind::kExternal, ItemKind::kUartConfig, 9, 4,
         "Настройки UART: у канала 0 значение 4, которого нет в списке «Длительность стопового "
         "бита»"},
        {AreaKind::kExternal, ItemKind::kUartConfig, 17, 6,
         "Настройки UART: у канала 1 значение 6, которого нет в списке «Настройка чётности»"},
        {AreaKind::kExternal, ItemKind::kSystemFlags, 2, 0xFB,
         "Системные настройки: сброшены биты 0x04, которых нет ни у одной настройки"},
        {AreaKind::kExternal, ItemKind::kPollConfig, 3, 0x00,
         "Настройки журнала: байт 0x00 на месте 0xFF не задаётся ни одной настройкой"},
        {AreaKind::kExternal, ItemKind::kEventFilter, 4, 0x40,
         "Игнорируемые журнальные записи: биты маски 0x4000 не означают ни одной журнальной "
         "записи"},
        {AreaKind::kExternal, ItemKind::kEventFilter, 6, 0x43,
         "Игнорируемые журнальные записи: составной код 0x43 не означает ни одной журнальной "
         "записи"},
        {AreaKind::kExternal, ItemKind::kChannelSetup, 8, 0x03,
         "Конфигурации каналов обмена: у канала 0 группа устройств с кодом 3, которой нет в "
         "списке «Группа устройств»"},
        {AreaKind::kExternal, ItemKind::kChannelSetup, 18, 3,
         "Сетевые адреса группы 0x003C: в группе 2 счетчиков, а настройка каналов обмена "
         "насчитывает в ней 3"},
        {AreaKind::kMeter, ItemKind::kMs744Baud, 2, 5,
         "Контроллеры MS744: Скорость: скорости с кодом 5 нет в списке «Скорость»"},
        {AreaKind::kMeter, ItemKind::kMs744Baud, 3, 1,
         "Контроллеры MS744: Скорость: байт 0x01 на месте 0x00 не задаётся ни одной настройкой"},
        {AreaKind::kMeter, ItemKind::kTimeServerParam, 3, 3,
         "Сервер времени: Канал, Тип счетчика: типа счетчика 3 нет в списке «Тип счетчика»"},
        {AreaKind::kMeter, ItemKind::kAddressTable, 3, 2,
         "Сетевые адреса группы 0x007E: сетевой адрес 2, а у M601 он всегда 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem);
        const std::string text = testing::SetupFileText({
            {kMeterBase, c.area == AreaKind::kMeter
                             ? Patched(meter, c.area, c.item, c.offset, c.value)
                             : meter},
            {kExternalBase, c.area == AreaKind::kExternal
                                ? Patched(external, c.area, c.item, c.offset, c.value)
                                : external},
            {0x3F800, local},
        });
        const SetupImport import = ImportSetupText(text);
        ASSERT_EQ(import.problems.size(), 1u) << ProblemList(import.problems);
        EXPECT_EQ(import.problems[0].text, c.problem);
        EXPECT_TRUE(import.values.empty());
    }
}

TEST_F(SetupImportTest, SetsNothingWhenOneKeyHasNoEntry) {
    Tree original;
    SetBase(original);
    const SetupImport import = ImportSetupText(SaveSetupText(original.Keys()));
    Tree target;
    KeyMap keys;
    for (auto [key, entry] : target.Keys().Entries()) {
        if (key != "LOC_RSV_CHAN_APN") {
            keys.Add(entry);
        }
    }
    EXPECT_THROW(ApplySetupImport(import, keys), std::logic_error);
    EXPECT_EQ(target.Text("LOC_GID"), "");
}

}  // namespace
}  // namespace quillon::inspect
