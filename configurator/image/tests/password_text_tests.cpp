#include "image/password_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace quillon {
namespace {

struct PasswordCase {
    const char* text;
    int byteCount;
    bool digitsOnly;
    std::optional<PasswordBytes> expected;  // nothing: refused
};

const PasswordCase kCases[] = {
    {"1,2,3,4,5,6", 6, false, PasswordBytes{1, 2, 3, 4, 5, 6}},
    // Runs of commas are one separator; leading and trailing commas are ignored.
    {"1,,2,,,3,4,5,6", 6, false, PasswordBytes{1, 2, 3, 4, 5, 6}},
    {",1,2,3,4,5,6,", 6, false, PasswordBytes{1, 2, 3, 4, 5, 6}},
    // Automatic base: hexadecimal and octal give the same bytes as decimal.
    {"0x10,020,16,0X10,0xff,0377", 6, false, PasswordBytes{16, 16, 16, 16, 255, 255}},
    {"0,00,0x0,255,1,1", 6, false, PasswordBytes{0, 0, 0, 255, 1, 1}},
    {"256,1,1,1,1,1", 6, false, std::nullopt},
    {"0x100,1,1,1,1,1", 6, false, std::nullopt},
    {"99999999999,1,1,1,1,1", 6, false, std::nullopt},
    // A sign is part of the conversion: -1 wraps far above 255, -0 is 0.
    {"-1,1,1,1,1,1", 6, false, std::nullopt},
    {"-0,+7,1,1,1,1", 6, false, PasswordBytes{0, 7, 1, 1, 1, 1}},
    // Blanks before an item are skipped; anything after it is left over.
    {"1, 2,\t3, 4,5,6", 6, false, PasswordBytes{1, 2, 3, 4, 5, 6}},
    {"1 ,2,3,4,5,6", 6, false, std::nullopt},
    {"1,2,3,4,5,6 ", 6, false, std::nullopt},
    {"1,2, ,3,4,5", 6, false, std::nullopt},
    {"1,2,3,4,5,6x", 6, false, std::nullopt},
    {"08,1,1,1,1,1", 6, false, std::nullopt},
    {"0x,1,1,1,1,1", 6, false, std::nullopt},
    {"a,1,1,1,1,1", 6, false, std::nullopt},
    // Six-byte passwords: five items are too few, a seventh is not read at all.
    {"1,2,3,4,5", 6, false, std::nullopt},
    {"1,2,3,4,5,6,7", 6, false, PasswordBytes{1, 2, 3, 4, 5, 6}},
    {"1,2,3,4,5,6,junk", 6, false, PasswordBytes{1, 2, 3, 4, 5, 6}},
    {"", 6, false, std::nullopt},
    {",,,", 6, false, std::nullopt},
    {" ", 6, false, std::nullopt},
    // Four-byte passwords take exactly four items and end with two zero bytes.
    {"1,2,3,4", 4, false, PasswordBytes{1, 2, 3, 4, 0, 0}},
    {"1,2,3,4,", 4, false, PasswordBytes{1, 2, 3, 4, 0, 0}},
    {"1,2,3", 4, false, std::nullopt},
    {"1,2,3,4,5", 4, false, std::nullopt},
    // Digits only: each value a code of "0".."9".
    {"48,49,50,51,52,57", 6, true, PasswordBytes{'0', '1', '2', '3', '4', '9'}},
    {"0x30,060,48,48,48,48", 6, true, PasswordBytes{'0', '0', '0', '0', '0', '0'}},
    {"1,2,3,4,5,6", 6, true, std::nullopt},
    {"47,48,48,48,48,48", 6, true, std::nullopt},
    {"58,48,48,48,48,48", 6, true, std::nullopt},
};

TEST(ParsePassword, ReadsCommaSeparatedByteValuesAsSpecified) {
    for (const PasswordCase& c : kCases) {
        EXPECT_EQ(ParsePassword(c.text, c.byteCount, c.digitsOnly), c.expected)
            << "text \"" << c.text << "\", " << c.byteCount << " bytes"
            << (c.digitsOnly ? ", digits only" : "");
    }
}

TEST(ParsePassword, RefusesAnItemHoldingAZeroByte) {
    EXPECT_EQ(ParsePassword(std::string("1,2\0,3,4,5,6", 12), 6, false), std::nullopt);
}

}  // namespace
}  // namespace quillon
