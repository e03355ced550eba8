// The window as a whole: caption, menu, start state, keys, closing, and the three commands
// with their dialogs behind the script.
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QWheelEvent>
#include <filesystem>
#include <set>
#include <vector>

#include "image/save_setup.h"
#include "settings/catalogue.h"
#include "settings/ini_file.h"
#include "settings/setup_failure.h"
#include "settings/testing/temp_folder.h"
#include "settings/testing/tree_fixture.h"
#include "shell/address_edit.h"
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
    EXPECT_EQ(items,
              QStringList({"Save Setup", "Load Setup", "-", "Load Ini-file", "Save Ini-file"}));
    EXPECT_EQ(Tree().editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(QApplication::focusWidget(), &Tree());
}

// Every entry has its controls from the start; a control makes its widget when its row first
// comes into view, and each widget takes its place in the Tab order by tree order, whatever
// order the rows were opened in.
TEST_F(WindowShell, MakesOnlyTheWidgetsOfRowsInViewAndTabFollowsTheTreeWhateverTheOrder) {
    std::vector<const QtControl*> controls;
    for (const CSetupEntry* entry : EntriesInTreeOrder(Window().Root())) {
        for (size_t i = 0; i < entry->GetControlCount(); ++i) {
            controls.push_back(&static_cast<const QtControl&>(entry->GetControl(i)));
        }
    }
    EXPECT_EQ(controls.size(), static_cast<size_t>(kCatalogueControlCount));
    int made = 0;
    for (const QtControl* control : controls) {
        made += control->HasWidget() ? 1 : 0;
    }
    EXPECT_EQ(made, 2);  // the schedule file's edit box and button
    EXPECT_TRUE(WidgetOf(Entry("TIME_TABLE"), 0).isVisible());

    // Widgets made in reverse tree order, then every second one first.
    std::vector<QWidget*> widgets(controls.size());
    for (size_t i = controls.size(); i-- > controls.size() / 2;) {
        widgets[i] = &controls[i]->Widget();
    }
    for (size_t i = 0; i < controls.size() / 2; i += 2) {
        widgets[i] = &controls[i]->Widget();
    }
    for (size_t i = 1; i < controls.size() / 2; i += 2) {
        widgets[i] = &controls[i]->Widget();
    }
    const std::set<QWidget*> known(widgets.begin(), widgets.end());
    std::vector<QWidget*> chain;
    for (QWidget* widget = Tree().nextInFocusChain(); widget != &Tree();
         widget = widget->nextInFocusChain()) {
        if (known.count(widget) != 0) {
            chain.push_back(widget);
        }
    }
    EXPECT_TRUE(chain == widgets);
    for (const QWidget* widget : widgets) {
        EXPECT_EQ(widget->isVisible(), widget == &WidgetOf(Entry("TIME_TABLE"), 0) ||
                                           widget == &WidgetOf(Entry("TIME_TABLE"), 1));
    }
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

TEST_F(WindowShell, LoadSetupRunsTheProgramsCommandOnTheWindowsTreeAndShowsItsFailure) {
    EXPECT_FALSE(Window().CommandAction(kLoadSetupCommand).isEnabled());
    int runs = 0;
    Window().SetLoadSetupCommand([&](KeyMap& keys, UserDialogs& dialogs) {
        ++runs;
        EXPECT_EQ(&keys, &Window().Keys());
        EXPECT_EQ(&dialogs, &Dialogs());
        keys.Get("LOC_GID").SetText("0x0103");
        throw SetupFailure::FromUtf8("Не удается открыть файл unit.s19.");
    });
    ASSERT_TRUE(Window().CommandAction(kLoadSetupCommand).isEnabled());
    Window().CommandAction(kLoadSetupCommand).trigger();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(static_cast<QLineEdit&>(WidgetOf(Entry("LOC_GID"))).text(), "0x0103");
    EXPECT_EQ(Dialogs().Messages(), std::vector<std::string>{"Не удается открыть файл unit.s19."});
    EXPECT_TRUE(Window().isVisible());
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

namespace quillon::testing {
namespace {

using WindowKeys = WindowTest;

TEST_F(WindowKeys, TheCurrentItemIsScrolledIntoViewAndTheControlsFollow) {
    ExpandExchangeChannels();
    QTest::keyClick(&Tree(), Qt::Key_End);
    const QModelIndex last = LastRow();
    ASSERT_EQ(Tree().currentIndex(), last);
    EXPECT_GE(VisibleRowTop(last), 0);
    EXPECT_TRUE(EveryControlBesideItsRow());

    QTest::keyClick(&Tree(), Qt::Key_Home);
    EXPECT_EQ(Tree().verticalScrollBar()->value(), 0);
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(&Tree(), Qt::Key_PageDown);
    }
    EXPECT_GE(VisibleRowTop(Tree().currentIndex()), 0);
    EXPECT_GT(Tree().verticalScrollBar()->value(), 0);
    EXPECT_TRUE(EveryControlBesideItsRow());
}

TEST_F(WindowKeys, AWheelOverAnUnfocusedControlOrTheEmptyColumnScrollsTheTree) {
    ExpandExchangeChannels();
    QComboBox* list = ShownList();
    ASSERT_NE(list, nullptr);
    const int selection = list->currentIndex();
    const int before = Tree().verticalScrollBar()->value();
    WheelNotch(*list, list->rect().center());
    EXPECT_EQ(list->currentIndex(), selection);
    EXPECT_GT(Tree().verticalScrollBar()->value(), before);
    EXPECT_TRUE(EveryControlBesideItsRow());

    const int scrolled = Tree().verticalScrollBar()->value();
    QWidget& column = Window().ClientArea();
    WheelNotch(column, QPoint(column.width() - 2, column.height() - 2));
    EXPECT_GT(Tree().verticalScrollBar()->value(), scrolled);

    // A focused list keeps its own wheel.
    list = ShownList(1);
    ASSERT_NE(list, nullptr);
    list->setCurrentIndex(0);
    list->setFocus();
    const int still = Tree().verticalScrollBar()->value();
    WheelNotch(*list, list->rect().center());
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(Tree().verticalScrollBar()->value(), still);
}

TEST_F(WindowKeys, TheAddressControlMovesBetweenFieldsFillsFromAPasteAndLetsShiftTabLeave) {
    Tree().expand(Heading({"Конфигурация каналов связи(loc)"}));
    Tree().expand(Heading({"Конфигурация каналов связи(loc)", "Основной канал"}));
    QApplication::processEvents();
    const auto& address =
        static_cast<const QtAddressControl&>(Entry("LOC_MAIN_CHAN_IP").GetControl(0));
    AddressEdit& edit = address.Address();
    ASSERT_TRUE(edit.isVisible());

    // Three digits fit every field beside the dots, with the line edit's margins.
    const int digits = edit.Field(0).fontMetrics().horizontalAdvance(QStringLiteral("888"));
    for (int i = 0; i < 4; ++i) {
        EXPECT_GE(edit.Field(i).width(), digits + 4) << i;
    }

    edit.Field(0).setFocus();
    QTest::keyClicks(&edit.Field(0), "10");
    QTest::keyClick(&edit.Field(0), Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), &edit.Field(1));
    QTest::keyClick(&edit.Field(1), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), &edit.Field(0));
    EXPECT_EQ(edit.Field(0).cursorPosition(), 2);

    edit.Field(2).setFocus();
    QApplication::clipboard()->setText(" 192.168.1.20 ");
    QTest::keyClick(&edit.Field(2), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(address.GetText(), "192.168.1.20");

    edit.Field(2).setFocus();
    QTest::keyClick(&edit.Field(2), Qt::Key_Backtab, Qt::ShiftModifier);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_FALSE(focus == &edit || edit.isAncestorOf(focus));
}

}  // namespace
}  // namespace quillon::testing
