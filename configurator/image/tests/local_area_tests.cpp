#include "image/local_area.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "hex_bytes.h"
#include "settings/setup_failure.h"
#include "settings/testing/tree_fixture.h"

namespace quillon {
namespace {

using testing::HexBytes;
using testing::ToHex;

// "Неправильное поле " and "Тип канала" in Windows-1251.
const std::string kWrongField =
    "\xCD\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xEE\xE5\x20\xEF\xEE\xEB\xE5\x20";
const std::string kChannelType = "\xD2\xE8\xEF\x20\xEA\xE0\xED\xE0\xEB\xE0";

using Tree = quillon::testing::TreeFixture;

void SetTexts(Tree& tree, const std::string& channel, const char* sys, const char* srv,
              const char* retry) {
    tree.Set("LOC_" + channel + "_CHAN_SYS", sys)
        .Set("LOC_" + channel + "_CHAN_SRV", srv)
        .Set("LOC_" + channel + "_CHAN_TRY", retry);
}

void SetEthernet(Tree& tree, const std::string& channel, const char* sys, const char* srv,
                 const char* retry, const char* ip, const char* gate, const char* mask) {
    tree.Select("LOC_" + channel + "_CHAN_TYPE", 0);
    SetTexts(tree, channel, sys, srv, retry);
    tree.Set("LOC_" + channel + "_CHAN_IP", ip)
        .Set("LOC_" + channel + "_CHAN_GATE", gate)
        .Set("LOC_" + channel + "_CHAN_MASK", mask);
}

void SetModem(Tree& tree, const std::string& channel, const char* sys, const char* srv,
              const char* retry, const char* apn) {
    tree.Select("LOC_" + channel + "_CHAN_TYPE", 1);
    SetTexts(tree, channel, sys, srv, retry);
    tree.Set("LOC_" + channel + "_CHAN_APN", apn);
}

// Both channels Ethernet with SYS, SRV and TRY of 3, 3 and 1 characters: 165 bytes.
void SetValid(Tree& tree) {
    tree.Set("LOC_GID", "1");
    SetEthernet(tree, "MAIN", "abc", "def", "1", "192.168.0.10", "192.168.0.1", "255.255.255.0");
    SetEthernet(tree, "RSV", "ghi", "jkl", "2", "10.0.0.2", "10.0.0.1", "255.0.0.0");
}

// The message of the setup failure that sizing the area raises.
std::string FailureOf(const Tree& tree) {
    CStpAreaLoc area;
    try {
        area.GetSize(tree.Keys());
    } catch (const SetupFailure& failure) {
        return failure.Message();
    }
    return "no failure";
}

class LocalArea : public ::testing::Test {
protected:
    void SetUp() override { SetValid(m_tree); }

    // Sizes and builds the area as Save Setup does, into a buffer with guard bytes behind it.
    std::vector<uint8_t> Build() {
        CStpAreaLoc area;
        const size_t size = area.GetSize(m_tree.Keys());
        std::vector<uint8_t> buffer(size + kGuard, 0xCC);
        area.Build(std::span(buffer).first(size), m_tree.Keys());
        EXPECT_EQ(std::vector<uint8_t>(buffer.end() - kGuard, buffer.end()),
                  std::vector<uint8_t>(kGuard, 0xCC));
        EXPECT_EQ(area.PendingLabelCount(), 0u);
        buffer.resize(size);
        return buffer;
    }

    static std::string Slice(const std::vector<uint8_t>& area, size_t from, size_t count) {
        const auto start = area.begin() + static_cast<std::ptrdiff_t>(from);
        return ToHex({start, start + static_cast<std::ptrdiff_t>(count)});
    }

