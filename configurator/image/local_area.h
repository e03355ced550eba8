// The local-module setup area: the communicator's GID and its main and reserve channels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "image/area.h"
#include "settings/key_map.h"

namespace quillon {

class CStpAreaLoc : public CArea {
public:
    // Checks the settings, stopping at the first failure, and returns the area's exact size.
    size_t GetSize(const KeyMap& keys) const;

    // Writes the area into a buffer of exactly GetSize bytes.
    void Build(std::span<uint8_t> buffer, const KeyMap& keys);
};

}  // namespace quillon
