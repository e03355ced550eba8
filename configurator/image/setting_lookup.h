// Lookup of the settings that the area builders read.
#pragma once

#include <string>
#include <string_view>

#include "settings/setup_entry.h"

namespace quillon {

// The entry under a key the catalogue creates. A missing one is a fault of the program (the
// builder and the catalogue disagree), reported as AreaInternalError.
const CSetupEntry& FindSetting(const CSetupEntry& root, std::string_view key);

// "LOC_MAIN_CHAN_SYS" from "LOC", "MAIN" and "SYS".
std::string ChannelKey(std::string_view prefix, std::string_view channel, std::string_view item);

}  // namespace quillon
