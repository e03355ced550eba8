#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brivel {

// Data bytes in one S3 record of a file brivel writes: the line length srec_cat and the
// configurator use.
inline constexpr uint32_t kSRecordLineBytes = 32;

// The text of an S-record file holding data from address on: an S0 record with header as its
// text, S3 records of 32 data bytes (the last one shorter), an S7 record with start address 0;
// every line "S" and upper-case hexadecimal, ended by CR LF. Every byte is written, 0xFF
// included, so the file is the flash image itself and not a sparse one.
std::string FormatSRecordFile(uint32_t address, const std::vector<uint8_t>& data,
                              std::string_view header);

}  // namespace brivel
