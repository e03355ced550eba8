#pragma once

#include <memory>

#include "settings/command_listeners.h"
#include "settings/control_factory.h"
#include "settings/setup_entry.h"

namespace quillon {

inline constexpr int kFixedNodeCount = 125;
inline constexpr int kCatalogueEntryCount = 3807;
inline constexpr int kCatalogueControlCount = 6078;

// Builds the whole settings tree in tree order, every control created by the owner, and adds
// the schedule-table entry TIME_TABLE to the listeners. Returns the root: an entry without
// caption or key above the seven top-level nodes. The keys are not registered yet.
std::unique_ptr<CSetupEntry> BuildCatalogue(ControlFactory& owner, CommandListeners& listeners);

}  // namespace quillon
