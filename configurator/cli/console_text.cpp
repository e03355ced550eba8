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

// An iconv converter from UTF-8, closed on every way out of the conversion (an append that
// runs out of memory included).
class Utf8Converter {
public:
    explicit Utf8Converter(const char* codeset) : m_handle(iconv_open(codeset, "UTF-8")) {}
    Utf8Converter(const Utf8Converter&) = delete;
    Utf8Converter& operator=(const Utf8Converter&) = delete;
    ~Utf8Converter() {
        if (IsOpen()) {
            iconv_close(m_handle);
        }
    }

    bool IsOpen() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t Handle() const { return m_handle; }

private:
    iconv_t m_handle;
};

}  // namespace

std::string ConvertForConsole(std::string_view utf8, const char* codeset) {
    if (KeepsUtf8(codeset)) {
        return std::string(utf8);
    }
    const Utf8Converter converter(codeset);
    if (!converter.IsOpen()) {
        return std::string(utf8);
    }
    std::string result;
    // iconv takes its input through a pointer to non-const characters; it reads them only.
    std::string input(utf8);
    char* in = input.data();
    size_t inLeft = input.size();
    char buffer[256];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t done = iconv(converter.Handle(), &in, &inLeft, &out, &outLeft);
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
    iconv(converter.Handle(), nullptr, nullptr, &out, &outLeft);
    result.append(buffer, static_cast<size_t>(out - buffer));
    return result;
}

std::string ForConsole(std::string_view utf8) {
    return ConvertForConsole(utf8, nl_langinfo(CODESET));
}

}  // namespace quillon
