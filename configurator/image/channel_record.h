// The communication channel record of the local and external areas, and the bare strings that
// follow it. Both areas size and write their "MAIN" and "RSV" channels with these functions;
// prefix is the key prefix, "LOC" or "EXT".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "settings/key_map.h"

namespace quillon {

class CArea;

inline constexpr size_t kModemChannelRecordSize = 30;
inline constexpr size_t kEthernetChannelRecordSize = 40;

// "LOC_MAIN_CHAN_SYS" from "LOC", "MAIN" and "SYS".
std::string ChannelKey(std::string_view prefix, std::string_view channel, std::string_view item);

// Checks the channel type (and for a modem channel its APN text) and returns the record size.
size_t ChannelRecordSize(std::string_view prefix, std::string_view channel, const KeyMap& keys);

// Checks that the channel's text item (SYS, SRV, TRY or APN) is not empty and returns its
// length plus the terminating zero byte.
size_t ChannelStringSize(std::string_view prefix, std::string_view channel, std::string_view item,
                         const KeyMap& keys);

// The record and its strings, with every check in the order the user sees the messages.
size_t ChannelSize(std::string_view prefix, std::string_view channel, const KeyMap& keys);

// Resolves "RAY_0000_CHAN_<channel>" and writes the record followed by its strings.
void WriteChannelRecord(CArea& area, std::string_view prefix, std::string_view channel,
                        size_t& cursor, const KeyMap& keys);

}  // namespace quillon
