#include "core/cp1251.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace brivel {
namespace {

// testdata/cp1251.txt, the table the configurator's codec is checked against too, so that the
// two programs agree on every byte. Found from this file's path, which the build gives in full.
std::vector<std::pair<int, char32_t>> ExpectedTable() {
    const std::filesystem::path file = std::filesystem::path(__FILE__).parent_path() / ".." / ".." /
                                       ".." / "testdata" / "cp1251.txt";
    std::ifstream in(file);
    std::vector<std::pair<int, char32_t>> table;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        unsigned byte = 0;
        unsigned cp = 0;
        fields >> std::hex >> byte >> cp;
        table.emplace_back(static_cast<int>(byte), static_cast<char32_t>(cp));
    }
    return table;
}

std::string Utf8(char32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    return out;
}

TEST(Cp1251, DecodesAndEncodesEveryByteAsTheSharedTableSays) {
    const auto table = ExpectedTable();
    ASSERT_EQ(table.size(), 256u);
    for (const auto& [byte, cp] : table) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
        EXPECT_EQ(Cp1251ToUtf8(std::string(1, static_cast<char>(byte))), Utf8(cp));
        EXPECT_EQ(Cp1251FromCodePoint(cp), byte);
    }
}

TEST(Cp1251, ConvertsLiteralsAtCompileTime) {
    constexpr auto text = W1251("Ошибка! %d\r\n");
    static_assert(text.size == 12);
    EXPECT_EQ(text.view(), "\xCE\xF8\xE8\xE1\xEA\xE0! %d\r\n");
    EXPECT_EQ(Cp1251ToUtf8(text), "Ошибка! %d\r\n");
    EXPECT_EQ(Cp1251FromCodePoint(0x4E2D), -1);
}

// The literals' decoder takes only well-formed UTF-8, like the configurator's.
TEST(Cp1251, RefusesEveryMalformedUtf8Form) {
    const struct {
        const char* what;
        std::string_view text;
        char32_t cp;
        size_t length;
    } cases[] = {
        {"ASCII", "A", U'A', 1},
        {"two bytes", "\xD0\x96", U'Ж', 2},
        {"three bytes", "\xE2\x84\x96", U'№', 3},
        {"four bytes", "\xF0\x9F\x98\x80", U'\U0001F600', 4},
        {"cut short", "\xD0", kBrokenUtf8, 1},
        {"no continuation", "\xD0!", kBrokenUtf8, 1},
        {"stray continuation", "\x80", kBrokenUtf8, 1},
        {"overlong slash", "\xC0\xAF", kBrokenUtf8, 1},
        {"overlong three bytes", "\xE0\x80\xAF", kBrokenUtf8, 1},
        {"overlong four bytes", "\xF0\x80\x80\xAF", kBrokenUtf8, 1},
        {"a surrogate", "\xED\xA0\x80", kBrokenUtf8, 1},
        {"above U+10FFFF", "\xF4\x90\x80\x80", kBrokenUtf8, 1},
        {"five-byte lead", "\xF8\x88\x80\x80\x80", kBrokenUtf8, 1},
    };
    for (const auto& c : cases) {
        size_t pos = 0;
        EXPECT_EQ(DecodeUtf8(c.text, pos), c.cp) << c.what;
        EXPECT_EQ(pos, c.length) << c.what;
    }
    static_assert([] {
        size_t pos = 0;
        return DecodeUtf8("\xC0\xAF", pos) == kBrokenUtf8;
    }());
}

}  // namespace
}  // namespace brivel
