// A saved file read by Python's configparser, an INI reader nobody here wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "settings/ini_file.h"
#include "settings/testing/profile_keys.h"
#include "settings/testing/temp_folder.h"
#include "settings/testing/tree_fixture.h"

namespace quillon {
namespace {

using testing::TempFolder;
using testing::TreeFixture;

constexpr const char* kPython = QB_PYTHON3;

// Prints every section, key and value in file order, tab-separated, as UTF-8. Strict mode
// refuses a repeated section or key.
constexpr const char* kDumpScript = R"(
import configparser, sys
parser = configparser.ConfigParser(interpolation=None, strict=True, delimiters=('=',),
                                   comment_prefixes=(), default_section='\x00')
parser.optionxform = str
with open(sys.argv[1], encoding='cp1251', newline='') as f:
    text = f.read()
assert '\r\n' in text and '\n' not in text.replace('\r\n', ''), 'lines must end in CR LF'
parser.read_string(text)
out = open(sys.stdout.fileno(), 'w', encoding='utf-8', newline='\n')
for section in parser.sections():
    for key, value in parser.items(section):
        out.write(section + '\t' + key + '\t' + value + '\n')
)";

struct Item {
    std::string section;
    std::string key;
    std::string value;
};

std::vector<Item> Dump(const std::filesystem::path& file, int& status) {
    const std::string command = std::string(kPython) + " -c \"$QB_SCRIPT\" '" + file.string() + "'";
    setenv("QB_SCRIPT", kDumpScript, 1);
    std::vector<Item> items;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return items;
    }
    std::string output;
    char chunk[4096];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        output.append(chunk, count);
    }
    status = pclose(pipe);
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t first = line.find('\t');
        const size_t second = line.find('\t', first + 1);
        items.push_back({line.substr(0, first), line.substr(first + 1, second - first - 1),
                         line.substr(second + 1)});
    }
    return items;
}

// Every section and key the file must hold, in order.
std::vector<std::pair<std::string, std::string>> ExpectedKeys() {
    std::vector<std::pair<std::string, std::string>> keys;
    for (const std::string& key : testing::kLocalSetupKeys) {
        keys.emplace_back("LOC_SETUP", key);
    }
    for (const std::string& key : testing::kExternalSetupKeys) {
        keys.emplace_back("EXT_SETUP", key);
    }
    for (const char* key : {"REC", "COOKIE", "LAST"}) {
        keys.emplace_back("CH1_MS744", key);
    }
    for (const char* key : {"TS_CHAN", "TS_TYPE", "TS_ADDR", "TS_PASS"}) {
        keys.emplace_back("TIME_SERVER", key);
    }
    const std::vector<std::string> tariff = {"NA", "AUTO_CORR", "PASS1", "PASS2", "PASS3"};
    const std::vector<std::string> address = {"NA"};
    const std::vector<std::string> passwords = {"NA", "PASS1", "PASS2", "PASS3"};
    const std::vector<std::pair<std::string, const std::vector<std::string>*>> types = {
        {"M230", &tariff},  {"SEB", &tariff},      {"SET", &tariff},     {"M200", &address},
        {"M601", &address}, {"CE102", &passwords}, {"CE303", &passwords}};
    for (int channel = 0; channel <= 1; ++channel) {
        for (const auto& [tag, lines] : types) {
            for (int n = 1; n <= (tag == "M601" ? 1 : 128); ++n) {
                const std::string section =
                    "CH" + std::to_string(channel) + "_" + tag + "_" + std::to_string(n);
                for (const std::string& line : *lines) {
                    keys.emplace_back(section, line);
                }
            }
        }
    }
    for (int n = 1; n <= 32; ++n) {
        for (const char* key : {"NA", "POLL", "STAT"}) {
            keys.emplace_back("CH1_MS744_" + std::to_string(n), key);
        }
    }
    return keys;
}

TEST(IniConfigParser, ReadsEverySectionAndKeyInOrderWithTheirValues) {
    if (std::string(kPython).empty()) {
        FAIL() << "python3 was not found when the build was configured";
    }
    TreeFixture tree;
    tree.Set("LOC_GID", "0x0102")
        .Set("LOC_MAIN_CHAN_SYS", "КОММ-01 \"Восток\"")
        .Set("EXT_MAIN_CHAN_APN", "internet.mts.ru")
        .Select("EXT_MAIN_CHAN_TYPE", 1)
        .Check("BBLOG_COD_ALARM")
        .Set("TIME_TABLE", "/srv/таблица 1.bin")
        .Check("CH1_MS744_COOKIE")
        .Set("TS_PASS", "1,2,3,4,5,6")
        .Set("CH0_M230_1_NA", "17")
        .Check("CH0_M230_1_AUTO_CORR")
        .SetPassword("CH0_M230_1_PASS", 2, "0x30,0x31")
        .SetPassword("CH1_CE303_128_PASS", 1, "пароль")
        .Check("CH1_MS744_7_POLL");
    TempFolder folder;
    SaveIniFile(folder / "site.ini", tree.Keys());

    int status = 0;
    const std::vector<Item> items = Dump(folder / "site.ini", status);
    ASSERT_EQ(status, 0) << "configparser refused the file";

    const auto expected = ExpectedKeys();
    ASSERT_EQ(items.size(), expected.size());
    std::map<std::pair<std::string, std::string>, std::string> values;
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].section, expected[i].first) << "item " << i;
        EXPECT_EQ(items[i].key, expected[i].second) << "item " << i;
        values[{items[i].section, items[i].key}] = items[i].value;
    }
    const std::map<std::pair<std::string, std::string>, std::string> spotChecks = {
        {{"LOC_SETUP", "LOC_GID"}, "0x0102"},
        {{"LOC_SETUP", "LOC_MAIN_CHAN_SYS"}, "КОММ-01 \"Восток\""},
        {{"LOC_SETUP", "LOC_MAIN_CHAN_IP"}, "0.0.0.0"},
        {{"LOC_SETUP", "LOC_MAIN_CHAN_TYPE"}, "-1"},
        {{"EXT_SETUP", "EXT_MAIN_CHAN_TYPE"}, "1"},
        {{"EXT_SETUP", "EXT_MAIN_CHAN_APN"}, "internet.mts.ru"},
        {{"EXT_SETUP", "BBLOG_COD_ALARM"}, "1"},
        {{"EXT_SETUP", "TIME_TABLE"}, "/srv/таблица 1.bin"},
        {{"EXT_SETUP", "CH0_UART_SPEED"}, "0"},
        {{"CH1_MS744", "COOKIE"}, "1"},
        {{"TIME_SERVER", "TS_PASS"}, "1,2,3,4,5,6"},
        {{"CH0_M230_1", "NA"}, "17"},
        {{"CH0_M230_1", "AUTO_CORR"}, "1"},
        {{"CH0_M230_1", "PASS3"}, "0x30,0x31"},
        {{"CH0_M601_1", "NA"}, "1"},
        {{"CH1_CE303_128", "PASS2"}, "пароль"},
        {{"CH1_CE303_128", "PASS3"}, ""},
        {{"CH1_MS744_7", "POLL"}, "1"},
        {{"CH1_MS744_7", "STAT"}, "0"},
    };
    for (const auto& [where, value] : spotChecks) {
        EXPECT_EQ(values[where], value) << where.first << "/" << where.second;
    }
}

}  // namespace
}  // namespace quillon
