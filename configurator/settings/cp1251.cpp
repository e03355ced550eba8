#include "settings/cp1251.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace quillon {
namespace {

// Code points of the bytes 0x80..0xBF. The byte 0x98 has no character in Windows-1251; it is
// mapped to the C1 control U+0098, as Windows does, so that no byte is lost on a round trip.
constexpr std::array<char16_t, 64> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

// 0xC0..0xFF are the 64 letters А..я in Unicode order.
constexpr char32_t kFirstLetter = 0x0410;

char32_t CodePointOf(unsigned char byte) {
    if (byte < 0x80) {
        return byte;
    }
    if (byte < 0xC0) {
        return kUpperHalf[byte - 0x80];
    }
    return kFirstLetter + (byte - 0xC0);
}

using ReverseEntry = std::pair<char16_t, unsigned char>;

constexpr std::array<ReverseEntry, 64> SortedUpperHalf() {
    std::array<ReverseEntry, 64> table{};
    for (size_t i = 0; i < table.size(); ++i) {
        table[i] = {kUpperHalf[i], static_cast<unsigned char>(0x80 + i)};
    }
    std::sort(table.begin(), table.end());
    return table;
}

constexpr std::array<ReverseEntry, 64> kReverse = SortedUpperHalf();

char ByteOf(char32_t cp) {
    if (cp < 0x80) {
        return static_cast<char>(cp);
    }
    if (cp >= kFirstLetter && cp < kFirstLetter + 64) {
        return static_cast<char>(0xC0 + (cp - kFirstLetter));
    }
    if (cp <= 0xFFFF) {
        auto it = std::lower_bound(kReverse.begin(), kReverse.end(),
                                   ReverseEntry{static_cast<char16_t>(cp), 0});
        if (it != kReverse.end() && it->first == cp) {
            return static_cast<char>(it->second);
        }
    }
    return '?';
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at text[pos]; on a malformed sequence consumes one byte and
// gives U+FFFD. Overlong forms and surrogates count as malformed.
char32_t DecodeUtf8(std::string_view text, size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (text.size() - pos < length) {
        ++pos;
        return 0xFFFD;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return 0xFFFD;
    }
    pos += length;
    return cp;
}

}  // namespace

std::string ToCp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        out.push_back(ByteOf(DecodeUtf8(utf8, pos)));
    }
    return out;
}

std::string FromCp1251(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        AppendUtf8(out, CodePointOf(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace quillon
