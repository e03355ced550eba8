#include "settings/cp1251.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

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

TEST(Cp1251, EveryByteMatchesTheSystemConverter) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98) {
            continue;  // unassigned in Windows-1251
        }
        const std::string bytes(1, static_cast<char>(b));
        EXPECT_EQ(FromCp1251(bytes), IconvToUtf8(static_cast<unsigned char>(b))) << "byte " << b;
        EXPECT_EQ(ToCp1251(FromCp1251(bytes)), bytes) << "byte " << b;
    }
}

TEST(Cp1251, EveryByteSurvivesARoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(ToCp1251(FromCp1251(all)), all);
    EXPECT_EQ(FromCp1251("\x98"), "\xC2\x98");
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
