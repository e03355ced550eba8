// The two INI menu commands over the user's dialogs.
#include <array>
#include <system_error>

#include "settings/ini_file.h"
#include "settings/setup_failure.h"

namespace quillon {
namespace {

constexpr std::array<FileFilter, 2> kIniFilters = {{
    {"Ini files (*.ini)", "*.ini"},
    {"All Files (*.*)", "*.*"},
}};

// The name box shows the current folder and the bare extension.
FileQuestion IniQuestion() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return {error ? std::filesystem::path(".ini") : folder / ".ini", kIniFilters};
}

}  // namespace

void RunSaveIniCommand(const KeyMap& keys, UserDialogs& dialogs) {
    const auto path = dialogs.AskSavePath(IniQuestion());
    if (!path) {
        return;
    }
    try {
        SaveIniFile(*path, keys);
    } catch (const SetupFailure& failure) {
        dialogs.ShowMessage(failure.Message());
    }
}

void RunLoadIniCommand(KeyMap& keys, UserDialogs& dialogs) {
    const auto path = dialogs.AskOpenPath(IniQuestion());
    if (!path) {
        return;
    }
    try {
        LoadIniFile(*path, keys);
    } catch (const SetupFailure& failure) {
        dialogs.ShowMessage(failure.Message());
    }
}

}  // namespace quillon
