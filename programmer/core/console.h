#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace brivel {

// Where the programmer's messages go. The program's own texts are Windows-1251 and are
// converted here to the terminal's character set, whatever their length; text that comes from
// outside (arguments, file and device names) is already in that character set and passes as it
// is. The passes print only through this.
class Console {
public:
    // terminalCharset: an iconv name; "UTF-8" needs no converter.
    explicit Console(std::string terminalCharset = "UTF-8");
    virtual ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    void Print(std::string_view cp1251Text);
    // printf-style; the format and any %s text are Windows-1251.
    void Printf(const char* cp1251Format, ...);
    void PrintNative(std::string_view text);

protected:
    virtual void Write(std::string_view terminalText) = 0;

private:
    std::string m_charset;
    void* m_converter = nullptr;  // iconv_t from UTF-8, when the terminal is not UTF-8
};

// The character set to write to the terminal: the locale's, or UTF-8 where the locale cannot
// show Cyrillic (the C or POSIX locale). Call after setlocale(LC_CTYPE, "").
std::string TerminalCharset();

class StdoutConsole : public Console {
public:
    using Console::Console;

protected:
    // Flushed at once: the progress bar grows within one line.
    void Write(std::string_view terminalText) override;
};

// Collects the converted output; for tests and for callers that print it later.
class StringConsole : public Console {
public:
    using Console::Console;
    const std::string& Text() const { return m_text; }
    void Clear() { m_text.clear(); }

protected:
    void Write(std::string_view terminalText) override { m_text.append(terminalText); }

private:
    std::string m_text;
};

}  // namespace brivel
