// The window as a whole: caption, menu, start state, keys, closing, and the three commands
// with their dialogs behind the script.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <filesystem>
#include <set>
#include <vector>

#include "image/save_setup.h"
#include "settings/catalogue.h"
#include "settings/ini_file.h"
#include "settings/testing/temp_folder.h"
#include "settings/testing/tree_fixture.h"
#include "window_fixture.h"

namespace quillon::testing {
namespace {

// Runs in a folder of its own, so that the proposed names and anything written stay in it.
class InTempFolder {
public:
    InTempFolder() : m_previous(std::filesystem::current_path()) {
        std::filesystem::current_path(m_folder.Path());
    }
    ~InTempFolder() { std::filesystem::current_path(m_previous); }
    const TempFolder& Folder() const { return m_folder; }

private:
    TempFolder m_folder;
    std::filesystem::path m_previous;
};

std::vector<const CSetupEntry*> EntriesInTreeOrder(const CSetupEntry& root) {
    std::vector<const CSetupEntry*> entries;
    std::vector<const CSetupEntry*> pending{&root};
    while (!pending.empty()) {
        const CSetupEntry* entry = pending.back();
        pending.pop_back();
        entries.push_back(entry);
        for (size_t i = entry->GetChildCount(); i-- > 0;) {
            pending.push_back(&entry->GetChild(i));
        }
    }
    return entries;
}

class WindowShell : public WindowTest {};

TEST_F(WindowShell, IsCaptionedQuillonWithItsIconAndTheFileMenu) {
    EXPECT_EQ(Window().windowTitle(), "Quillon");
    EXPECT_FALSE(Window().windowIcon().isNull());
    const QList<QAction*> menus = Window().menuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), "File");
    QStringList items;
    for (const QAction* item : menus[0]->menu()->actions()) {
        items.append(item->isSeparator() ? QStringLiteral("-") : item->text());
    }
    EXPECT_EQ(items, QStringList({"Save Setup", "-", "Load Ini-file", "Save Ini-file"}));
    EXPECT_EQ(Tree().editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(QApplication::focusWidget(), &Tree());
}

TEST_F(WindowShell, CreatesEveryControlHiddenInTreeOrderSoTabFollowsTheTree) {
    std::vector<QWidget*> controls;
    int shown = 0;
    for (const CSetupEntry* entry : EntriesInTreeOrder(Window().Root())) {
        for (size_t i = 0; i < entry->GetControlCount(); ++i) {
            controls.push_back(&WidgetOf(*entry, i));
            shown += controls.back()->isVisible() ? 1 : 0;
        }
    }
    EXPECT_EQ(controls.size(), static_cast<size_t>(kCatalogueControlCount));
    EXPECT_EQ(shown, 2);  // the schedule file's edit box and button

    // The focus chain from the tree meets the controls in the same order.
    const std::set<QWidget*> known(controls.begin(), controls.end());
    std::vector<QWidget*> chain;
    for (QWidget* widget = Tree().nextInFocusChain(); widget != &Tree();
         widget = widget->nextInFocusChain()) {
        if (known.count(widget) != 0) {
            chain.push_back(widget);
        }
    }
    EXPECT_TRUE(chain == controls);
}

TEST_F(WindowShell, EnterAndEscapeAreSwallowedInEditBoxesListsAndTheTree) {
    Tree().expand(Heading({"Конфигурация каналов связи(loc)"}));
    Tree().expand(Heading({"Конфигурация каналов связи(loc)", "Основной канал"}));
    auto& gid = static_cast<QLineEdit&>(WidgetOf(Entry("LOC_GID")));
    QSignalSpy returns(&gid, &QLineEdit::returnPressed);
    gid.setFocus();
    QTest::keyClicks(&gid, "12");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(&gid, key);
        QTest::keyClick(&WidgetOf(Entry("LOC_MAIN_CHAN_TYPE")), key);
        QTest::keyClick(&Tree(), key);
    }
    EXPECT_TRUE(Window().isVisible());
    EXPECT_EQ(Entry("LOC_GID").GetText(), "12");
    EXPECT_EQ(returns.count(), 0);
    EXPECT_EQ(Entry("LOC_MAIN_CHAN_TYPE").GetSelection(), -1);
}

