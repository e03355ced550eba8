// The column of editor controls following the visible rows of the tree.
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>

#include "shell/control_placer.h"
#include "window_fixture.h"

namespace quillon::testing {
namespace {

class Placement : public WindowTest {
protected:
    const char* const kLocChannels = "Конфигурация каналов связи(loc)";
    const char* const kMainChannel = "Основной канал";
    const char* const kLocMainKeys[8] = {
        "LOC_MAIN_CHAN_TYPE", "LOC_MAIN_CHAN_SYS",  "LOC_MAIN_CHAN_SRV",  "LOC_MAIN_CHAN_TRY",
        "LOC_MAIN_CHAN_IP",   "LOC_MAIN_CHAN_GATE", "LOC_MAIN_CHAN_MASK", "LOC_MAIN_CHAN_APN"};

    int ItemHeight() { return Tree().visualRect(Model().index(0, 0)).height(); }
};

TEST_F(Placement, AtStartOnlyTheTopLevelScheduleFileRowHasVisibleControls) {
    for (int row = 0; row < Model().rowCount(); ++row) {
        EXPECT_FALSE(Tree().isExpanded(Model().index(row, 0))) << row;
    }
    EXPECT_EQ(Window().Placer().PlacedRowCount(), Model().rowCount());
    const QModelIndex schedule = Item("TIME_TABLE");
    EXPECT_TRUE(PlacedBesideRow(schedule));
    EXPECT_TRUE(WidgetOf(Entry("TIME_TABLE"), 0).isVisible());
    EXPECT_TRUE(WidgetOf(Entry("TIME_TABLE"), 1).isVisible());
    EXPECT_FALSE(WidgetOf(Entry("LOC_GID")).isVisible());
    EXPECT_TRUE(EveryControlBesideItsRow());
}

TEST_F(Placement, ExpandingTheLocalChannelsShowsTheGidBoxLevelWithItsRow) {
    Tree().expand(Heading({kLocChannels}));
    const QWidget& gid = WidgetOf(Entry("LOC_GID"));
    ASSERT_TRUE(gid.isVisible());
    EXPECT_EQ(gid.pos(), QPoint(ColumnX(), VisibleRowTop(Item("LOC_GID"))));
    EXPECT_EQ(gid.x(), Tree().geometry().right() + 1 + 8);
}

TEST_F(Placement, ExpandingTheMainChannelShowsItsEightControlsAndMovesTheRowsBelow) {
    Tree().expand(Heading({kLocChannels}));
    const QWidget& schedule = WidgetOf(Entry("TIME_TABLE"));
    const int scheduleBefore = schedule.y();

    Tree().expand(Heading({kLocChannels, kMainChannel}));
    for (const char* key : kLocMainKeys) {
        EXPECT_TRUE(PlacedBesideRow(Item(key))) << key;
        EXPECT_TRUE(WidgetOf(Entry(key)).isVisible()) << key;
    }
    EXPECT_EQ(schedule.y(), scheduleBefore + 8 * ItemHeight());
    EXPECT_TRUE(PlacedBesideRow(Item("TIME_TABLE")));
}

TEST_F(Placement, CollapsingAHeadingHidesEveryControlBelowItAndExpandingRestoresThemWithValues) {
    const QModelIndex heading = Heading({kLocChannels});
    Tree().expand(heading);
    Tree().expand(Heading({kLocChannels, kMainChannel}));
    Tree().expand(Heading({kLocChannels, "Резервный канал"}));
    Entry("LOC_GID").SetText("0x0102");
    Entry("LOC_MAIN_CHAN_TYPE").SetSelection(1);
    Entry("LOC_RSV_CHAN_IP").SetText("10.0.0.7");

    Tree().collapse(heading);
    for (const char* key :
         {"LOC_GID", "LOC_MAIN_CHAN_TYPE", "LOC_MAIN_CHAN_APN", "LOC_RSV_CHAN_IP"}) {
        EXPECT_FALSE(WidgetOf(Entry(key)).isVisible()) << key;
    }
    EXPECT_TRUE(EveryControlBesideItsRow());

    Tree().expand(heading);
    EXPECT_TRUE(WidgetOf(Entry("LOC_RSV_CHAN_IP")).isVisible());
    EXPECT_EQ(Entry("LOC_GID").GetText(), "0x0102");
    EXPECT_EQ(Entry("LOC_MAIN_CHAN_TYPE").GetSelection(), 1);
    EXPECT_EQ(Entry("LOC_RSV_CHAN_IP").GetText(), "10.0.0.7");
    EXPECT_TRUE(EveryControlBesideItsRow());
}

TEST_F(Placement, ARowCutByTheBottomEdgeHasItsControlsHidden) {
    Tree().expand(Heading({"Настройки журнала"}));
    Tree().expand(Heading({"Настройки журнала", "Игнорируемые журнальные записи"}));
    // Make the view end in the middle of a row.
    const int itemHeight = ItemHeight();
    while (Tree().viewport()->height() % itemHeight < itemHeight / 3) {
        Window().resize(Window().width(), Window().height() + 3);
    }
    const int viewHeight = Tree().viewport()->height();
    const QModelIndex cut = Tree().indexAt(QPoint(0, viewHeight - 1));
    ASSERT_TRUE(cut.isValid());
    ASSERT_GT(Tree().visualRect(cut).bottom() + 1, viewHeight);
    const CSetupEntry& cutEntry = *Model().EntryAt(cut);
    ASSERT_EQ(cutEntry.GetControlCount(), 1u);

    EXPECT_FALSE(WidgetOf(cutEntry).isVisible());
    const QModelIndex above = Tree().indexAbove(cut);
    EXPECT_TRUE(WidgetOf(*Model().EntryAt(above)).isVisible());
    EXPECT_TRUE(EveryControlBesideItsRow());
}

// The edge to the pixel: a row that ends exactly at the bottom of the visible area is shown,
// one that ends a pixel below it is not.
TEST_F(Placement, TheLastRowIsShownWhenItEndsAtTheBottomEdgeAndHiddenOnePixelBelow) {
    Tree().expand(Heading({"Настройки журнала"}));
    Tree().expand(Heading({"Настройки журнала", "Игнорируемые журнальные записи"}));
    const int itemHeight = ItemHeight();
    for (const int below : {0, 1}) {
        SCOPED_TRACE(below);
        // Viewport heights follow the window's one for one.
        const int rows = Tree().viewport()->height() / itemHeight + 1;
        const int wanted = rows * itemHeight - below;
        Window().resize(Window().width(), Window().height() + wanted - Tree().viewport()->height());
        QApplication::processEvents();
        ASSERT_EQ(Tree().viewport()->height(), wanted);
        const QModelIndex last = Tree().indexAt(QPoint(0, wanted - 1));
        ASSERT_TRUE(last.isValid());
        ASSERT_EQ(Tree().visualRect(last).bottom() + 1, wanted + below);
        const CSetupEntry& entry = *Model().EntryAt(last);
        ASSERT_EQ(entry.GetControlCount(), 1u);
        EXPECT_EQ(WidgetOf(entry).isVisible(), below == 0);
        EXPECT_TRUE(WidgetOf(*Model().EntryAt(Tree().indexAbove(last))).isVisible());
    }
}

TEST_F(Placement, ThreePasswordBoxesOfWidth100StandSideBySide) {
    const QModelIndex passwords = Item("CH0_M230_1_PASS");
    ExpandTo(passwords);
    Tree().scrollTo(passwords, QAbstractItemView::PositionAtCenter);
    const CSetupEntry& entry = Entry("CH0_M230_1_PASS");
    ASSERT_EQ(entry.GetControlCount(), 3u);
    const int top = VisibleRowTop(passwords);
    ASSERT_GE(top, 0);
    for (size_t box = 0; box < 3; ++box) {
        const QWidget& widget = WidgetOf(entry, box);
        EXPECT_TRUE(widget.isVisible()) << box;
        EXPECT_EQ(widget.geometry(),
                  QRect(ColumnX() + 100 * static_cast<int>(box), top, 100, widget.height()))
            << box;
    }
}

TEST_F(Placement, ScrollingMovesTheControlsWithTheirRowsAndHidesThoseScrolledOut) {
    Tree().expand(Heading({kLocChannels}));
    Tree().expand(Heading({kLocChannels, kMainChannel}));
    Tree().expand(Heading({kLocChannels, "Резервный канал"}));
    const int typeTop = WidgetOf(Entry("LOC_MAIN_CHAN_TYPE")).y();

    Tree().verticalScrollBar()->setValue(2);  // one row per step: the heading and GID go
    EXPECT_FALSE(WidgetOf(Entry("LOC_GID")).isVisible());
    EXPECT_TRUE(WidgetOf(Entry("LOC_MAIN_CHAN_TYPE")).isVisible());
    EXPECT_EQ(WidgetOf(Entry("LOC_MAIN_CHAN_TYPE")).y(), typeTop - 2 * ItemHeight());
    EXPECT_TRUE(EveryControlBesideItsRow());

    Tree().verticalScrollBar()->setValue(0);
    EXPECT_EQ(WidgetOf(Entry("LOC_MAIN_CHAN_TYPE")).y(), typeTop);
    EXPECT_TRUE(EveryControlBesideItsRow());
}

TEST_F(Placement, EveryControlFollowsItsRowThroughExpandsCollapsesScrollsAndResizes) {
    QScrollBar& scroll = *Tree().verticalScrollBar();
    Tree().expandAll();
    EXPECT_TRUE(EveryControlBesideItsRow()) << "after expandAll";
    scroll.setValue(scroll.maximum() / 2);
    EXPECT_TRUE(EveryControlBesideItsRow()) << "after scrolling half way";
    Tree().collapse(Heading({"Настройки каналов обмена", "Канал 0"}));
    EXPECT_TRUE(EveryControlBesideItsRow()) << "after collapsing channel 0";
    scroll.setValue(scroll.maximum());
    EXPECT_TRUE(EveryControlBesideItsRow()) << "at the bottom";
    Window().resize(Window().width() + 120, Window().height() + 57);
    EXPECT_TRUE(EveryControlBesideItsRow()) << "after growing the window";
    Tree().collapseAll();
    EXPECT_TRUE(EveryControlBesideItsRow()) << "after collapseAll";
    Tree().expandRecursively(Heading({"Настройки каналов обмена"}));
    EXPECT_TRUE(EveryControlBesideItsRow()) << "after expandRecursively";
    scroll.triggerAction(QAbstractSlider::SliderPageStepAdd);
    scroll.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_TRUE(EveryControlBesideItsRow()) << "after two pages down";
    Tree().horizontalScrollBar()->setValue(Tree().horizontalScrollBar()->maximum());
    EXPECT_TRUE(EveryControlBesideItsRow()) << "after scrolling sideways";
    Window().resize(Window().minimumSize());
    EXPECT_TRUE(EveryControlBesideItsRow()) << "after shrinking the window";
}

TEST_F(Placement, AFocusedControlScrolledOutHandsTheFocusToTheTree) {
    Tree().expand(Heading({kLocChannels}));
    QWidget& gid = WidgetOf(Entry("LOC_GID"));
    gid.setFocus();
    ASSERT_EQ(QApplication::focusWidget(), &gid);

    Tree().collapse(Heading({kLocChannels}));
    EXPECT_EQ(QApplication::focusWidget(), &Tree());
    QTest::keyClicks(QApplication::focusWidget(), "7");
    EXPECT_EQ(Entry("LOC_GID").GetText(), "");
    EXPECT_EQ(Entry("TIME_TABLE").GetText(), "");
}

}  // namespace
}  // namespace quillon::testing
