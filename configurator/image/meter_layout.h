// What the meter area holds for each meter type, and the identifiers of its sections and items.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/channel_counts.h"
#include "settings/meter_types.h"

namespace quillon {

// The communicator polls meters in groups of at most 32: one address table and one 32-bit mask
// per group.
inline constexpr int kMetersPerGroup = 32;

// Group code of the first group of (channel, meter type index); later groups count up from it.
// Four groups at most per type and channel, so the ranges never meet, and none reaches the two
// fixed section identifiers 0x0000 and 0x0013.
inline constexpr std::array<std::array<uint16_t, kMeterTypeCount>, kExchangeChannelCount>
    kGroupCodeBases = {{
        {0x0014, 0x001E, 0x0028, 0x0032, 0x006E, 0x007E, 0x0091, 0x00A1},
        {0x003C, 0x0046, 0x0050, 0x005A, 0x0076, 0x0086, 0x009B, 0x00AB},
    }};

struct MeterLayout {
    int passwordBoxes;    // 0: the type has no passwords
    int passwordBytes;    // bytes of each password; the rest of the 6 stored bytes are 0
    bool digitsOnly;      // every password byte a code of "0".."9"
    int addressWidth;     // bytes of a network address in the address table
    bool correctionMask;  // "Автокоррекция" boxes
    bool journalMasks;  // "Опрос журнала" and "Следить за статистикой" boxes
};

inline constexpr std::array<MeterLayout, kMeterTypeCount> kMeterLayouts = {{
    {3, 6, false, 1, true, false},   // M230
    {3, 6, false, 1, true, false},   // SEB
    {3, 6, false, 1, true, false},   // SET
    {0, 0, false, 4, false, false},  // M200
    {0, 0, false, 1, false, true},   // MS744
    {0, 0, false, 1, false, false},  // M601
    {3, 4, false, 2, false, false},  // CE102
    {2, 6, true, 4, false, false},   // CE303
}};

// Meter types with passwords, in the order their passwords are checked and tabulated.
inline constexpr std::array<int, 5> kPasswordTypes = {kMeterM230, kMeterSeb, kMeterSet, kMeterCe102,
                                                      kMeterCe303};

// CE303 meters have two password boxes; the third index of their password triples is this
// constant. Index 0 always names a password of the table, which is never empty when a CE303
// group exists, so a reader of the triple never lands outside the table.
inline constexpr int32_t kAbsentPasswordIndex = 0;

// Section identifiers.
inline constexpr uint16_t kPasswordSection = 0x0000;
inline constexpr uint16_t kMs744Section = 0x0013;

// Item identifiers.
inline constexpr uint16_t kAddressTableItem = 0x0008;
inline constexpr uint16_t kPasswordReferenceItem = 0x0009;
inline constexpr uint16_t kCorrectionMaskItem = 0x000A;
inline constexpr uint16_t kPasswordSetsItem = 0x000B;
inline constexpr uint16_t kPasswordTableItem = 0x000C;
inline constexpr uint16_t kMs744PollItem = 0x000D;
inline constexpr uint16_t kPollMaskItem = 0x000E;
inline constexpr uint16_t kStatisticsMaskItem = 0x000F;
inline constexpr uint16_t kTimeServerParamItem = 0x0010;
inline constexpr uint16_t kTimeServerAddressItem = 0x0011;
inline constexpr uint16_t kTimeServerPasswordItem = 0x0012;
inline constexpr uint16_t kMs744BaudItem = 0x001B;

// "CH1_SEB_5" from channel 1, the SEB type and meter number 5: the INI section of the meter and
// the stem of its keys.
inline std::string MeterName(int channel, int type, int number) {
    return "CH" + std::to_string(channel) + '_' + kMeterTypeTags[static_cast<size_t>(type)] + '_' +
           std::to_string(number);
}

// "CH1_SEB_5_NA" from channel 1, the SEB type, meter number 5 and "NA".
inline std::string MeterKey(int channel, int type, int number, std::string_view item) {
    std::string key = MeterName(channel, type, number);
    key += '_';
    key += item;
    return key;
}

}  // namespace quillon
