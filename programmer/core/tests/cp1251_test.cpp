#include "core/cp1251.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace brivel {
namespace {

// The codec table is checked against the C library's own CP1251 converter, byte by byte.
TEST(Cp1251, DecodesEveryByteLikeTheSystemConverter) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (int byte = 1; byte < 256; ++byte) {
        char in[1] = {static_cast<char>(byte)};
        char out[8] = {};
        char* inPtr = in;
        char* outPtr = out;
        size_t inLeft = 1;
        size_t outLeft = sizeof out;
        const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const std::string ours = Cp1251ToUtf8(std::string(1, static_cast<char>(byte)));
        if (done == static_cast<size_t>(-1)) {
            EXPECT_EQ(ours, "\xEF\xBF\xBD") << "byte 0x" << std::hex << byte;
        } else {
            EXPECT_EQ(ours, std::string(out, outPtr)) << "byte 0x" << std::hex << byte;
            EXPECT_EQ(Utf8ToCp1251(ours), std::string(1, static_cast<char>(byte)))
                << "byte 0x" << std::hex << byte;
        }
    }
    iconv_close(cd);
}

TEST(Cp1251, ConvertsLiteralsAtCompileTime) {
    constexpr auto text = W1251("Ошибка! %d\r\n");
    static_assert(text.size == 12);
    EXPECT_EQ(text.view(), "\xCE\xF8\xE8\xE1\xEA\xE0! %d\r\n");
    EXPECT_EQ(Cp1251ToUtf8(text), "Ошибка! %d\r\n");
}

TEST(Cp1251, ReplacesCharactersWithoutAByte) {
    EXPECT_EQ(Utf8ToCp1251("a\xE4\xB8\xAD"
                           "b\xC3"),
              "a?b?");
}

}  // namespace
}  // namespace brivel
