#pragma once

#include <span>

#include "settings/catalogue_rows.h"

namespace quillon {

// Every fixed node of the settings tree in tree order, depth 0 being the top level below the
// root; kMeters rows mark where the meter nodes of a keyed heading are built.
std::span<const NodeRow> FixedNodeRows();

}  // namespace quillon
