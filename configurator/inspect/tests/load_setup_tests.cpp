// "Load Setup" as the window runs it: the open dialog, a damaged file refused in a message, the
// schedule table's save dialog, and nothing changed when a dialog is cancelled or a file fails.
#include "inspect/load_setup.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "image/save_setup.h"
#include "settings/cp1251.h"
#include "settings/setup_failure.h"
#include "settings/testing/scripted_dialogs.h"
#include "settings/testing/temp_folder.h"
#include "setup_fixture.h"

namespace quillon::inspect {
namespace {

using quillon::testing::ReadBytes;
using quillon::testing::ScriptedDialogs;
using Strings = std::vector<std::string>;

class LoadSetupCommand : public ::testing::Test {
protected:
    void SetUp() override {
        testing::Tree original;
        testing::SetLocal(original);
        testing::SetExternal(original, m_folder.Write("original.bin", "\x01\x02\x03"));
        original.Set("LOC_GID", "0x0103");
        std::vector<SetupAreaSlot> areas = StandardSetupAreas();
        std::ostringstream text;
        CompileSetup(original.Keys(), areas).WriteSRecords(text, false);
        m_setup = m_folder.Write("unit.s19", text.str());
    }

    testing::ScratchFolder m_folder;
    std::filesystem::path m_setup;
    testing::Tree m_tree;
    ScriptedDialogs m_dialogs;
};

TEST_F(LoadSetupCommand, AsksForTheFileThenWhereToSaveTheScheduleAndSetsTheTree) {
    m_dialogs.Answer(m_setup);
    m_dialogs.Answer(m_folder.Path() / "unit schedule.bin");
    RunLoadSetupCommand(m_tree.Keys(), m_dialogs);
    EXPECT_EQ(m_dialogs.Messages(), Strings{});
    EXPECT_EQ(m_dialogs.Questions(), (Strings{"open", "save"}));
    // The schedule table is proposed beside the setup file, named after it.
    EXPECT_EQ(m_dialogs.LastInitialPath(), m_folder.Path() / "unit_schedule.bin");
    EXPECT_EQ(m_dialogs.LastFilters(),
              (Strings{"Schedule files (*.bin)|*.bin", "All Files (*.*)|*.*"}));
    EXPECT_EQ(ReadBytes(m_folder.Path() / "unit schedule.bin"), "\x01\x02\x03");
    EXPECT_EQ(m_tree.Text("TIME_TABLE"), (m_folder.Path() / "unit schedule.bin").string());
    EXPECT_EQ(m_tree.Text("LOC_GID"), "0x0103");
}

TEST_F(LoadSetupCommand, OpensSRecordFilesFromTheCurrentFolder) {
    RunLoadSetupCommand(m_tree.Keys(), m_dialogs);
    EXPECT_EQ(m_dialogs.Questions(), Strings{"open"});
    EXPECT_EQ(m_dialogs.LastInitialPath(), std::filesystem::current_path() / "loc_.s19");
    EXPECT_EQ(m_dialogs.LastFilters(),
              (Strings{"S-Record files (*.s19)|*.s19", "All Files (*.*)|*.*"}));
    EXPECT_EQ(m_tree.Text("LOC_GID"), "");
}

TEST_F(LoadSetupCommand, RefusesADamagedFileInAMessageWithoutAskingForTheSchedule) {
    std::string text = ReadBytes(m_setup);
    text.erase(text.find(":3250003F800"));
    m_dialogs.Answer(m_folder.Write("damaged.s19", text));
    RunLoadSetupCommand(m_tree.Keys(), m_dialogs);
    EXPECT_EQ(m_dialogs.Questions(), Strings{"open"});
    EXPECT_EQ(m_dialogs.Messages(),
              Strings{"Файл настроек " + (m_folder.Path() / "damaged.s19").string() +
                      " не загружен, настройки не изменены. Проблемы (1):\n"
                      "  0x0003F800: в файле нет области"});
    EXPECT_EQ(m_tree.Text("LOC_GID"), "");
}

TEST_F(LoadSetupCommand, ShowsAtMostTwentyProblemsAndCountsTheRest) {
    std::vector<SetupProblem> problems(23, SetupProblem{3, std::nullopt, "x"});
    const std::string text = RefusalText("a.s19", problems, 20);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "Файл настроек a.s19 не загружен, настройки не изменены. Проблемы (23):");
    EXPECT_TRUE(text.ends_with("\n  строка 3: x\n  и ещё 3")) << text;
}

TEST_F(LoadSetupCommand, ChangesNothingWhenTheScheduleDialogIsCancelledOrTheFileFails) {
    m_dialogs.Answer(m_setup);
    m_dialogs.Answer(std::nullopt);
    RunLoadSetupCommand(m_tree.Keys(), m_dialogs);
    EXPECT_EQ(m_dialogs.Messages(), Strings{});
    EXPECT_EQ(m_tree.Text("LOC_GID"), "");

    const auto nowhere = m_folder.Path() / "нет" / "schedule.bin";
    m_dialogs.Answer(m_setup);
    m_dialogs.Answer(nowhere);
    RunLoadSetupCommand(m_tree.Keys(), m_dialogs);
    EXPECT_EQ(m_dialogs.Messages(),
              Strings{"Не удается записать файл с таблицей расписания " + nowhere.string() + "."});
    EXPECT_EQ(m_tree.Text("LOC_GID"), "");

    m_dialogs.Answer(m_folder.Path() / "missing.s19");
    RunLoadSetupCommand(m_tree.Keys(), m_dialogs);
    EXPECT_EQ(m_dialogs.Messages().back(),
              "Не удается открыть файл " + (m_folder.Path() / "missing.s19").string() + ".");
    EXPECT_EQ(m_tree.Text("LOC_GID"), "");
}

TEST_F(LoadSetupCommand, RefusesAScheduleNameTimeTableCannotSpell) {
    const SetupImport import = ReadSetupImport(m_setup);
    const auto name = m_folder.Path() / "расписание€✓.bin";
    try {
        ApplyLoadedSetup(import, name, m_tree.Keys());
        ADD_FAILURE() << "accepted";
    } catch (const SetupFailure& failure) {
        EXPECT_EQ(FromCp1251(failure.Message()),
                  "Имя файла " + FromCp1251(ToCp1251(name.string())) +
                      " нельзя записать в Windows-1251, в TIME_TABLE его не задать.");
    }
    EXPECT_FALSE(std::filesystem::exists(name));
    EXPECT_EQ(m_tree.Text("LOC_GID"), "");
}

}  // namespace
}  // namespace quillon::inspect
