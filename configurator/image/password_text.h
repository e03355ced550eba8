// Meter passwords as the user types them: byte values separated by commas.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quillon {

// A password as the communicator stores it; shorter passwords are padded with zero bytes.
using PasswordBytes = std::array<uint8_t, 6>;

// Reads exactly byteCount items (2..6) as unsigned numbers in automatic base ("0x" hexadecimal,
// a leading "0" octal), each at most 255, or with digitsOnly one of the codes of "0" to "9".
// Runs of commas count as one separator. With byteCount 6 items after the sixth are not read.
// Gives nothing for too few or too many items, a value out of range or anything left over in
// an item.
std::optional<PasswordBytes> ParsePassword(std::string_view text, int byteCount, bool digitsOnly);

}  // namespace quillon
