// Small text helpers of the inspector's report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::inspect {

// Upper-case hexadecimal digits, zero-padded to the given count, without a prefix.
std::string HexDigits(uint64_t value, int digits);
// "0x0013": a section or item identifier, a group code, a checksum.
std::string Hex4(uint32_t value);
// "0x00000003": a mask.
std::string Hex8(uint32_t value);
// "0xFE".
std::string Hex2(uint32_t value);
// "0x0003F012": a flash address, spelt as the S-record lines spell it.
std::string FlashAddress(uint64_t address);

// Windows-1251 bytes from an area as UTF-8 in double quotes; control characters, quotes and
// backslashes are written as escapes, so nothing a file holds can steer the terminal.
std::string QuotedText(std::string_view cp1251);

}  // namespace quillon::inspect
