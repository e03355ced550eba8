#include "settings/entries.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "settings/memory_control.h"

namespace quillon {
namespace {

const MemoryControl& Control(const CSetupEntry& entry, size_t i) {
    return dynamic_cast<const MemoryControl&>(entry.GetControl(i));
}

struct NumberValidity {
    uint32_t minimum;
    uint32_t maximum;
    std::string text;
    bool valid;
};

const NumberValidity kNumberValidity[] = {
    {1, 65535, "", false},
    {1, 65535, "1", true},
    {1, 65535, "65535", true},
    {1, 65535, "0xFFFF", true},
    {1, 65535, "0", false},
    {1, 65535, "65536", false},
    {1, 65535, "0x10", true},
    {1, 65535, "010", true},
    {1, 65535, "12a", false},
    {1, 65535, " 7", true},
    {1, 65535, "7 ", false},
    {1, 65535, "0x", false},
    {1, 65535, "08", false},
    {1, 65535, "-1", false},
    {1, 4294967295u, "4294967295", true},
    {1, 4294967295u, "4294967296", true},  // saturates to the maximum
    {1, 4294967295u, "0", false},
    {1, 4294967295u, "-1", true},
    {0, 128, "-0", true},
    {0, 128, "128", true},
    {0, 128, "129", false},
    {1, 255, "256", false},
    {1, 65534, "65535", false},
    {1, 1, "1", true},
    {1, 1, "2", false},
};

TEST(CEditNumberEntry, AcceptsAWholeNumberWithinItsRange) {
    MemoryControlFactory owner;
    for (const NumberValidity& c : kNumberValidity) {
        CEditNumberEntry entry("N", 100, c.minimum, c.maximum, 0, owner);
        entry.SetText(c.text);
        EXPECT_EQ(entry.IsValid(), c.valid)
            << "\"" << c.text << "\" in " << c.minimum << ".." << c.maximum;
    }
}

TEST(CEditNumberEntry, GetNumberConvertsWithItsBaseWhateverTheValidity) {
    MemoryControlFactory owner;
    CEditNumberEntry base0("N", 100, 1, 10, 0, owner);
    base0.SetText("12a");
    EXPECT_EQ(base0.GetNumber(), 12u);
    base0.SetText("010");
    EXPECT_EQ(base0.GetNumber(), 8u);
    base0.SetText("");
    EXPECT_EQ(base0.GetNumber(), 0u);
    base0.SetText("-1");
    EXPECT_EQ(base0.GetNumber(), 4294967295u);

    CEditNumberEntry base10("N", 100, 0, 100, 10, owner);
    base10.SetText("010");
    EXPECT_EQ(base10.GetNumber(), 10u);
    EXPECT_TRUE(base10.IsValid());
    base10.SetText("0x10");
    EXPECT_FALSE(base10.IsValid());
}

TEST(CEditNumberEntry, NoTextBreaksTheConversion) {
    MemoryControlFactory owner;
    CEditNumberEntry entry("N", 100, 0, 4294967295u, 0, owner);
    std::string odd;
    for (int b = 255; b >= 0; --b) {
        odd.push_back(static_cast<char>(b));
    }
    for (const std::string& text :
         {std::string(200000, '7'), std::string(200000, '-'), odd, std::string("\0\0", 2)}) {
        entry.SetText(text);
        EXPECT_NO_THROW({
            (void)entry.GetNumber();
            (void)entry.IsValid();
        });
    }
    entry.SetText(std::string(200000, '7'));
    EXPECT_EQ(entry.GetNumber(), 4294967295u);
    EXPECT_TRUE(entry.IsValid());
}

TEST(EntryValidity, EachClassJudgesItsOwnValue) {
    MemoryControlFactory owner;
    const std::vector<std::string> items = {"A", "B"};

    CEmptyEntry empty("E", owner);
    EXPECT_TRUE(empty.IsValid());

    CEditTextEntry text("T", 150, owner);
    EXPECT_FALSE(text.IsValid());
    text.SetText(" ");
    EXPECT_TRUE(text.IsValid());

    CComboEntry combo("C", 0, items, owner);
    EXPECT_FALSE(combo.IsValid());
    EXPECT_EQ(combo.GetSelection(), -1);
    combo.SetSelection(1);
    EXPECT_TRUE(combo.IsValid());
    EXPECT_EQ(combo.GetSelection(), 1);
    combo.SetSelection(2);
    EXPECT_FALSE(combo.IsValid());
    EXPECT_EQ(combo.GetSelection(), -1);
    combo.SetSelection(-5);
    EXPECT_EQ(combo.GetSelection(), -1);

    CCheckEntry check("K", "", owner);
    EXPECT_TRUE(check.IsValid());
    EXPECT_EQ(check.GetCheck(), 0);
    check.SetCheck(1);
    EXPECT_EQ(check.GetCheck(), 1);
    EXPECT_TRUE(check.IsValid());
    check.SetCheck(0);
    EXPECT_EQ(check.GetCheck(), 0);

    CIPEntry address("I", 120, owner);
    EXPECT_FALSE(address.IsValid());
    address.SetText("192.168.0.1");
    EXPECT_TRUE(address.IsValid());
    address.SetText("192.168..1");
    EXPECT_FALSE(address.IsValid());

    CFileEntry file("F", 200, owner);
    EXPECT_TRUE(file.IsValid());

    CPWDEntry password("P", 100, 3, owner);
    EXPECT_FALSE(password.IsValid());
    password.SetPassword(0, "a");
    password.SetPassword(1, "b");
    EXPECT_FALSE(password.IsValid());
    password.SetPassword(2, "c");
    EXPECT_TRUE(password.IsValid());

    CPWDEntry noBoxes("P", 100, 0, owner);
    EXPECT_TRUE(noBoxes.IsValid());
}

TEST(EntryKind, EachClassSetsItsCode) {
    MemoryControlFactory owner;
    const std::vector<std::string> items = {"A"};
    EXPECT_EQ(static_cast<int>(CEmptyEntry("", owner).GetKind()), 0);
    EXPECT_EQ(static_cast<int>(CEditTextEntry("", 1, owner).GetKind()), 1);
    EXPECT_EQ(static_cast<int>(CEditNumberEntry("", 1, 0, 1, 0, owner).GetKind()), 1);
    EXPECT_EQ(static_cast<int>(CComboEntry("", 0, items, owner).GetKind()), 2);
    EXPECT_EQ(static_cast<int>(CCheckEntry("", "", owner).GetKind()), 4);
    EXPECT_EQ(static_cast<int>(CIPEntry("", 1, owner).GetKind()), 6);
    EXPECT_EQ(static_cast<int>(CPWDEntry("", 1, 2, owner).GetKind()), 7);
    EXPECT_EQ(static_cast<int>(CFileEntry("", 1, owner).GetKind()), 8);
}

TEST(CPWDEntry, BoxesOutsideTheEntryReadEmptyAndIgnoreWrites) {
    MemoryControlFactory owner;
    CPWDEntry password("P", 100, 3, owner);
    password.SetPassword(2, "third");
    password.SetPassword(3, "fourth");
    password.SetPassword(-1, "before");
    EXPECT_EQ(password.GetPassword(2), "third");
    EXPECT_EQ(password.GetPassword(3), "");
    EXPECT_EQ(password.GetPassword(-1), "");
    EXPECT_EQ(password.GetPassword(0), "");
    EXPECT_EQ(password.GetText(), "");
}

TEST(CPWDEntry, TakesConsecutiveControlIdsAndPlacesBoxesSideBySide) {
    MemoryControlFactory owner;
    CEditTextEntry before("T", 10, owner);
    CPWDEntry password("P", 100, 3, owner);
    CEditTextEntry after("T", 10, owner);
    EXPECT_EQ(before.GetControlId(0), 100);
    EXPECT_EQ(password.GetControlId(0), 101);
    EXPECT_EQ(password.GetControlId(1), 102);
    EXPECT_EQ(password.GetControlId(2), 103);
    EXPECT_EQ(after.GetControlId(0), 104);
    EXPECT_EQ(Control(password, 1).Id(), 102);

    password.Place(Point{300, 40});
    for (size_t j = 0; j < 3; ++j) {
        EXPECT_EQ(Control(password, j).Position(), (Point{300 + 100 * static_cast<int>(j), 40}));
        EXPECT_TRUE(Control(password, j).IsVisible());
    }
    password.Place(std::nullopt);
    EXPECT_FALSE(Control(password, 2).IsVisible());
    EXPECT_FALSE(password.IsShown());
}

TEST(CSetupEntry, PlaceMovesAndShowsThenHides) {
    MemoryControlFactory owner;
    CEditTextEntry text("T", 150, owner);
    EXPECT_FALSE(Control(text, 0).IsVisible());
    text.Place(Point{10, 20});
    EXPECT_TRUE(text.IsShown());
    EXPECT_TRUE(Control(text, 0).IsVisible());
    EXPECT_EQ(Control(text, 0).Position(), (Point{10, 20}));
    text.Place(Point{10, 41});
    EXPECT_EQ(Control(text, 0).Position(), (Point{10, 41}));
    text.Place(std::nullopt);
    EXPECT_FALSE(Control(text, 0).IsVisible());
    EXPECT_FALSE(text.IsShown());
}

TEST(CFileEntry, PlacesItsButtonRightAfterTheEditBox) {
    MemoryControlFactory owner;
    CFileEntry file("F", 200, owner);
    ASSERT_EQ(file.GetControlCount(), 2u);
    EXPECT_EQ(Control(file, 1).Kind(), ControlKind::kPushButton);
    EXPECT_EQ(Control(file, 1).GetText(), "...");
    file.Place(Point{50, 60});
    EXPECT_EQ(Control(file, 0).Position(), (Point{50, 60}));
    EXPECT_EQ(Control(file, 1).Position(), (Point{250, 60}));
    EXPECT_TRUE(Control(file, 1).IsVisible());
    file.Place(std::nullopt);
    EXPECT_FALSE(Control(file, 0).IsVisible());
    EXPECT_FALSE(Control(file, 1).IsVisible());
}

TEST(CFileEntry, AButtonClickAsksForTheFileAndKeepsTheTextOnCancel) {
    MemoryControlFactory owner;
    CFileEntry file("F", 200, owner);
    const auto button = static_cast<uint32_t>(file.GetControlId(1));
    file.SetText("old.bin");

    file.OnCommand(static_cast<uint32_t>(file.GetControlId(0)), 0);  // the edit box
    file.OnCommand(button | (1u << 16), 0);                          // not a click
    EXPECT_EQ(owner.OpenQuestions(), 0);

    owner.QueueOpenPath(std::nullopt);
    file.OnCommand(button, 0);
    EXPECT_EQ(file.GetText(), "old.bin");

    owner.QueueOpenPath("/home/user/\xF0\xE0\xF1\xEF.bin");
    file.OnCommand(button, 0);
    EXPECT_EQ(file.GetText(), "/home/user/\xF0\xE0\xF1\xEF.bin");
    EXPECT_EQ(owner.OpenQuestions(), 2);
}

TEST(CSetupEntry, ConversionsOnAnEntryWithoutControlsGiveEmptyValues) {
    MemoryControlFactory owner;
    CEmptyEntry heading("H", owner);
    heading.SetText("x");
    heading.SetSelection(0);
    heading.SetCheck(1);
    heading.SetPassword(0, "p");
    heading.Enable(false);
    EXPECT_EQ(heading.GetText(), "");
    EXPECT_EQ(heading.GetNumber(), 0u);
    EXPECT_EQ(heading.GetSelection(), -1);
    EXPECT_EQ(heading.GetCheck(), 0);
    EXPECT_EQ(heading.GetAddress(), 0u);
    EXPECT_EQ(heading.GetPassword(0), "");
}

TEST(CSetupEntry, EnableKeepsTheValue) {
    MemoryControlFactory owner;
    CEditNumberEntry entry("N", 100, 1, 1, 0, owner);
    entry.SetText("1");
    entry.Enable(false);
    EXPECT_FALSE(entry.GetControl(0).IsEnabled());
    EXPECT_EQ(entry.GetText(), "1");
    EXPECT_TRUE(entry.IsValid());
    entry.Enable(true);
    EXPECT_TRUE(entry.GetControl(0).IsEnabled());
}

TEST(CSetupEntry, RowHeightIsTheScrollArrowAndTwoEdges) {
    MemoryControlFactory owner;
    const SystemMetrics& m = owner.Metrics();
    CEditTextEntry text("T", 150, owner);
    EXPECT_EQ(text.GetRowHeight(), m.VScrollArrowHeight() + 2 * m.Edge3DHeight());
    EXPECT_EQ(Control(text, 0).Height(), text.GetRowHeight());
    EXPECT_EQ(Control(text, 0).Width(), 150);
}

TEST(CComboEntry, KeepsItsItemsInListOrderAndFitsTheWidestOne) {
    MemoryControlFactory owner;
    const SystemMetrics& m = owner.Metrics();
    const std::vector<std::string> items = {"zz", "a", "longest item"};
    CComboEntry fitted("C", 0, items, owner);
    EXPECT_EQ(Control(fitted, 0).Items(), items);
    EXPECT_EQ(Control(fitted, 0).Width(),
              m.Scaled(m.TextWidth("longest item")) + 12 + m.VScrollBarWidth());
    EXPECT_EQ(Control(fitted, 0).Height(), 5 * fitted.GetRowHeight());
    fitted.SetSelection(2);
    EXPECT_EQ(fitted.GetText(), "longest item");

    CComboEntry fixed("C", 80, items, owner);
    EXPECT_EQ(Control(fixed, 0).Width(), 80 + m.VScrollBarWidth());
}

TEST(CSetupEntry, FindEntryWalksInPreOrderAndKeyMapKeepsTheFirstToAgree) {
    MemoryControlFactory owner;
    CEmptyEntry root("", owner);
    CSetupEntry* a = root.AddChild(std::make_unique<CEmptyEntry>("A", owner));
    a->SetKey("A");
    CSetupEntry* deep = a->AddChild(std::make_unique<CEditTextEntry>("D", 10, owner));
    deep->SetKey("DUP");
    CSetupEntry* b = root.AddChild(std::make_unique<CEditTextEntry>("B", 10, owner));
    b->SetKey("DUP");
    CSetupEntry* unkeyed = root.AddChild(std::make_unique<CEmptyEntry>("U", owner));

    EXPECT_EQ(root.FindEntry("DUP"), deep);
    EXPECT_EQ(root.FindEntry("A"), a);
    EXPECT_EQ(root.FindEntry("a"), nullptr);
    EXPECT_EQ(root.FindEntry("DU"), nullptr);
    EXPECT_EQ(root.FindEntry(""), nullptr);
    EXPECT_EQ(b->FindEntry("A"), nullptr);
    EXPECT_FALSE(unkeyed->HasKey());
    EXPECT_EQ(unkeyed->GetKey(), "");

    KeyMap keys;
    root.RegisterKeys(keys);
    EXPECT_EQ(keys.Size(), 2u);
    EXPECT_EQ(keys.Find("DUP"), deep);
    EXPECT_EQ(keys.Find("A"), a);
    EXPECT_EQ(keys.Find("B"), nullptr);

    b->SetKey("B");
    EXPECT_EQ(b->GetKey(), "B");
    EXPECT_EQ(root.FindEntry("B"), b);
}

}  // namespace
}  // namespace quillon
