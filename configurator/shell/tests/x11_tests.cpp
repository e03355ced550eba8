// The window on a real X server (xcb under Xvfb): what depends on the platform's event
// delivery, its fonts and its styles. The rest is tested offscreen.
#include <QComboBox>
#include <QGuiApplication>
#include <QScrollBar>
#include <QWheelEvent>

#include "window_fixture.h"

namespace quillon::testing {
namespace {

class OnXServer : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb")
            << "this test needs an X server: run it through xvfb-run";
    }
};

TEST_F(OnXServer, EndAfterExpandingTheExchangeChannelsShowsTheLastRowWithItsControls) {
    Tree().setFocus();
    Tree().setCurrentIndex(Heading({"Настройки каналов обмена"}));
    QTest::keyClick(&Tree(), Qt::Key_Asterisk);
    QTest::keyClick(&Tree(), Qt::Key_End);
    QApplication::processEvents();

    QModelIndex last = Model().index(Model().rowCount() - 1, 0);
    while (Tree().isExpanded(last) && Model().rowCount(last) > 0) {
        last = Model().index(Model().rowCount(last) - 1, 0, last);
    }
    EXPECT_EQ(Tree().currentIndex(), last);
    EXPECT_GE(VisibleRowTop(last), 0);
    EXPECT_TRUE(PlacedBesideRow(last));
    EXPECT_TRUE(EveryControlBesideItsRow());
}

TEST_F(OnXServer, AWheelNotchOverAnUnfocusedDropDownScrollsTheTreeAndKeepsItsValue) {
    Tree().setFocus();
    Tree().setCurrentIndex(Heading({"Настройки каналов обмена"}));
    QTest::keyClick(&Tree(), Qt::Key_Asterisk);
    QApplication::processEvents();
    QComboBox* list = nullptr;
    for (QComboBox* candidate : Window().ClientArea().findChildren<QComboBox*>()) {
        if (candidate->isVisible()) {
            list = candidate;
            break;
        }
    }
    ASSERT_NE(list, nullptr);
    const int selection = list->currentIndex();
    const int scroll = Tree().verticalScrollBar()->value();
    const QPoint at = list->rect().center();
    QWheelEvent wheel(at, list->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &wheel);
    QApplication::processEvents();
    EXPECT_EQ(list->currentIndex(), selection);
    EXPECT_GT(Tree().verticalScrollBar()->value(), scroll);
    EXPECT_TRUE(EveryControlBesideItsRow());
}

}  // namespace
}  // namespace quillon::testing
