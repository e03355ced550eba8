#include "core/console.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <vector>

#include "core/cp1251.h"

namespace brivel {

namespace {

bool IsUtf8(std::string_view charset) {
    return charset == "UTF-8" || charset == "utf-8" || charset == "UTF8" || charset == "utf8";
}

// Charsets that have no Cyrillic letters: the console writes UTF-8 in their place.
bool IsAsciiOnly(std::string_view charset) {
    return charset == "ANSI_X3.4-1968" || charset == "ASCII" || charset == "US-ASCII" ||
           charset == "646" || charset.empty();
}

}  // namespace

Console::Console(std::string terminalCharset) : m_charset(std::move(terminalCharset)) {
    if (!IsUtf8(m_charset) && !IsAsciiOnly(m_charset)) {
        const std::string target = m_charset + "//TRANSLIT";
        iconv_t cd = iconv_open(target.c_str(), "UTF-8");
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            m_converter = cd;
        }
    }
}

Console::~Console() {
    if (m_converter != nullptr) {
        iconv_close(static_cast<iconv_t>(m_converter));
    }
}

void Console::Print(std::string_view cp1251Text) {
    std::string utf8 = Cp1251ToUtf8(cp1251Text);
    if (m_converter == nullptr) {
        Write(utf8);
        return;
    }
    auto cd = static_cast<iconv_t>(m_converter);
    std::string out;
    std::vector<char> chunk(256);
    char* in = utf8.data();  // iconv's input is not const, though it is only read
    size_t inLeft = utf8.size();
    while (inLeft > 0) {
        char* outPtr = chunk.data();
        size_t outLeft = chunk.size();
        const size_t done = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk.data(), outPtr);
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            // A character the terminal cannot show even by transliteration.
            out.push_back('?');
            const auto lead = static_cast<unsigned char>(*in);
            const size_t skip = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
            in += skip < inLeft ? skip : inLeft;
            inLeft -= skip < inLeft ? skip : inLeft;
        }
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    Write(out);
}

void Console::Printf(const char* cp1251Format, ...) {
    va_list args;
    va_start(args, cp1251Format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, cp1251Format, copy);
    va_end(copy);
    if (length > 0) {
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), cp1251Format, args);
        text.resize(static_cast<std::size_t>(length));
        Print(text);
    }
    va_end(args);
}

void Console::PrintNative(std::string_view text) {
    Write(text);
}

std::string TerminalCharset() {
    const char* codeset = nl_langinfo(CODESET);
    const std::string charset = codeset != nullptr ? codeset : "";
    if (IsAsciiOnly(charset)) {
        return "UTF-8";
    }
    return charset;
}

void StdoutConsole::Write(std::string_view terminalText) {
    std::fwrite(terminalText.data(), 1, terminalText.size(), stdout);
    std::fflush(stdout);
}

}  // namespace brivel
