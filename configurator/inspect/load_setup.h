// "Load Setup": a setup file read back into the settings tree, with its schedule table saved to
// a file of its own, since the tree holds the table only as the name of a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "inspect/setup_import.h"
#include "settings/key_map.h"
#include "settings/user_dialogs.h"

namespace quillon::inspect {

// Reads and imports the file; nothing is set. Raises SetupFailure "Не удается открыть файл
// <path>." when it cannot be read.
SetupImport ReadSetupImport(const std::filesystem::path& path);

// Why the file was not loaded, with its problems one a line, at most `limit` of them. UTF-8.
std::string RefusalText(const std::filesystem::path& path,
                        const std::vector<SetupProblem>& problems, size_t limit = SIZE_MAX);

// Writes the schedule table to its file (in place of the file at the path, whole or not at
// all), then sets the tree from a sound import, with TIME_TABLE naming that file, or empty
// without one. Raises SetupFailure with the tree unchanged when the name cannot be held in
// TIME_TABLE or the file cannot be written.
void ApplyLoadedSetup(const SetupImport& import,
                      const std::optional<std::filesystem::path>& schedule, KeyMap& keys);

// The menu command: asks for the setup file, refuses a damaged one with its problems, asks
// where to save the schedule table, then sets the tree. Cancelling either dialog changes
// nothing.
void RunLoadSetupCommand(KeyMap& keys, UserDialogs& dialogs);

}  // namespace quillon::inspect
