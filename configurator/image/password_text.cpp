#include "image/password_text.h"

#include "settings/number_text.h"

namespace quillon {

namespace {

// The next item after position pos, skipping any run of commas before it; empty at the end.
std::string_view NextItem(std::string_view text, size_t& pos) {
    while (pos < text.size() && text[pos] == ',') {
        ++pos;
    }
    const size_t start = pos;
    while (pos < text.size() && text[pos] != ',') {
        ++pos;
    }
    return text.substr(start, pos - start);
}

}  // namespace

std::optional<PasswordBytes> ParsePassword(std::string_view text, int byteCount, bool digitsOnly) {
    PasswordBytes password{};
    size_t pos = 0;
    for (int i = 0; i < static_cast<int>(password.size()); ++i) {
        const std::string_view item = NextItem(text, pos);
        if (item.empty()) {
            if (i < byteCount) {
                return std::nullopt;
            }
            break;
        }
        if (i >= byteCount) {
            return std::nullopt;
        }
        const NumberText number = ParseNumberText(item, 0);
        if (number.consumed != item.size()) {
            return std::nullopt;
        }
        const bool inRange =
            digitsOnly ? (number.value >= '0' && number.value <= '9') : number.value <= 0xFF;
        if (!inRange) {
            return std::nullopt;
        }
        password[static_cast<size_t>(i)] = static_cast<uint8_t>(number.value);
    }
    return password;
}

}  // namespace quillon
