// The Qt editor controls on their own: Windows-1251 at the boundary, the state each kind
// keeps, the sizes they are made with.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "settings/cp1251.h"
#include "settings/entries.h"
#include "settings/testing/scripted_dialogs.h"
#include "shell/address_edit.h"
#include "shell/qt_control_factory.h"
#include "shell/qt_controls.h"

namespace quillon::testing {
namespace {

class QtControls : public ::testing::Test {
protected:
    QtControls() : m_factory(m_owner, m_owner, m_dialogs, [](uint32_t, intptr_t) {}) {
        m_owner.resize(800, 400);
        m_owner.show();
    }

    QtControl& Create(const ControlOptions& options) {
        m_controls.push_back(m_factory.CreateControl(options, m_factory.TakeControlId()));
        return static_cast<QtControl&>(*m_controls.back());
    }
    QtEditControl& Edit() {
        return static_cast<QtEditControl&>(Create({.kind = ControlKind::kEdit, .width = 80}));
    }
    QtAddressControl& Address() {
        return static_cast<QtAddressControl&>(
            Create({.kind = ControlKind::kAddress, .width = 120, .height = 22}));
    }

    QWidget m_owner;
    ScriptedDialogs m_dialogs;
    QtControlFactory m_factory;
    std::vector<std::unique_ptr<EditorControl>> m_controls;
};

// The parent widget owns the control's widget too: whichever goes first, the widget is deleted
// exactly once.
TEST_F(QtControls, DeleteTheirWidgetUnlessItsParentDeletedItFirst) {
    auto parent = std::make_unique<QWidget>();
    QtControlFactory factory(*parent, *parent, m_dialogs, [](uint32_t, intptr_t) {});
    std::unique_ptr<EditorControl> first =
        factory.CreateControl({.kind = ControlKind::kEdit, .width = 80}, 1);
    std::unique_ptr<EditorControl> second =
        factory.CreateControl({.kind = ControlKind::kCheckBox, .width = 20}, 2);
    const QPointer<QWidget> firstWidget = &static_cast<QtControl&>(*first).Widget();
    const QPointer<QWidget> secondWidget = &static_cast<QtControl&>(*second).Widget();

    first.reset();
    EXPECT_TRUE(firstWidget.isNull());
    EXPECT_EQ(parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 1);

    parent.reset();
    EXPECT_TRUE(secondWidget.isNull());
    second.reset();
}

TEST_F(QtControls, AnEditBoxConvertsWindows1251AtItsBoundary) {
    QtEditControl& edit = Edit();
    edit.SetText(ToCp1251("Счётчик №1"));
    EXPECT_EQ(edit.Edit().text(), "Счётчик №1");
    edit.Edit().setText("Ж€");
    EXPECT_EQ(edit.GetText(), "\xC6\x88");
    edit.Edit().setText("日本");  // no Windows-1251 form
    EXPECT_EQ(edit.GetText(), "??");
}

TEST_F(QtControls, TextWindows1251CannotHoldIsRefusedWithAMessageAndTheOldTextKept) {
    QtEditControl& edit = Edit();
    edit.SetVisible(true);
    edit.Edit().setFocus();
    // QTest types ASCII only: each character goes as the key event a keyboard layout sends.
    for (const QChar character : QStringLiteral("Zürich")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(&edit.Edit(), &press);
    }
    QApplication::processEvents();
    EXPECT_EQ(edit.Edit().text(), "Zrich");
    ASSERT_EQ(m_dialogs.Messages().size(), 1u);
    EXPECT_EQ(m_dialogs.Messages().front(),
              "В тексте есть символы, которых нет в кодировке Windows-1251: U+00FC. "
              "Текст не изменен.");

    // A paste is one edit: all of it or nothing.
    edit.Edit().selectAll();
    QApplication::clipboard()->setText("Счёт 日本 €");
    QTest::keyClick(&edit.Edit(), Qt::Key_V, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(edit.Edit().text(), "Zrich");
    ASSERT_EQ(m_dialogs.Messages().size(), 2u);
    EXPECT_NE(m_dialogs.Messages().back().find("U+65E5, U+672C."), std::string::npos);
}

TEST_F(QtControls, ADropDownListOpensFiveRowsHighOrAsHighAsItsItems) {
    for (size_t count : {8u, 3u}) {
        SCOPED_TRACE(count);
        std::vector<std::string> items;
        for (size_t i = 0; i < count; ++i) {
            items.push_back("item " + std::to_string(i));
        }
        const int row = m_factory.Metrics().RowHeight();
        auto& list = static_cast<QtDropListControl&>(Create(
            {.kind = ControlKind::kDropList, .width = 90, .height = 6 * row, .items = items}));
        list.SetVisible(true);
        list.List().showPopup();
        QAbstractItemView& view = *list.List().view();
        int shown = 0;
        for (int i = 0; i < list.List().count(); ++i) {
            shown += view.viewport()->rect().contains(view.visualRect(view.model()->index(i, 0)));
        }
        list.List().hidePopup();
        EXPECT_EQ(shown, static_cast<int>(std::min<size_t>(count, 5)));
    }
}

TEST_F(QtControls, EveryControlStartsHiddenAtTheOriginWithItsSize) {
    QtControl& edit = Create({.kind = ControlKind::kEdit, .width = 150, .height = 21});
    EXPECT_FALSE(edit.IsVisible());
    EXPECT_EQ(edit.Widget().geometry(), QRect(0, 0, 150, 21));
    edit.Move({30, 40});
    edit.SetVisible(true);
    EXPECT_TRUE(edit.Widget().isVisible());
    EXPECT_EQ(edit.Widget().geometry(), QRect(30, 40, 150, 21));
    edit.SetEnabled(false);
    EXPECT_FALSE(edit.IsEnabled());
    EXPECT_FALSE(edit.Widget().isEnabled());
}

TEST_F(QtControls, ADropDownListStartsWithoutSelectionAndShowsItsItemsAsText) {
    const std::vector<std::string> items = {ToCp1251("Ethernet"), ToCp1251("Модем")};
    auto& list = static_cast<QtDropListControl&>(
        Create({.kind = ControlKind::kDropList, .width = 90, .height = 5 * 21, .items = items}));
    EXPECT_EQ(list.GetSelection(), -1);
    EXPECT_EQ(list.GetText(), "");
    EXPECT_EQ(list.List().count(), 2);
    EXPECT_EQ(list.List().itemText(1), "Модем");
    list.SetSelection(1);
    EXPECT_EQ(list.GetText(), items[1]);
    list.SetSelection(2);
    EXPECT_EQ(list.GetSelection(), -1);
    list.SetText("Ethernet");  // a list without an edit part shows only its items
    EXPECT_EQ(list.GetSelection(), -1);
    EXPECT_EQ(list.Widget().height(), m_factory.Metrics().RowHeight());
}

// The catalogue's lists fit themselves to their widest item; in this style that item must show
// whole.
TEST_F(QtControls, AFittedDropDownListShowsItsWidestItemUnclipped) {
    const std::vector<std::string> items = {ToCp1251("Нет"),
                                            ToCp1251("Меркурий-230 (трехфазный счетчик)")};
    CComboEntry entry("Тип", 0, items, m_factory);
    auto& list = static_cast<const QtDropListControl&>(entry.GetControl(0)).List();
    list.setCurrentIndex(1);
    QStyleOptionComboBox option;
    option.initFrom(&list);
    const QSize needed = list.style()->sizeFromContents(
        QStyle::CT_ComboBox, &option,
        QSize(list.fontMetrics().horizontalAdvance(list.currentText()), list.height()), &list);
    EXPECT_GE(list.width(), needed.width());
}

TEST_F(QtControls, ACheckBoxKeepsItsLabelAndState) {
    auto& check = static_cast<QtCheckBoxControl&>(
        Create({.kind = ControlKind::kCheckBox, .width = 100, .text = ToCp1251("Вкл.")}));
    EXPECT_EQ(check.CheckBox().text(), "Вкл.");
    EXPECT_EQ(check.GetText(), ToCp1251("Вкл."));
    EXPECT_EQ(check.GetCheck(), 0);
    check.SetCheck(2);
    EXPECT_EQ(check.GetCheck(), 1);
    check.CheckBox().click();
    EXPECT_EQ(check.GetCheck(), 0);
    EXPECT_EQ(check.GetSelection(), -1);  // not a list
}

TEST_F(QtControls, AnAddressKeepsABlankStatePerFieldAndReadsAsDottedText) {
    QtAddressControl& address = Address();
    EXPECT_EQ(address.GetFields(),
              (AddressFields{kBlankField, kBlankField, kBlankField, kBlankField}));
    EXPECT_EQ(address.GetText(), "0.0.0.0");
    address.SetText("10.0..300");
    EXPECT_EQ(address.GetFields(), (AddressFields{10, 0, kBlankField, 255}));
    EXPECT_EQ(address.GetText(), "10.0.0.255");
    EXPECT_EQ(address.Address().Field(2).text(), "");
    address.SetFields({192, kBlankField, 1, 7});
    EXPECT_EQ(address.GetText(), "192.0.1.7");
    EXPECT_EQ(address.Address().Field(1).text(), "");
}

TEST_F(QtControls, TypingAnAddressMovesOnAtDotsAndAfterThreeDigitsAndHoldsAtMost255) {
    QtAddressControl& address = Address();
    address.Move({0, 0});
    address.SetVisible(true);
    m_owner.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_owner));
    address.Address().Field(0).setFocus();
    // Each key goes where the focus is, as the user's would.
    const auto type = [](const char* keys) {
        for (const char* key = keys; *key != 0; ++key) {
            QTest::keyClick(QApplication::focusWidget(), *key);
        }
    };
    type("192.168.1.999");
    EXPECT_EQ(address.GetFields(), (AddressFields{192, 168, 1, 255}));
    EXPECT_EQ(QApplication::focusWidget(), &address.Address().Field(3));
    type("x");  // digits only
    EXPECT_EQ(address.GetFields()[3], 255);
    QTest::keyClick(&address.Address().Field(3), Qt::Key_A, Qt::ControlModifier);
    type("\b\b");
    EXPECT_EQ(address.GetFields()[3], kBlankField);
}

TEST_F(QtControls, AButtonClickReachesTheWindowAsACommandWithTheButtonsId) {
    std::vector<uint32_t> commands;
    QtControlFactory factory(m_owner, m_owner, m_dialogs,
                             [&commands](uint32_t first, intptr_t) { commands.push_back(first); });
    auto button = factory.CreateControl(
        {.kind = ControlKind::kPushButton, .width = 22, .height = 22, .text = "..."}, 0x10005);
    static_cast<QtPushButtonControl&>(*button).Button().click();
    EXPECT_EQ(commands, (std::vector<uint32_t>{0x0005}));
    EXPECT_EQ(button->GetText(), "...");
}

TEST_F(QtControls, TheFileEntrysOpenQuestionHasNoFilterAndConvertsThePath) {
    m_dialogs.Answer(std::filesystem::path("/home/инженер/таблица.bin"));
    EXPECT_EQ(m_factory.AskOpenPath(), ToCp1251("/home/инженер/таблица.bin"));
    EXPECT_TRUE(m_dialogs.LastFilters().empty());
    EXPECT_TRUE(m_dialogs.LastInitialPath().empty());
    EXPECT_EQ(m_factory.AskOpenPath(), std::nullopt);
    EXPECT_TRUE(m_dialogs.Messages().empty());
}

TEST_F(QtControls, APathWindows1251CannotHoldIsRefusedWithAMessageNamingItsCharacters) {
    m_dialogs.Answer(std::filesystem::path("/srv/Zürich/schedule.bin"));
    EXPECT_EQ(m_factory.AskOpenPath(), std::nullopt);
    ASSERT_EQ(m_dialogs.Messages().size(), 1u);
    EXPECT_NE(m_dialogs.Messages().front().find(": U+00FC."), std::string::npos);
}

}  // namespace
}  // namespace quillon::testing