TEST_F(WindowShell, ClosingEndsTheProgramAndWritesNothing) {
    InTempFolder folder;
    Entry("LOC_GID").SetText("0x0102");
    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QApplication::quit();
    });
    guard.start(10000);
    QTimer::singleShot(0, &Window(), [this] { Window().close(); });
    QApplication::exec();  // the program's event loop, which closing the window ends
    EXPECT_FALSE(timedOut);
    EXPECT_FALSE(Window().isVisible());
    EXPECT_TRUE(folder.Folder().Names().empty());
    EXPECT_TRUE(Dialogs().Questions().empty());
}

TEST_F(WindowShell, TheBrowseButtonSetsTheChosenPathAndCancelKeepsTheText) {
    auto& button = static_cast<QPushButton&>(WidgetOf(Entry("TIME_TABLE"), 1));
    auto& edit = static_cast<QLineEdit&>(WidgetOf(Entry("TIME_TABLE"), 0));
    ASSERT_EQ(button.text(), "...");
    Dialogs().Answer(std::filesystem::path("/srv/таблицы/schedule.bin"));
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(Entry("TIME_TABLE").GetText(), ToCp1251("/srv/таблицы/schedule.bin"));
    EXPECT_EQ(edit.text(), "/srv/таблицы/schedule.bin");

    Dialogs().Answer(std::nullopt);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(edit.text(), "/srv/таблицы/schedule.bin");
    EXPECT_EQ(Dialogs().Questions(), (std::vector<std::string>{"open", "open"}));
    EXPECT_TRUE(Dialogs().LastFilters().empty());
}

TEST_F(WindowShell, LoadIniFileShowsTheValuesInTheControls) {
    const std::filesystem::path site = std::filesystem::path(QB_SOURCE_DIR) / "examples/site.ini";
    Dialogs().Answer(site);
    Window().CommandAction(kLoadIniCommand).trigger();
    EXPECT_TRUE(Dialogs().Messages().empty());
    EXPECT_EQ(static_cast<QLineEdit&>(WidgetOf(Entry("LOC_GID"))).text(), "0x0102");
    EXPECT_EQ(static_cast<QComboBox&>(WidgetOf(Entry("LOC_MAIN_CHAN_TYPE"))).currentText(),
              "Ethernet");
    EXPECT_EQ(Dialogs().LastFilters(),
              (std::vector<std::string>{"Ini files (*.ini)|*.ini", "All Files (*.*)|*.*"}));
}

TEST_F(WindowShell, SaveSetupOfTheExampleProposesLocS19AndWritesTheCommandLinesBytes) {
    // The example names its schedule file relative to the repository.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(QB_SOURCE_DIR);
    TempFolder out;
    Dialogs().Answer(std::filesystem::path("examples/site.ini"));
    Window().CommandAction(kLoadIniCommand).trigger();
    Dialogs().Answer(out / "window.s19");
    Window().CommandAction(kSaveSetupCommand).trigger();
    EXPECT_EQ(Dialogs().LastInitialPath(), std::filesystem::current_path() / "loc_.s19");
    EXPECT_EQ(Dialogs().LastFilters(),
              (std::vector<std::string>{"S-Record files (*.s19)|*.s19", "All Files (*.*)|*.*"}));

    QProcess commandLine;
    commandLine.start(QB_QUILLON_BINARY,
                      {"--load-ini", "examples/site.ini", "--save-setup",
                       QString::fromStdString((out / "command_line.s19").string())});
    ASSERT_TRUE(commandLine.waitForFinished(30000));
    std::filesystem::current_path(previous);
    EXPECT_EQ(commandLine.exitCode(), 0) << commandLine.readAllStandardError().toStdString();
    EXPECT_TRUE(Dialogs().Messages().empty());
    const std::string window = ReadBytes(out / "window.s19");
    EXPECT_FALSE(window.empty());
    EXPECT_EQ(window, ReadBytes(out / "command_line.s19"));
}

TEST_F(WindowShell, ASetupFailureShowsTheMessageOfTheHeadlessRunAndWritesNothing) {
    InTempFolder folder;
    TreeFixture headless;
    ScriptedDialogs headlessDialogs;
    headlessDialogs.Answer(folder.Folder() / "loc_.s19");
    RunSaveSetupCommand(headless.Keys(), headlessDialogs);
    ASSERT_EQ(headlessDialogs.Messages().size(), 1u);

    Dialogs().Answer(folder.Folder() / "loc_.s19");
    Window().CommandAction(kSaveSetupCommand).trigger();
    EXPECT_EQ(Dialogs().Messages(), headlessDialogs.Messages());
    EXPECT_TRUE(folder.Folder().Names().empty());
    EXPECT_TRUE(Window().isVisible());
}

}  // namespace
}  // namespace quillon::testing
