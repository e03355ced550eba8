#pragma once

#include <map>
#include <string>

namespace quillon {

class CSetupEntry;

// Setup key to entry, filled once by RegisterKeys; a key registered twice keeps the last entry.
using KeyMap = std::map<std::string, CSetupEntry*>;

}  // namespace quillon
