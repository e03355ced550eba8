// The window on a real X server (xcb under Xvfb): what depends on the platform's event
// delivery, its fonts and its styles. The rest is tested offscreen.
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QWheelEvent>

#include "shell/address_edit.h"
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
    ExpandExchangeChannels();
    QTest::keyClick(&Tree(), Qt::Key_End);
    QApplication::processEvents();
    const QModelIndex last = LastRow();
    EXPECT_EQ(Tree().currentIndex(), last);
    EXPECT_GE(VisibleRowTop(last), 0);
    EXPECT_TRUE(PlacedBesideRow(last));
    EXPECT_TRUE(EveryControlBesideItsRow());
}

TEST_F(OnXServer, AWheelNotchOverAnUnfocusedDropDownScrollsTheTreeAndKeepsItsValue) {
    ExpandExchangeChannels();
    QComboBox* list = ShownList();
    ASSERT_NE(list, nullptr);
    const int selection = list->currentIndex();
    const int scroll = Tree().verticalScrollBar()->value();
    WheelNotch(*list, list->rect().center());
    QApplication::processEvents();
    EXPECT_EQ(list->currentIndex(), selection);
    EXPECT_GT(Tree().verticalScrollBar()->value(), scroll);
    EXPECT_TRUE(EveryControlBesideItsRow());
}

}  // namespace
}  // namespace quillon::testing

namespace quillon::testing {
namespace {

// At any scale factor (the ctest runs this one at 2 too) the inner rows of the address
// control read the same under a dot as under the fields beside it: no marks.
TEST_F(OnXServer, TheAddressControlsDotsLeaveNoMarksOnItsFrame) {
    Tree().expand(Heading({"Конфигурация каналов связи(loc)"}));
    Tree().expand(Heading({"Конфигурация каналов связи(loc)", "Основной канал"}));
    QApplication::processEvents();
    const auto& address =
        static_cast<const QtAddressControl&>(Entry("LOC_MAIN_CHAN_IP").GetControl(0));
    AddressEdit& edit = address.Address();
    ASSERT_TRUE(edit.isVisible());
    const QImage image = edit.grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const QRect inner = edit.contentsRect();
    for (int i = 0; i < 3; ++i) {
        const QRect field = edit.Field(i).geometry();
        const int dotX = static_cast<int>((field.right() + 2) * ratio);
        const int fieldX = static_cast<int>((field.center().x()) * ratio);
        for (int y = static_cast<int>(inner.center().y() * ratio + 6 * ratio);
             y < static_cast<int>((inner.bottom() + 1) * ratio); ++y) {
            EXPECT_EQ(image.pixel(dotX, y), image.pixel(fieldX, y))
                << "dot " << i << " device row " << y << " at scale " << ratio;
        }
    }
}

}  // namespace
}  // namespace quillon::testing
