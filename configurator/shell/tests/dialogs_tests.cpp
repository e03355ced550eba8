// One test for each kind of real dialog the commands open: the message box, the save dialog
// and the open dialog.
#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "image/save_setup.h"
#include "settings/ini_file.h"
#include "settings/testing/temp_folder.h"
#include "settings/testing/tree_fixture.h"
#include "window_fixture.h"

namespace quillon::testing {
namespace {

class RealDialogs : public WindowTest {
protected:
    RealDialogs() : WindowTest(nullptr) {}
};

TEST_F(RealDialogs, ASetupFailureIsABoxCaptionedQuillonWithOneOkButton) {
    TempFolder folder;
    TreeFixture headless;
    ScriptedDialogs headlessDialogs;
    headlessDialogs.Answer(folder / "loc_.s19");
    RunSaveSetupCommand(headless.Keys(), headlessDialogs);
    ASSERT_EQ(headlessDialogs.Messages().size(), 1u);

    QString title;
    QString text;
    int buttons = -1;
    bool okButton = false;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        buttons = static_cast<int>(box.buttons().size());
        okButton = box.button(QMessageBox::Ok) != nullptr;
        box.button(QMessageBox::Ok)->click();
    });
    Window().CommandAction(kSaveSetupCommand).trigger();
    EXPECT_EQ(title, "Quillon");
    EXPECT_EQ(text.toStdString(), headlessDialogs.Messages().front());
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(okButton);
    EXPECT_TRUE(Window().isVisible());
}

TEST_F(RealDialogs, SaveIniFileAcceptsANewNameInTheSaveDialog) {
    TempFolder folder;
    const std::filesystem::path target = folder / "новый.ini";
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    QStringList filters;
    QString proposed;
    WhenModal<QFileDialog>([&](QFileDialog& dialog) {
        mode = dialog.acceptMode();
        filters = dialog.nameFilters();
        proposed = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        dialog.selectFile(QString::fromStdString(target.string()));
        static_cast<QDialog&>(dialog).accept();  // as the Save or Open button does
    });
    Entry("LOC_GID").SetText("0x0102");
    Window().CommandAction(kSaveIniCommand).trigger();
    EXPECT_EQ(mode, QFileDialog::AcceptSave);
    EXPECT_EQ(filters, QStringList({"Ini files (*.ini)", "All Files (*.*)"}));
    EXPECT_EQ(proposed, ".ini");
    ASSERT_TRUE(std::filesystem::exists(target));
    EXPECT_EQ(ReadBytes(target), FormatIniFile(Window().Keys()));
}

TEST_F(RealDialogs, TheBrowseButtonPutsTheFileChosenInTheOpenDialogIntoTheEditBox) {
    TempFolder folder;
    const std::filesystem::path schedule = folder / "schedule.bin";
    WriteBytes(schedule, "\x01\x02");
    QFileDialog::AcceptMode mode = QFileDialog::AcceptSave;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    WhenModal<QFileDialog>([&](QFileDialog& dialog) {
        mode = dialog.acceptMode();
        fileMode = dialog.fileMode();
        dialog.selectFile(QString::fromStdString(schedule.string()));
        static_cast<QDialog&>(dialog).accept();  // as the Save or Open button does
    });
    QTest::mouseClick(&WidgetOf(Entry("TIME_TABLE"), 1), Qt::LeftButton);
    EXPECT_EQ(mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(fileMode, QFileDialog::ExistingFile);
    EXPECT_EQ(Entry("TIME_TABLE").GetText(), ToCp1251(schedule.string()));
}

}  // namespace
}  // namespace quillon::testing
