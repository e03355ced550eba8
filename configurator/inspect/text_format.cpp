#include "inspect/text_format.h"

#include "settings/cp1251.h"

namespace quillon::inspect {

std::string HexDigits(uint64_t value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<size_t>(i)] = kDigits[value & 0xF];
        value >>= 4;
    }
    return text;
}

std::string Hex4(uint32_t value) {
    return "0x" + HexDigits(value, 4);
}

std::string Hex8(uint32_t value) {
    return "0x" + HexDigits(value, 8);
}

std::string Hex2(uint32_t value) {
    return "0x" + HexDigits(value, 2);
}

std::string FlashAddress(uint64_t address) {
    return "0x" + HexDigits(address, 8);
}

std::string QuotedText(std::string_view cp1251) {
    std::string text = "\"";
    std::string run;
    const auto flush = [&] {
        text += FromCp1251(run);
        run.clear();
    };
    for (char c : cp1251) {
        const auto byte = static_cast<unsigned char>(c);
        // 0x98 has no character; the codec maps it to a C1 control.
        if (byte < 0x20 || byte == 0x7F || byte == 0x98) {
            flush();
            text += "\\x" + HexDigits(byte, 2);
        } else if (c == '"' || c == '\\') {
            flush();
            text += '\\';
            text += c;
        } else {
            run += c;
        }
    }
    flush();
    return text + "\"";
}

}  // namespace quillon::inspect
