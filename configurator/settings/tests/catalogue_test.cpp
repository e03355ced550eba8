#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "settings/cp1251.h"
#include "settings/entries.h"
#include "settings/memory_control.h"
#include "settings/testing/profile_keys.h"
#include "settings/testing/tree_fixture.h"

namespace quillon {
namespace {

using testing::TreeFixture;

void Walk(const CSetupEntry& entry, const std::function<void(const CSetupEntry&)>& visit) {
    for (const CSetupEntry& child : entry.GetChildren()) {
        visit(child);
        Walk(child, visit);
    }
}

// The 106 keys the fixed nodes carry, in tree order: those of the two profile sections, then
// the time server, the meter headings and the MS744 options.
std::vector<std::string> FixedKeys() {
    std::vector<std::string> keys = testing::kLocalSetupKeys;
    keys.insert(keys.end(), testing::kExternalSetupKeys.begin(), testing::kExternalSetupKeys.end());
    for (const char* key : {
             "TS_CHAN",   "TS_TYPE",        "TS_ADDR",       "TS_PASS",          "CH0_M230",
             "CH0_SEB",   "CH0_SET",        "CH0_M200",      "CH0_M601",         "CH0_CE102",
             "CH0_CE303", "CH1_M230",       "CH1_SEB",       "CH1_SET",          "CH1_M200",
             "CH1_MS744", "CH1_MS744_BAUD", "CH1_MS744_REC", "CH1_MS744_COOKIE", "CH1_MS744_LAST",
             "CH1_M601",  "CH1_CE102",      "CH1_CE303",
         }) {
        keys.emplace_back(key);
    }
    return keys;
}

const std::vector<std::string> kFixedKeys = FixedKeys();

bool IsMeterNodeKey(const std::string& key) {
    // Meter node keys hold the meter number between underscores: CH0_M230_5_NA.
    const size_t first = key.find('_');
    const size_t second = key.find('_', first + 1);
    return second != std::string::npos && second + 1 < key.size() && key[second + 1] >= '0' &&
           key[second + 1] <= '9';
}

TEST(Catalogue, HoldsEveryEntryAndControl) {
    TreeFixture tree;
    int entries = 0;
    size_t controls = 0;
    Walk(tree.Root(), [&](const CSetupEntry& e) {
        ++entries;
        controls += e.GetControlCount();
    });
    EXPECT_EQ(entries, kCatalogueEntryCount);
    EXPECT_EQ(controls, static_cast<size_t>(kCatalogueControlCount));
    EXPECT_EQ(tree.Factory().NextControlId(), kFirstControlId + kCatalogueControlCount);
    EXPECT_EQ(tree.Root().GetCaption(), "");
    EXPECT_FALSE(tree.Root().HasKey());
    EXPECT_EQ(tree.Root().GetControlCount(), 0u);
}

TEST(Catalogue, TopLevelNodesStandInOrder) {
    TreeFixture tree;
    const std::vector<std::string> captions = {
        "Конфигурация каналов связи(loc)",
        "Конфигурация каналов связи(ext)",
        "Настройки журнала",
        "Системные настройки",
        "Таблица расписания",
        "Конфигурации каналов обмена",
        "Настройки каналов обмена",
    };
    ASSERT_EQ(tree.Root().GetChildCount(), captions.size());
    for (size_t i = 0; i < captions.size(); ++i) {
        EXPECT_EQ(tree.Root().GetChild(i).GetCaption(), ToCp1251(captions[i]));
    }
}

TEST(Catalogue, FixedNodesCarryTheirKeysInTreeOrder) {
    TreeFixture tree;
    std::vector<std::string> fixed;
    int fixedNodes = 0;
    Walk(tree.Root(), [&](const CSetupEntry& e) {
        if (e.HasKey() && IsMeterNodeKey(e.GetKey())) {
            return;
        }
        ++fixedNodes;
        if (e.HasKey()) {
            fixed.push_back(e.GetKey());
        }
    });
    EXPECT_EQ(fixed, kFixedKeys);
    EXPECT_EQ(fixedNodes, kFixedNodeCount);
    for (const std::string& key : kFixedKeys) {
        EXPECT_NE(tree.Root().FindEntry(key), nullptr) << key;
    }
}

TEST(Catalogue, EveryKeyIsUniqueAndRegistered) {
    TreeFixture tree;
    std::set<std::string> seen;
    int keyed = 0;
    Walk(tree.Root(), [&](const CSetupEntry& e) {
        if (!e.HasKey()) {
            return;
        }
        ++keyed;
        EXPECT_TRUE(seen.insert(e.GetKey()).second) << e.GetKey();
        EXPECT_EQ(tree.Keys().Find(e.GetKey()), &e);
    });
    EXPECT_EQ(static_cast<size_t>(keyed), tree.Keys().Size());
    // The fixed keys and every meter node.
    EXPECT_EQ(keyed, 106 + 3682);
}

// The area builders and the INI files find settings through the key map alone, FindEntry is
// the walk the tree defines: the two agree on every key, and on keys the tree does not have.
TEST(Catalogue, KeyMapFindsWhatFindEntryFindsForEveryKey) {
    TreeFixture tree;
    const KeyMap& keys = tree.Keys();
    const CSetupEntry& root = tree.Root();
    Walk(root, [&](const CSetupEntry& e) {
        if (e.HasKey()) {
            EXPECT_EQ(keys.Find(e.GetKey()), root.FindEntry(e.GetKey())) << e.GetKey();
        }
    });
    for (const char* missing :
         {"CH1_MS744_33_NA", "CH0_M601_2_NA", "CH0_MS744_NUM", "", "ts_pass"}) {
        EXPECT_EQ(keys.Find(missing), nullptr) << missing;
        EXPECT_EQ(root.FindEntry(missing), nullptr) << missing;
        EXPECT_THROW(keys.Get(missing), MissingSetting) << missing;
    }
}

TEST(Catalogue, ControlIdsFollowTheTreeOrder) {
    TreeFixture tree;
    int32_t expected = kFirstControlId;
    Walk(tree.Root(), [&](const CSetupEntry& e) {
        for (size_t i = 0; i < e.GetControlCount(); ++i) {
            EXPECT_EQ(e.GetControlId(i), expected) << e.GetKey();
            EXPECT_EQ(dynamic_cast<const MemoryControl&>(e.GetControl(i)).Id(), expected);
            ++expected;
        }
    });
    EXPECT_EQ(expected, kFirstControlId + kCatalogueControlCount);
}

struct NodeSample {
    std::string key;
    const char* captionCp1251;
    int kind;  // the code INI files switch on
    size_t controls;
};

// Captions written as the Windows-1251 bytes that INI files and the window show.
const NodeSample kNodeSamples[] = {
    {"LOC_GID", "GID", 1, 1},
    {"LOC_MAIN_CHAN_TYPE", "\xD2\xE8\xEF\x20\xEA\xE0\xED\xE0\xEB\xE0", 2, 1},  // Тип канала
    {"EXT_RSV_CHAN_MASK", "MASK", 6, 1},
    {"BBLOG_EV_TIME_SET_RLT",  // Завершение выполнения коррекции времени счетчиков
     "\xC7\xE0\xE2\xE5\xF0\xF8\xE5\xED\xE8\xE5\x20\xE2\xFB\xEF\xEE\xEB\xED\xE5\xED\xE8\xFF\x20"
     "\xEA\xEE\xF0\xF0\xE5\xEA\xF6\xE8\xE8\x20\xE2\xF0\xE5\xEC\xE5\xED\xE8\x20"
     "\xF1\xF7\xE5\xF2\xF7\xE8\xEA\xEE\xE2",
     4, 1},
    {"BBLOG_EV_TIME_COR_RLT",  // Код выполнения коррекции времени счётчиков
     "\xCA\xEE\xE4\x20\xE2\xFB\xEF\xEE\xEB\xED\xE5\xED\xE8\xFF\x20"
     "\xEA\xEE\xF0\xF0\xE5\xEA\xF6\xE8\xE8\x20\xE2\xF0\xE5\xEC\xE5\xED\xE8\x20"
     "\xF1\xF7\xB8\xF2\xF7\xE8\xEA\xEE\xE2",
     4, 1},
    {"TIME_TABLE",  // Таблица расписания
     "\xD2\xE0\xE1\xEB\xE8\xF6\xE0\x20\xF0\xE0\xF1\xEF\xE8\xF1\xE0\xED\xE8\xFF", 8, 2},
    {"CH1_MS744_NUM", "MS744_NUM", 1, 1},
    {"CH0_UART_PARITY_BIT",  // Настройка чётности
     "\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE0\x20\xF7\xB8\xF2\xED\xEE\xF1\xF2\xE8", 2, 1},
    {"TS_PASS",  // Пароль уровня 1
     "\xCF\xE0\xF0\xEE\xEB\xFC\x20\xF3\xF0\xEE\xE2\xED\xFF\x20\x31", 1, 1},
    {"CH0_SEB", "\xD1\xF7\xE5\xF2\xF7\xE8\xEA\x20\xD1\xDD\xC1", 0, 0},  // Счетчик СЭБ
    {"CH1_MS744", "\xCA\xEE\xED\xF2\xF0\xEE\xEB\xEB\xE5\xF0\xFB\x20MS744", 0, 0},
    {"CH0_SEB_5_NA", "\xD2\xD3\x20\x35", 1, 1},  // ТУ 5
    {"CH0_M230_17_AUTO_CORR",                    // Автокоррекция
     "\xC0\xE2\xF2\xEE\xEA\xEE\xF0\xF0\xE5\xEA\xF6\xE8\xFF", 4, 1},
    {"CH0_M230_17_PASS", "\xCF\xE0\xF0\xEE\xEB\xE8", 7, 3},  // Пароли
    {"CH1_CE303_128_PASS", "\xCF\xE0\xF0\xEE\xEB\xE8", 7, 2},
    {"CH0_CE102_128_PASS", "\xCF\xE0\xF0\xEE\xEB\xE8", 7, 3},
    {"CH1_MS744_7_POLL",  // Опрос журнала
     "\xCE\xEF\xF0\xEE\xF1\x20\xE6\xF3\xF0\xED\xE0\xEB\xE0", 4, 1},
    {"CH1_MS744_32_STAT",  // Следить за статистикой
     "\xD1\xEB\xE5\xE4\xE8\xF2\xFC\x20\xE7\xE0\x20\xF1\xF2\xE0\xF2\xE8\xF1\xF2\xE8\xEA\xEE\xE9", 4,
     1},
    {"CH1_MS744_32_NA", "\xD2\xD3\x20\x33\x32", 1, 1},
    {"CH0_M601_1_NA", "\xD2\xD3\x20\x31", 1, 1},
    {"CH1_M200_128_NA", "\xD2\xD3\x20\x31\x32\x38", 1, 1},
};

TEST(Catalogue, SampleNodesHaveTheirCaptionKindAndControls) {
    TreeFixture tree;
    for (const NodeSample& s : kNodeSamples) {
        const CSetupEntry* e = tree.Root().FindEntry(s.key);
        ASSERT_NE(e, nullptr) << s.key;
        EXPECT_EQ(e->GetCaption(), s.captionCp1251) << s.key;
        EXPECT_EQ(static_cast<int>(e->GetKind()), s.kind) << s.key;
        EXPECT_EQ(e->GetControlCount(), s.controls) << s.key;
    }
}

TEST(Catalogue, NodesThatDoNotExistAreNotFound) {
    TreeFixture tree;
    for (const char* key :
         {"CH0_MS744_NUM", "CH0_MS744", "CH0_M601_2_NA", "CH1_MS744_33_NA", "CH0_M230_129_NA",
          "CH0_M230_0_NA", "CH0_M200_1_PASS", "CH0_CE303_1_AUTO_CORR", "ch0_m230_1_na", "LOC_GID ",
          "", "NA", "PASS", "CH0_M230_1_PASS1"}) {
        EXPECT_EQ(tree.Root().FindEntry(key), nullptr) << key;
        EXPECT_EQ(tree.Keys().Find(key), nullptr) << key;
    }
    for (const char* key : {"CH1_MS744_32_NA", "CH0_M230_128_NA", "CH1_CE303_128_PASS"}) {
        EXPECT_NE(tree.Root().FindEntry(key), nullptr) << key;
    }
}

TEST(Catalogue, FindsThePasswordOfTheLastCe303MeterFiveLevelsDown) {
    TreeFixture tree;
    const CSetupEntry& top = tree.Root().GetChild(6);  // Настройки каналов обмена
    const CSetupEntry& channel = top.GetChild(2);      // Канал 1
    const CSetupEntry& heading = channel.GetChild(7);  // CH1_CE303
    const CSetupEntry& meter = heading.GetChild(127);  // ТУ 128
    const CSetupEntry& password = meter.GetChild(0);
    EXPECT_EQ(heading.GetKey(), "CH1_CE303");
    EXPECT_EQ(meter.GetKey(), "CH1_CE303_128_NA");
    EXPECT_EQ(tree.Root().FindEntry("CH1_CE303_128_PASS"), &password);
}

TEST(Catalogue, MeterNodesHaveTheirTypesWidthAndRange) {
    TreeFixture tree;
    struct Range {
        const char* key;
        int width;
        uint32_t minimum;
        uint32_t maximum;
    };
    for (const Range& r :
         {Range{"CH0_M230_1_NA", 50, 1, 255}, Range{"CH1_SET_128_NA", 50, 1, 255},
          Range{"CH0_M200_3_NA", 100, 1, 4294967295u}, Range{"CH1_M601_1_NA", 100, 1, 1},
          Range{"CH0_CE102_9_NA", 75, 1, 65534}, Range{"CH1_CE303_2_NA", 100, 1, 4294967295u},
          Range{"CH1_MS744_1_NA", 50, 1, 255}, Range{"LOC_GID", 100, 1, 65535},
          Range{"CH0_M601_NUM", 100, 0, 1}, Range{"TS_ADDR", 40, 0, 255}}) {
        const auto* e = dynamic_cast<const CEditNumberEntry*>(&tree.Entry(r.key));
        ASSERT_NE(e, nullptr) << r.key;
        EXPECT_EQ(e->Minimum(), r.minimum) << r.key;
        EXPECT_EQ(e->Maximum(), r.maximum) << r.key;
        EXPECT_EQ(e->Base(), 0) << r.key;
        EXPECT_EQ(dynamic_cast<const MemoryControl&>(e->GetControl(0)).Width(), r.width) << r.key;
    }
    const auto& m230 = tree.Entry("CH0_M230_1_NA");
    ASSERT_EQ(m230.GetChildCount(), 2u);
    EXPECT_EQ(m230.GetChild(0).GetKey(), "CH0_M230_1_AUTO_CORR");
    EXPECT_EQ(m230.GetChild(1).GetKey(), "CH0_M230_1_PASS");
    EXPECT_EQ(tree.Entry("CH0_M200_1_NA").GetChildCount(), 0u);
    EXPECT_EQ(tree.Entry("CH1_M601_1_NA").GetChildCount(), 0u);
    const auto& ms744 = tree.Entry("CH1_MS744");
    ASSERT_EQ(ms744.GetChildCount(), 2u + 32u);
    EXPECT_EQ(ms744.GetChild(0).GetKey(), "CH1_MS744_BAUD");
    EXPECT_FALSE(ms744.GetChild(1).HasKey());
    EXPECT_EQ(ms744.GetChild(2).GetKey(), "CH1_MS744_1_NA");
}

TEST(Catalogue, StartsEmptyExceptTheFixedAddressAndTheUartLists) {
    TreeFixture tree;
    const std::set<std::string> defaultLists = {
        "CH0_UART_SPEED",
        "CH0_UART_BIT_PER_SYMBOL",
        "CH0_UART_STOP_BIT_DURATION",
        "CH0_UART_PARITY_BIT",
        "CH1_UART_SPEED",
        "CH1_UART_BIT_PER_SYMBOL",
        "CH1_UART_STOP_BIT_DURATION",
        "CH1_UART_PARITY_BIT",
        "CH1_MS744_BAUD",
    };
    const std::string byDefault = ToCp1251("По умолчанию");
    Walk(tree.Root(), [&](const CSetupEntry& e) {
        const std::string& key = e.GetKey();
        for (size_t i = 0; i < e.GetControlCount(); ++i) {
            EXPECT_FALSE(e.GetControl(i).IsVisible()) << key;
        }
        switch (e.GetKind()) {
            case EntryKind::kCombo:
                if (defaultLists.count(key) != 0) {
                    EXPECT_EQ(e.GetSelection(), 0) << key;
                    EXPECT_EQ(e.GetText(), byDefault) << key;
                } else {
                    EXPECT_EQ(e.GetSelection(), -1) << key;
                    EXPECT_FALSE(e.IsValid()) << key;
                }
                break;
            case EntryKind::kEdit:
            case EntryKind::kFile:
                if (key.find("_M601_1_NA") != std::string::npos) {
                    EXPECT_EQ(e.GetText(), "1") << key;
                    EXPECT_FALSE(e.GetControl(0).IsEnabled()) << key;
                    EXPECT_TRUE(e.IsValid()) << key;
                } else {
                    EXPECT_EQ(e.GetText(), "") << key;
                    EXPECT_TRUE(e.GetControl(0).IsEnabled()) << key;
                    EXPECT_EQ(e.IsValid(), e.GetKind() == EntryKind::kFile) << key;
                }
                break;
            case EntryKind::kCheck:
                EXPECT_EQ(e.GetCheck(), 0) << key;
                EXPECT_TRUE(e.IsValid()) << key;
                EXPECT_EQ(e.GetControl(0).GetText(), "") << key;
                break;
            case EntryKind::kAddress:
                EXPECT_EQ(e.GetText(), "0.0.0.0") << key;
                EXPECT_FALSE(e.IsValid()) << key;
                break;
            case EntryKind::kPassword:
                for (size_t i = 0; i < e.GetControlCount(); ++i) {
                    EXPECT_EQ(e.GetControl(i).GetText(), "") << key;
                }
                EXPECT_FALSE(e.IsValid()) << key;
                break;
            default:
                EXPECT_EQ(e.GetKind(), EntryKind::kEmpty) << key;
                EXPECT_EQ(e.GetControlCount(), 0u) << key;
                break;
        }
    });
}

TEST(Catalogue, OnlyTheScheduleTableListensToCommands) {
    TreeFixture tree;
    ASSERT_EQ(tree.Listeners().size(), 1u);
    EXPECT_EQ(tree.Listeners()[0], &tree.Entry("TIME_TABLE"));

    CSetupEntry& table = tree.Entry("TIME_TABLE");
    tree.Factory().QueueOpenPath("/srv/table.bin");
    for (CSetupEntry* listener : tree.Listeners()) {
        listener->OnCommand(static_cast<uint32_t>(table.GetControlId(1)), 0);
    }
    EXPECT_EQ(table.GetText(), "/srv/table.bin");
}

TEST(Catalogue, OptionListsKeepTheirOrder) {
    TreeFixture tree;
    auto items = [&](const char* key) {
        std::vector<std::string> texts;
        for (const std::string& item :
             dynamic_cast<const MemoryControl&>(tree.Entry(key).GetControl(0)).Items()) {
            texts.push_back(FromCp1251(item));
        }
        return texts;
    };
    EXPECT_EQ(items("CH0_GROUP"),
              (std::vector<std::string>{"Не используется", "Меркурий-230, СЭБ-1ТМ.02, СЭТ-4ТМ.03",
                                        "Меркурий-200", "MULTICAL601", "CE102", "CE303",
                                        "Канальный доступ", "Протокол МИРТ"}));
    EXPECT_EQ(items("CH1_GROUP").size(), 9u);
    EXPECT_EQ(items("CH1_GROUP")[3], "Контроллеры MS744");
    EXPECT_EQ(items("LOC_RSV_CHAN_TYPE"), (std::vector<std::string>{"Ethernet", "Модем"}));
    EXPECT_EQ(items("CH1_UART_SPEED").back(), "57600");
    EXPECT_EQ(items("CH1_MS744_BAUD"),
              (std::vector<std::string>{"По умолчанию", "4800", "9600", "19200", "38400"}));
    EXPECT_EQ(items("TS_TYPE")[3], "Счетчик СЭТ");
}

}  // namespace
}  // namespace quillon
