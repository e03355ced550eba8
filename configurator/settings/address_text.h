#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/editor_control.h"

namespace quillon {

// Reads up to four dot-separated parts into the fields. An empty part, a part that is not all
// decimal digits, and every missing part leave the field blank; a value above 255 is held as
// 255; parts after the fourth are ignored.
AddressFields ParseAddressText(std::string_view text);

// The four fields joined by dots, a blank field read as 0: an untouched control reads "0.0.0.0".
std::string FormatAddressText(const AddressFields& fields);

// The fields as one value, first field in the most significant byte, blank as 0.
uint32_t AddressValue(const AddressFields& fields);

}  // namespace quillon
