#include <gtest/gtest.h>

#include <string>

#include "settings/address_text.h"
#include "settings/entries.h"
#include "settings/memory_control.h"

namespace quillon {
namespace {

struct AddressCase {
    std::string text;
    AddressFields fields;
    std::string readBack;
};

constexpr int B = kBlankField;

const AddressCase kAddressCases[] = {
    {"192.168.0.1", {192, 168, 0, 1}, "192.168.0.1"},
    {"", {B, B, B, B}, "0.0.0.0"},
    {"10", {10, B, B, B}, "10.0.0.0"},
    {"10.1", {10, 1, B, B}, "10.1.0.0"},
    {"1..3.4", {1, B, 3, 4}, "1.0.3.4"},
    {"1.2.3.4.5", {1, 2, 3, 4}, "1.2.3.4"},
    {"300.256.255.99999999999999", {255, 255, 255, 255}, "255.255.255.255"},
    {"1.-2.+3.4", {1, B, B, 4}, "1.0.0.4"},
    {" 1.2.3.4", {B, 2, 3, 4}, "0.2.3.4"},
    {"a.b.c.d", {B, B, B, B}, "0.0.0.0"},
    {"0.0.0.0", {0, 0, 0, 0}, "0.0.0.0"},
    {"007.08.9.010", {7, 8, 9, 10}, "7.8.9.10"},
    {"...", {B, B, B, B}, "0.0.0.0"},
};

TEST(CIPEntry, ReadsTextIntoFourFieldsWithBlanks) {
    MemoryControlFactory owner;
    CIPEntry entry("IP", 120, owner);
    for (const AddressCase& c : kAddressCases) {
        entry.SetText(c.text);
        EXPECT_EQ(entry.GetControl(0).GetFields(), c.fields) << "\"" << c.text << "\"";
        EXPECT_EQ(entry.GetText(), c.readBack) << "\"" << c.text << "\"";
    }
}

TEST(CIPEntry, GetAddressPutsTheFirstOctetHighAndBlanksAsZero) {
    MemoryControlFactory owner;
    CIPEntry entry("IP", 120, owner);
    entry.SetText("192.168.0.1");
    EXPECT_EQ(entry.GetAddress(), 0xC0A80001u);
    entry.SetText("10..3.4");
    EXPECT_FALSE(entry.IsValid());
    EXPECT_EQ(entry.GetAddress(), 0x0A000304u);
    entry.SetText("");
    EXPECT_EQ(entry.GetAddress(), 0u);
}

TEST(CIPEntry, ATextSetOverAnAddressReplacesAllFields) {
    MemoryControlFactory owner;
    CIPEntry entry("IP", 120, owner);
    entry.SetText("1.2.3.4");
    entry.SetText("9");
    EXPECT_EQ(entry.GetText(), "9.0.0.0");
    EXPECT_FALSE(entry.IsValid());
    // What the entry writes it reads back the same.
    entry.SetText("1.2.3.4");
    const std::string saved = entry.GetText();
    entry.SetText(saved);
    EXPECT_EQ(entry.GetAddress(), 0x01020304u);
}

TEST(CIPEntry, SurvivesLongAndOddTexts) {
    MemoryControlFactory owner;
    CIPEntry entry("IP", 120, owner);
    for (const std::string& text :
         {std::string(100000, '.'), std::string(100000, '9'), std::string("\xFF\x00\x80", 3)}) {
        entry.SetText(text);
        EXPECT_NO_THROW((void)entry.GetAddress());
    }
    entry.SetText(std::string(100000, '9'));
    EXPECT_EQ(entry.GetText(), "255.0.0.0");
}

}  // namespace
}  // namespace quillon
