#pragma once

#include <string>
#include <string_view>

namespace quillon {

// Converts UTF-8 text to Windows-1251 bytes. A character without a Windows-1251 form, and each
// byte of a malformed UTF-8 sequence, becomes '?'.
std::string ToCp1251(std::string_view utf8);

// Converts Windows-1251 bytes to UTF-8. Every byte has a form, so FromCp1251 followed by
// ToCp1251 gives back the original bytes.
std::string FromCp1251(std::string_view bytes);

}  // namespace quillon
