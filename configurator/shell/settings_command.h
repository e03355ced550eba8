// A command the program gives the window, so that the window can offer what the shell does not
// link: "Load Setup" reads a setup file back with the inspector.
#pragma once

#include <functional>

#include "settings/key_map.h"
#include "settings/user_dialogs.h"

namespace quillon {

using SettingsCommand = std::function<void(KeyMap& keys, UserDialogs& dialogs)>;

}  // namespace quillon
