// The sections and identifiers of the three areas: what each directory entry leads to, which
// entries a directory must hold, and the meter groups behind the meter area's group codes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "inspect/area_format.h"
#include "inspect/area_report.h"

namespace quillon::inspect {

inline constexpr uint16_t kPasswordSection = 0x0000;
inline constexpr uint16_t kMs744Section = 0x0013;
inline constexpr uint16_t kPollSection = 0x0100;

// The meters of up to 32 meters of one type on one exchange channel.
struct MeterGroupInfo {
    int channel = 0;
    int meterType = 0;  // 0 M230 ... 7 CE303
    int ordinal = 0;    // meters 32 * ordinal + 1 onwards
};

// The group a meter area group code stands for; none for a code no group can have.
std::optional<MeterGroupInfo> GroupOfCode(uint16_t code);

// The code of group `ordinal` of a type on a channel; later groups count up from the first.
uint16_t GroupCodeOf(int channel, int meterType, int ordinal);

// Bytes of one network address in a group's address table.
size_t AddressWidth(int meterType);

bool SectionExists(AreaKind area, uint16_t section);

// What the entry with this identifier in the directory of this section leads to; none for an
// identifier that the section does not have.
std::optional<ItemKind> ItemUnder(AreaKind area, uint16_t section, uint16_t identifier);

// What is wrong with a directory's set of identifiers (one UTF-8 text each): entries it must
// have and lacks, entries given twice.
std::vector<std::string> DirectoryGaps(AreaKind area, uint16_t section,
                                       std::span<const uint16_t> identifiers);

// What is wrong with the identifiers of a section table.
std::vector<std::string> SectionTableGaps(AreaKind area, std::span<const uint16_t> sections);

}  // namespace quillon::inspect
