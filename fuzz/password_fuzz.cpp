// quillon's ParsePassword against a reference written from the password rules, with the item
// conversion done by the C library's strtoul (glibc, 64-bit) narrowed to the 32-bit unsigned
// long the rules were written for.
//
// Input: one byte choosing the byte count (2..6) and the digits-only flag, then the text.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "image/password_text.h"

namespace {

using quillon::PasswordBytes;

struct Converted {
    uint32_t value;
    size_t consumed;
};

Converted StrtoulAs32Bit(const std::string& item) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long result = std::strtoul(item.c_str(), &end, 0);
    const bool overflow = errno == ERANGE;
    const size_t consumed = static_cast<size_t>(end - item.c_str());
    size_t first = 0;
    while (first < item.size() &&
           std::string_view(" \t\n\v\f\r").find(item[first]) != std::string_view::npos) {
        ++first;
    }
    const bool negative = first < item.size() && item[first] == '-';
    uint64_t magnitude = negative ? 0 - result : result;
    if (overflow || magnitude > 0xFFFFFFFFu) {
        return {0xFFFFFFFFu, consumed};
    }
    const auto value = static_cast<uint32_t>(magnitude);
    return {negative ? 0u - value : value, consumed};
}

std::optional<PasswordBytes> Reference(std::string_view text, int byteCount, bool digitsOnly) {
    // Items: the text split at commas, empty pieces dropped.
    std::vector<std::string> items;
    std::string piece;
    for (char c : text) {
        if (c == ',') {
            if (!piece.empty()) {
                items.push_back(piece);
            }
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty()) {
        items.push_back(piece);
    }
    PasswordBytes bytes{};
    for (int position = 0; position < 6; ++position) {
        const bool more = static_cast<size_t>(position) < items.size();
        if (!more) {
            if (position < byteCount) {
                return std::nullopt;
            }
            break;
        }
        if (position >= byteCount) {
            return std::nullopt;
        }
        const std::string& item = items[static_cast<size_t>(position)];
        const Converted number = StrtoulAs32Bit(item);
        // A NUL inside the item ends strtoul's text early, so it is left over like any other.
        if (number.consumed == 0 || number.consumed != item.size()) {
            return std::nullopt;
        }
        const bool inRange =
            digitsOnly ? number.value >= '0' && number.value <= '9' : number.value <= 255;
        if (!inRange) {
            return std::nullopt;
        }
        bytes[static_cast<size_t>(position)] = static_cast<uint8_t>(number.value);
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const int byteCount = 2 + data[0] % 5;
    const bool digitsOnly = (data[0] & 0x80) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::optional<PasswordBytes> parsed = quillon::ParsePassword(text, byteCount, digitsOnly);
    FUZZ_CHECK(parsed == Reference(text, byteCount, digitsOnly));
    if (parsed) {
        for (int i = byteCount; i < 6; ++i) {
            FUZZ_CHECK((*parsed)[static_cast<size_t>(i)] == 0);
        }
    }
    return 0;
}
