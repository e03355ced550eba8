// INI settings files: every setting of the tree saved as Windows-1251 text with CR LF line
// ends, and such a file loaded back into the tree.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "settings/key_map.h"
#include "settings/user_dialogs.h"

namespace quillon {

// The bytes "Save Ini-file" writes: the sections LOC_SETUP, EXT_SETUP, CH1_MS744 and
// TIME_SERVER as the private-profile writer makes them, then one section per meter and per
// MS744 controller whose address entry exists. Keys without an entry are left out.
std::string FormatIniFile(const KeyMap& keys);

// Applies the lines of an INI file to the entries they name. Lines that name nothing, and any
// bytes that are no INI line, are skipped; values are stored unchecked, up to a zero byte.
void ApplyIniText(std::string_view text, KeyMap& keys);

// Whether the line "key=value" in a section whose name does not begin with "CH0_" or "CH1_"
// sets a value: the key names an entry that holds one, and a password key a box it has.
bool IniKeySetsValue(std::string_view key, const KeyMap& keys);

// Writes the file; the previous file at the path stays whole until the new one is complete.
// Raises SetupFailure "Не удалось сохранить настройки." when it cannot be written.
void SaveIniFile(const std::filesystem::path& path, const KeyMap& keys);

// Reads the whole file, then applies it. Raises SetupFailure "Не удалось загрузить настройки."
// when it cannot be read; the tree is then unchanged.
void LoadIniFile(const std::filesystem::path& path, KeyMap& keys);

// "Save Ini-file": asks for the path, proposing "<current folder>/.ini", saves and shows a
// failure's message. A cancelled dialog does nothing.
void RunSaveIniCommand(const KeyMap& keys, UserDialogs& dialogs);

// "Load Ini-file": asks for the file, loads it and shows a failure's message.
void RunLoadIniCommand(KeyMap& keys, UserDialogs& dialogs);

}  // namespace quillon
