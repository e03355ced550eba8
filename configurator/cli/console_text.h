// Text for the terminal: the counterpart of the OEM code page on Linux.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// UTF-8 text in the character set named by codeset (as nl_langinfo(CODESET) names it). UTF-8
// stays as it is, and so it does under the C and POSIX locales, whose ASCII cannot show
// Cyrillic; a character the set lacks becomes '?'. An unknown set gets UTF-8.
std::string ConvertForConsole(std::string_view utf8, const char* codeset);

// The same for the character set of the current locale (LC_CTYPE, set by the program's main).
std::string ForConsole(std::string_view utf8);

}  // namespace quillon
