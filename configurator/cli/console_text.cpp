#include "cli/console_text.h"

#include <iconv.h>
#include <langinfo.h>
#include <strings.h>

#include <cerrno>

namespace quillon {
namespace {

bool KeepsUtf8(const char* codeset) {
    return codeset == nullptr || *codeset == '\0' || strcasecmp(codeset, "UTF-8") == 0 ||
           strcasecmp(codeset, "utf8") == 0 || strcasecmp(codeset, "ANSI_X3.4-1968") == 0 ||
           strcasecmp(codeset, "ASCII") == 0 || strcasecmp(codeset, "US-ASCII") == 0;
}

// Bytes of the UTF-8 character at the start of text, or 1 when it is no well-formed character:
// one '?' stands for either.
size_t CharacterLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 1;
    if (length > text.size()) {
        return 1;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return length;
}

}  // namespace

std::string ConvertForConsole(std::string_view utf8, const char* codeset) {
    if (KeepsUtf8(codeset)) {
        return std::string(utf8);
    }
    iconv_t converter = iconv_open(codeset, "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return std::string(utf8);
    }
    std::string result;
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char buffer[256];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
        result.append(buffer, static_cast<size_t>(out - buffer));
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            // A character the set cannot show, or a broken sequence: one '?' in its place.
            result.push_back('?');
            const size_t skip = CharacterLength(std::string_view(in, inLeft));
            in += skip;
            inLeft -= skip;
        }
    }
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    iconv(converter, nullptr, nullptr, &out, &outLeft);
    result.append(buffer, static_cast<size_t>(out - buffer));
    iconv_close(converter);
    return result;
}

std::string ForConsole(std::string_view utf8) {
    return ConvertForConsole(utf8, nl_langinfo(CODESET));
}

}  // namespace quillon
