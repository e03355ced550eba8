#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillon {

struct NumberText {
    uint32_t value = 0;
    // Bytes of the text the conversion used; 0 when the text holds no number.
    size_t consumed = 0;
};

// The unsigned-long text conversion of the C library, fixed to 32 bits: leading white space, an
// optional sign (minus negates modulo 2^32), base 0 choosing 0x/0X hexadecimal, 0 octal or
// decimal, digits up to the first one outside the base, 4294967295 for anything larger.
// A base outside 0 and 2..36 converts nothing. No locale is consulted.
NumberText ParseNumberText(std::string_view text, int base);

}  // namespace quillon
