#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brivel {

// Windows-1251, the code page every Russian text of the programmer is held in. The sources
// are UTF-8; literals are converted once, at compile time, with W1251().

// Unicode code points of bytes 0x80..0xFF. The byte 0x98 has no character; it stands for the
// C1 control U+0098, as Windows decodes it, so that no byte is lost.
inline constexpr std::array<char16_t, 128> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0: А..я follow in order
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Byte of a code point, or -1 when Windows-1251 has no such character.
constexpr int Cp1251FromCodePoint(char32_t cp) {
    if (cp < 0x80) {
        return static_cast<int>(cp);
    }
    for (std::size_t i = 0; i < kCp1251High.size(); ++i) {
        if (kCp1251High[i] == cp) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

// What DecodeUtf8 gives for a sequence that is no UTF-8 character.
inline constexpr char32_t kBrokenUtf8 = 0xFFFFFFFF;

// The code point of the UTF-8 sequence at text[pos], moving pos past it. A sequence cut short,
// a stray or missing continuation byte, an overlong form, a surrogate or a value above U+10FFFF
// is broken: kBrokenUtf8, and pos moves past the lead byte alone.
constexpr char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1Fu;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0Fu;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07u;
        minimum = 0x10000;
    } else {
        ++pos;
        return kBrokenUtf8;
    }
    if (text.size() - pos < length) {
        ++pos;
        return kBrokenUtf8;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[pos + k]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kBrokenUtf8;
        }
        cp = (cp << 6) | (next & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kBrokenUtf8;
    }
    pos += length;
    return cp;
}

// A converted literal: the Windows-1251 bytes, NUL-terminated, in an array as long as the
// UTF-8 source (the conversion never grows a text).
template <std::size_t N>
struct W1251Text {
    std::array<char, N> bytes{};
    std::size_t size = 0;

    constexpr const char* c_str() const { return bytes.data(); }
    constexpr std::string_view view() const { return {bytes.data(), size}; }
    constexpr operator std::string_view() const { return view(); }
};

// Converts a UTF-8 literal at compile time; a character outside Windows-1251 or broken UTF-8
// stops the build.
template <std::size_t N>
consteval W1251Text<N> W1251(const char (&utf8)[N]) {
    W1251Text<N> out;
    const std::string_view text(utf8, N - 1);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t cp = DecodeUtf8(text, pos);
        if (cp == kBrokenUtf8) {
            throw "broken UTF-8";
        }
        const int byte = Cp1251FromCodePoint(cp);
        if (byte < 0) {
            throw "text outside Windows-1251";
        }
        out.bytes[out.size++] = static_cast<char>(byte);
    }
    out.bytes[out.size] = '\0';
    return out;
}

// Windows-1251 bytes to UTF-8.
std::string Cp1251ToUtf8(std::string_view text);

}  // namespace brivel
