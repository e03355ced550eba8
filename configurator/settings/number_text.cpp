#include "settings/number_text.h"

namespace quillon {
namespace {

constexpr uint32_t kSaturated = 0xFFFFFFFFu;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return 99;
}

bool HasHexPrefix(std::string_view text, size_t pos) {
    return pos + 2 < text.size() && text[pos] == '0' &&
           (text[pos + 1] == 'x' || text[pos + 1] == 'X') && DigitValue(text[pos + 2]) < 16;
}

}  // namespace

NumberText ParseNumberText(std::string_view text, int base) {
    if (base < 0 || base == 1 || base > 36) {
        return {};
    }
    size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // "0x" only counts as a prefix when a hexadecimal digit follows; otherwise the 0 alone is
    // the number and the conversion stops at the x.
    if ((base == 0 || base == 16) && HasHexPrefix(text, pos)) {
        base = 16;
        pos += 2;
    } else if (base == 0) {
        base = (pos < text.size() && text[pos] == '0') ? 8 : 10;
    }

    const size_t firstDigit = pos;
    const auto radix = static_cast<uint32_t>(base);
    uint32_t value = 0;
    bool overflow = false;
    for (; pos < text.size(); ++pos) {
        const int digit = DigitValue(text[pos]);
        if (digit >= base) {
            break;
        }
        const auto d = static_cast<uint32_t>(digit);
        if (overflow || value > (kSaturated - d) / radix) {
            overflow = true;
        } else {
            value = value * radix + d;
        }
    }
    if (pos == firstDigit) {
        return {};
    }
    if (overflow) {
        return {kSaturated, pos};
    }
    return {negative ? 0u - value : value, pos};
}

}  // namespace quillon