    static constexpr size_t kGuard = 16;
    Tree m_tree;
};

TEST_F(LocalArea, WritesBothEthernetChannelsByteForByte) {
    const std::vector<uint8_t> area = Build();
    ASSERT_EQ(area.size(), 165u);
    const std::vector<uint8_t> expected = HexBytes(
        // signature and total size 165
        "AF EB 8A 8E DE 10 44 E1 A3 50 C7 5A A0 5D 52 AA 00 A5"
        // section table: section 0 at +6
        " 00 0C 00 01 00 00 00 00 00 06 B5 C5"
        // directory: GID at +18, MAIN at +21, RSV at +65
        " 00 18 00 03 00 01 00 00 00 12 00 02 00 00 00 15 00 03 00 00 00 41 27 9D"
        // GID "0001"
        " 00 09 30 30 30 31 00 41 02"
        // MAIN: kind t, SYS +31, SRV +30, TRY +29, IP, GATE, MASK
        " 00 28 07 80 00 00 00 74 01 00 00 00 1F 02 00 00 00 1E 03 00 00 00 1D"
        " 84 C0 A8 00 0A 85 C0 A8 00 01 86 FF FF FF 00 F3 D7"
        " 61 62 63 00 64 65 66 00 31 00"
        // RSV
        " 00 28 07 80 00 00 00 74 01 00 00 00 1F 02 00 00 00 1E 03 00 00 00 1D"
        " 84 0A 00 00 02 85 0A 00 00 01 86 FF 00 00 00 D8 2F"
        " 67 68 69 00 6A 6B 6C 00 32 00"
        // area checksum
        " DB E0");
    EXPECT_EQ(ToHex(area), ToHex(expected));
}

TEST_F(LocalArea, WritesAModemChannelWithItsApnAndNoAddresses) {
    m_tree.Set("LOC_GID", "65535");
    SetModem(m_tree, "MAIN", "abc", "def", "1", "internet");
    const std::vector<uint8_t> area = Build();
    ASSERT_EQ(area.size(), 164u);
    EXPECT_EQ(Slice(area, 16, 2), "00 A4");
    EXPECT_EQ(Slice(area, 54, 9), "00 09 46 46 46 46 00 54 AB");
    // Kind m, SYS +21, SRV +20, TRY +19, APN +16.
    EXPECT_EQ(Slice(area, 63, 30),
              "00 1E 05 80 00 00 00 6D 01 00 00 00 15 02 00 00 00 14 03 00 00 00 13"
              " 04 00 00 00 10 9D 52");
    EXPECT_EQ(Slice(area, 93, 19), "61 62 63 00 64 65 66 00 31 00 69 6E 74 65 72 6E 65 74 00");
    EXPECT_EQ(Slice(area, 112, 2), "00 28");  // the reserve channel follows at once
    EXPECT_EQ(Slice(area, 162, 2), "44 8B");
}

TEST_F(LocalArea, FormatsTheGidAsFourUpperCaseHexDigits) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "30 30 30 31 00"},
        {"65535", "46 46 46 46 00"},
        {"0xabc", "30 41 42 43 00"},
    };
    for (const auto& [text, digits] : cases) {
        SCOPED_TRACE(text);
        m_tree.Set("LOC_GID", text);
        EXPECT_EQ(Slice(Build(), 56, 5), digits);
    }
}

TEST_F(LocalArea, CountsBlankAddressOctetsAsZero) {
    m_tree.Set("LOC_MAIN_CHAN_IP", "192..0.").Set("LOC_MAIN_CHAN_MASK", "");
    const std::vector<uint8_t> area = Build();
    EXPECT_EQ(Slice(area, 63 + 23, 5), "84 C0 00 00 00");
    EXPECT_EQ(Slice(area, 63 + 33, 5), "86 00 00 00 00");
}

TEST_F(LocalArea, KeepsLongTextsInsideTheArea) {
    const std::string sys(3000, 'S');
    m_tree.Set("LOC_RSV_CHAN_SYS", sys);
    const std::vector<uint8_t> area = Build();
    ASSERT_EQ(area.size(), 165u + 2997);
    EXPECT_EQ(Slice(area, 16, 2), "0C 5A");
    EXPECT_EQ(area[153 + 3000], 0);
}

