#include "settings/cp1251.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace quillon {
namespace {

// glibc's converter, written by nobody here, as the reference for the table.
std::string IconvToUtf8(unsigned char byte) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return "no converter";
    }
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == static_cast<size_t>(-1)) {
        return "undefined";
    }
    return std::string(out, outPtr);
}

// testdata/cp1251.txt: byte and code point of every byte. The programmer's codec is checked
// against the same file, so that the two programs agree on every byte.
std::vector<std::pair<int, char32_t>> ExpectedTable() {
    std::ifstream in(QB_CP1251_TABLE);
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
        SCOPED_TRACE(::testing::Message() << "byte 0x" << std::hex << byte);
        const std::string bytes(1, static_cast<char>(byte));
        EXPECT_EQ(FromCp1251(bytes), Utf8(cp));
        EXPECT_EQ(ToCp1251(Utf8(cp)), bytes);
    }
}

// The table itself is the system's Windows-1251, but for the one byte it leaves undefined.
TEST(Cp1251, TheSharedTableIsTheSystemConverters) {
    for (const auto& [byte, cp] : ExpectedTable()) {
        SCOPED_TRACE(::testing::Message() << "byte 0x" << std::hex << byte);
        if (byte == 0) {
            EXPECT_EQ(cp, 0u);
        } else if (byte == 0x98) {
            EXPECT_EQ(IconvToUtf8(0x98), "undefined");
            EXPECT_EQ(cp, 0x98u);
        } else {
            EXPECT_EQ(Utf8(cp), IconvToUtf8(static_cast<unsigned char>(byte)));
        }
    }
}

TEST(Cp1251, ConvertsRussianTextBothWays) {
    EXPECT_EQ(ToCp1251("Группа устройств"),
              "\xC3\xF0\xF3\xEF\xEF\xE0\x20\xF3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2");
    EXPECT_EQ(ToCp1251("ЁёЯя№"), "\xA8\xB8\xDF\xFF\xB9");
    EXPECT_EQ(FromCp1251("\xD2\xD3 5"), "ТУ 5");
}

TEST(Cp1251, CharactersWithoutAFormBecomeQuestionMarks) {
    EXPECT_EQ(ToCp1251("a\u00E9b"), "a?b");    // é
    EXPECT_EQ(ToCp1251("\u4E2D"), "?");        // a CJK character: three bytes, one mark
    EXPECT_EQ(ToCp1251("\U0001F600x"), "?x");  // outside the basic plane
}

TEST(Cp1251, MalformedUtf8GivesAMarkPerBadByte) {
    EXPECT_EQ(ToCp1251("\xD0"), "?");  // cut short
    EXPECT_EQ(ToCp1251("\xD0"
                       "A"),
              "?A");                             // no continuation
    EXPECT_EQ(ToCp1251("\x80\xBF"), "??");       // stray continuations
    EXPECT_EQ(ToCp1251("\xC0\xAF"), "??");       // overlong "/"
    EXPECT_EQ(ToCp1251("\xED\xA0\x80"), "???");  // a surrogate
    EXPECT_EQ(ToCp1251("\xF8\x88\x80\x80\x80"), "?????");
    EXPECT_EQ(ToCp1251(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace quillon
