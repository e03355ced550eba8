#include "settings/number_text.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon {
namespace {

struct NumberCase {
    std::string text;
    int base;
    uint32_t value;
    size_t consumed;
};

// The rows follow the C library's unsigned-long conversion with a 32-bit unsigned long.
const NumberCase kNumberCases[] = {
    {"", 0, 0, 0},
    {"0", 0, 0, 1},
    {"7", 0, 7, 1},
    {" 7", 0, 7, 2},
    {"\t\n\v\f\r 7", 0, 7, 7},
    {"7 ", 0, 7, 1},
    {"0x10", 0, 16, 4},
    {"0X1f", 0, 31, 4},
    {"0xFFFF", 0, 65535, 6},
    {"010", 0, 8, 3},
    {"08", 0, 0, 1},  // 8 is no octal digit: the leading 0 alone is read
    {"09", 0, 0, 1},
    {"0x", 0, 0, 1},  // no hex digit after the prefix: "0", stopped at the x
    {"0xg", 0, 0, 1},
    {"0x0x1", 0, 0, 3},
    {"12a", 0, 12, 2},
    {"a12", 0, 0, 0},
    {"+5", 0, 5, 2},
    {"-1", 0, 4294967295u, 2},
    {"-0", 0, 0, 2},
    {"-4294967295", 0, 1, 11},
    {"-4294967296", 0, 4294967295u, 11},  // beyond the range saturates even with a sign
    {"- 5", 0, 0, 0},
    {"+", 0, 0, 0},
    {"-", 0, 0, 0},
    {"  ", 0, 0, 0},
    {"+-1", 0, 0, 0},
    {"-0x10", 0, 4294967280u, 5},
    {"4294967295", 0, 4294967295u, 10},
    {"4294967296", 0, 4294967295u, 10},
    {"99999999999999999999999", 0, 4294967295u, 23},
    {"0xFFFFFFFF", 0, 4294967295u, 10},
    {"0x100000000", 0, 4294967295u, 11},
    {"037777777777", 0, 4294967295u, 12},
    {"040000000000", 0, 4294967295u, 12},
    {"65535", 0, 65535, 5},
    {"65536", 0, 65536, 5},
    {"1.5", 0, 1, 1},
    {"12\x00"
     "3",
     0, 12, 2},
    {"\xC0"
     "1",
     0, 0, 0},
    {"\xA0"
     "1",
     0, 0, 0},  // a no-break space is no white space here
    {"ff", 16, 255, 2},
    {"0xff", 16, 255, 4},
    {"0x", 16, 0, 1},
    {"10", 10, 10, 2},
    {"010", 10, 10, 3},
    {"0x10", 10, 0, 1},
    {"z", 36, 35, 1},
    {"101", 2, 5, 3},
    {"12", 2, 1, 1},
    {"7", 1, 0, 0},
    {"7", 37, 0, 0},
    {"7", -1, 0, 0},
};

TEST(ParseNumberText, FollowsTheUnsignedLongConversion) {
    for (const NumberCase& c : kNumberCases) {
        const NumberText result = ParseNumberText(c.text, c.base);
        EXPECT_EQ(result.value, c.value) << "text \"" << c.text << "\" base " << c.base;
        EXPECT_EQ(result.consumed, c.consumed) << "text \"" << c.text << "\" base " << c.base;
    }
}

TEST(ParseNumberText, SurvivesLongAndOddTexts) {
    const std::string digits(100000, '9');
    EXPECT_EQ(ParseNumberText(digits, 0).value, 4294967295u);
    EXPECT_EQ(ParseNumberText(digits, 0).consumed, digits.size());

    const std::string zeros = std::string(50000, '0') + "17";
    EXPECT_EQ(ParseNumberText(zeros, 0).value, 15u);  // octal 17
    EXPECT_EQ(ParseNumberText(zeros, 10).value, 17u);

    const std::string blanks = std::string(100000, ' ');
    EXPECT_EQ(ParseNumberText(blanks, 0).consumed, 0u);

    std::string everyByte;
    for (int b = 0; b < 256; ++b) {
        everyByte.push_back(static_cast<char>(b));
    }
    for (int base : {0, 2, 8, 10, 16, 36}) {
        for (size_t start = 0; start < everyByte.size(); ++start) {
            const NumberText result = ParseNumberText(everyByte.substr(start), base);
            EXPECT_LE(result.consumed, everyByte.size() - start);
        }
    }
}

}  // namespace
}  // namespace quillon
