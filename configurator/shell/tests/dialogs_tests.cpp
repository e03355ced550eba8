// One test for each kind of real dialog the commands open: the message box, the save dialog
// and the open dialog.
#include <QAbstractButton>
#include <QComboBox>
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

// Types the whole path into the dialog's name box and accepts, as the Save or Open button
// does. (selectFile leaves the box alone while it has the focus, and when the dialog takes
// the focus depends on the platform's timing.)
void Choose(QFileDialog& dialog, const std::filesystem::path& path) {
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(path.string()));
    static_cast<QDialog&>(dialog).accept();
}

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
    QStringList shown;
    QString proposed;
    WhenModal<QFileDialog>([&](QFileDialog& dialog) {
        mode = dialog.acceptMode();
        filters = dialog.nameFilters();
        const auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; types != nullptr && i < types->count(); ++i) {
            shown.append(types->itemText(i));
        }
        proposed = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        Choose(dialog, target);
    });
    Entry("LOC_GID").SetText("0x0102");
    Window().CommandAction(kSaveIniCommand).trigger();
    EXPECT_EQ(mode, QFileDialog::AcceptSave);
    // The labels as they stand; every file, a name without a dot included, under the last.
    EXPECT_EQ(shown, QStringList({"Ini files (*.ini)", "All Files (*.*)"}));
    EXPECT_EQ(filters, QStringList({"Ini files (*.ini) (*.ini)", "All Files (*.*) (*)"}));
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
        Choose(dialog, schedule);
    });
    QTest::mouseClick(&WidgetOf(Entry("TIME_TABLE"), 1), Qt::LeftButton);
    EXPECT_EQ(mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(fileMode, QFileDialog::ExistingFile);
    EXPECT_EQ(Entry("TIME_TABLE").GetText(), ToCp1251(schedule.string()));
}

}  // namespace
}  // namespace quillon::testing
