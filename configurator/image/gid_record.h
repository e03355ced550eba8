// The identity record of the local and external areas: the GID as four upper-case hexadecimal
// digits and a zero byte.
#pragma once

#include <cstddef>
#include <string_view>

#include "settings/key_map.h"

namespace quillon {

class CArea;

inline constexpr size_t kGidRecordSize = 9;

// Checks the "<prefix>_GID" setting and returns the record size. A value above 0xFFFF (an INI
// file can set one) would need a fifth digit and is refused like the other field errors.
size_t GidRecordSize(std::string_view prefix, const KeyMap& keys);

// Resolves "RAY_0000_GID" and writes the record.
void WriteGidRecord(CArea& area, std::string_view prefix, size_t& cursor, const KeyMap& keys);

}  // namespace quillon
