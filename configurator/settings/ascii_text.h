// ASCII-only text helpers of the INI files: the Windows profile functions trim and compare
// names byte by byte, never by locale, so Windows-1251 letters are left as they are.
#pragma once

#include <string_view>

namespace quillon {

inline bool IsAsciiBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

inline std::string_view TrimAscii(std::string_view text) {
    while (!text.empty() && IsAsciiBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsAsciiBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace quillon
