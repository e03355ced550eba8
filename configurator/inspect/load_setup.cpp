#include "inspect/load_setup.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "settings/atomic_file.h"
#include "settings/cp1251.h"
#include "settings/setup_entry.h"
#include "settings/setup_failure.h"

namespace quillon::inspect {
namespace {

namespace fs = std::filesystem;

// A message box has room for this many problems; the rest are counted.
constexpr size_t kProblemsShown = 20;

constexpr std::array<FileFilter, 2> kSetupFilters = {{
    {"S-Record files (*.s19)", "*.s19"},
    {"All Files (*.*)", "*.*"},
}};

constexpr std::array<FileFilter, 2> kScheduleFilters = {{
    {"Schedule files (*.bin)", "*.bin"},
    {"All Files (*.*)", "*.*"},
}};

fs::path CurrentFolder() {
    std::error_code error;
    const fs::path folder = fs::current_path(error);
    return error ? fs::path() : folder;
}

// Beside the setup file, named after it: "unit.s19" proposes "unit_schedule.bin".
fs::path ProposedSchedulePath(const fs::path& setup) {
    return setup.parent_path() / (setup.stem().string() + "_schedule.bin");
}

}  // namespace

SetupImport ReadSetupImport(const fs::path& path) {
    const std::optional<std::string> content = ReadSetupFileText(path.string());
    if (!content) {
        throw SetupFailure(ToCp1251("Не удается открыть файл " + path.string() + "."));
    }
    return ImportSetupText(*content);
}

std::string RefusalText(const fs::path& path, const std::vector<SetupProblem>& problems,
                        size_t limit) {
    std::string text = "Файл настроек " + path.string() +
                       " не загружен, настройки не изменены. Проблемы (" +
                       std::to_string(problems.size()) + "):";
    for (size_t i = 0; i < problems.size() && i < limit; ++i) {
        text += "\n  " + ProblemPlace(problems[i]) + ": " + problems[i].text;
    }
    if (problems.size() > limit) {
        text += "\n  и ещё " + std::to_string(problems.size() - limit);
    }
    return text;
}

void ApplyLoadedSetup(const SetupImport& import, const std::optional<fs::path>& schedule,
                      KeyMap& keys) {
    if (!import.problems.empty()) {
        throw std::logic_error("setup import: a refused file cannot be applied");
    }
    CSetupEntry* timeTable = keys.Find("TIME_TABLE");
    if (timeTable == nullptr) {
        throw std::logic_error("setup import: no setting TIME_TABLE");
    }
    std::string name;
    if (schedule) {
        // The setting holds Windows-1251; a file name it cannot spell would name another file.
        name = ToCp1251(schedule->string());
        if (FromCp1251(name) != schedule->string()) {
            throw SetupFailure(ToCp1251("Имя файла " + schedule->string() +
                                        " нельзя записать в Windows-1251, в TIME_TABLE его "
                                        "не задать."));
        }
        const std::string_view bytes(reinterpret_cast<const char*>(import.schedule.data()),
                                     import.schedule.size());
        if (!WriteFileAtomically(*schedule, bytes)) {
            throw SetupFailure(ToCp1251("Не удается записать файл с таблицей расписания " +
                                        schedule->string() + "."));
        }
    }
    ApplySetupImport(import, keys);
    timeTable->SetText(name);
}

void RunLoadSetupCommand(KeyMap& keys, UserDialogs& dialogs) {
    const std::optional<fs::path> path =
        dialogs.AskOpenPath({CurrentFolder() / "loc_.s19", kSetupFilters});
    if (!path) {
        return;
    }
    try {
        const SetupImport import = ReadSetupImport(*path);
        if (!import.problems.empty()) {
            dialogs.ShowMessage(ToCp1251(RefusalText(*path, import.problems, kProblemsShown)));
            return;
        }
        const std::optional<fs::path> schedule =
            dialogs.AskSavePath({ProposedSchedulePath(*path), kScheduleFilters});
        if (!schedule) {
            return;
        }
        ApplyLoadedSetup(import, schedule, keys);
    } catch (const SetupFailure& failure) {
        dialogs.ShowMessage(failure.Message());
    }
}

}  // namespace quillon::inspect
