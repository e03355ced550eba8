#pragma once

#include <vector>

namespace quillon {

class CSetupEntry;

// Entries that receive every command notification of the owner window, in order. The entries
// belong to the tree; the list belongs to the window.
using CommandListeners = std::vector<CSetupEntry*>;

}  // namespace quillon