// Found by fuzzing the INI loader: a value holding a zero byte left the bytes after it in
// the area, where no offset leads.
TEST_F(LocalArea, StoresATextOnlyUpToItsFirstZeroByte) {
    m_tree.Set("LOC_RSV_CHAN_SYS", "KOMM");
    const std::vector<uint8_t> plain = Build();
    m_tree.Entry("LOC_RSV_CHAN_SYS").SetText(std::string("KOMM\0XT0", 8));
    EXPECT_EQ(Build(), plain);
}

TEST_F(LocalArea, RefusesAnAreaTooLargeForItsSizeFieldWithoutWritingPastIt) {
    m_tree.Set("LOC_MAIN_CHAN_SRV", std::string(70000, 'x'));
    CStpAreaLoc area;
    const size_t size = area.GetSize(m_tree.Keys());
    ASSERT_GT(size, 0xFFFFu);
    std::vector<uint8_t> buffer(size);
    EXPECT_THROW(area.Build(buffer, m_tree.Keys()), AreaInternalError);
}

TEST_F(LocalArea, ReportsTheFirstFieldThatFailsItsCheck) {
    struct Case {
        const char* what;
        std::function<void(Tree&)> change;
        std::string message;
    };
    const std::string type = kWrongField + "\"" + kChannelType + "\".";
    const Case cases[] = {
        {"no main type", [](Tree& t) { t.Select("LOC_MAIN_CHAN_TYPE", -1); }, type},
        {"no reserve type", [](Tree& t) { t.Select("LOC_RSV_CHAN_TYPE", -1); }, type},
        {"empty main SYS", [](Tree& t) { t.Set("LOC_MAIN_CHAN_SYS", ""); },
         kWrongField + "\"SYS\""},
        {"empty main SRV", [](Tree& t) { t.Set("LOC_MAIN_CHAN_SRV", ""); },
         kWrongField + "\"SRV\""},
        {"empty main TRY", [](Tree& t) { t.Set("LOC_MAIN_CHAN_TRY", ""); },
         kWrongField + "\"TRY\""},
        {"empty reserve TRY", [](Tree& t) { t.Set("LOC_RSV_CHAN_TRY", ""); },
         kWrongField + "\"TRY\""},
        {"modem APN before SYS",
         [](Tree& t) {
             t.Select("LOC_MAIN_CHAN_TYPE", 1)
                 .Set("LOC_MAIN_CHAN_APN", "")
                 .Set("LOC_MAIN_CHAN_SYS", "");
         },
         kWrongField + "\"APN\""},
        {"main before reserve",
         [](Tree& t) { t.Set("LOC_MAIN_CHAN_SRV", "").Select("LOC_RSV_CHAN_TYPE", -1); },
         kWrongField + "\"SRV\""},
        {"GID 65536", [](Tree& t) { t.Set("LOC_GID", "65536"); }, kWrongField + "\"GID\""},
        {"GID 0x10000 before the channels",
         [](Tree& t) { t.Set("LOC_GID", "0x10000").Select("LOC_MAIN_CHAN_TYPE", -1); },
         kWrongField + "\"GID\""},
        {"GID 4294967295", [](Tree& t) { t.Set("LOC_GID", "4294967295"); },
         kWrongField + "\"GID\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Tree tree;
        SetValid(tree);
        c.change(tree);
        EXPECT_EQ(FailureOf(tree), c.message);
        // Build runs the same checks before it writes anything.
        CStpAreaLoc area;
        std::vector<uint8_t> buffer(165, 0xCC);
        EXPECT_THROW(area.Build(buffer, tree.Keys()), SetupFailure);
        EXPECT_EQ(buffer, std::vector<uint8_t>(165, 0xCC));
    }
}

TEST_F(LocalArea, IgnoresTheApnOfAnEthernetChannelAndTheAddressesOfAModem) {
    m_tree.Set("LOC_MAIN_CHAN_APN", "");
    SetModem(m_tree, "RSV", "ghi", "jkl", "2", "apn");
    m_tree.Set("LOC_RSV_CHAN_IP", "").Set("LOC_RSV_CHAN_GATE", "");
    EXPECT_EQ(Build().size(), 20u + 45 + 50 + 30 + 10 + 4);
}

}  // namespace
}  // namespace quillon
