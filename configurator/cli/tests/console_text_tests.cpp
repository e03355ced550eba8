#include "cli/console_text.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(ConvertForConsole, KeepsUtf8ForUtf8AndForTheCLocale) {
    const std::string text = "Не удалось сохранить настройки.";
    for (const char* codeset : {"UTF-8", "utf8", "ANSI_X3.4-1968", ""}) {
        EXPECT_EQ(ConvertForConsole(text, codeset), text) << codeset;
    }
    EXPECT_EQ(ConvertForConsole(text, nullptr), text);
}

TEST(ConvertForConsole, ConvertsToAnEightBitCyrillicSet) {
    EXPECT_EQ(ConvertForConsole("Файл ok", "KOI8-R"), "\xE6\xC1\xCA\xCC ok");
    EXPECT_EQ(ConvertForConsole("Файл", "CP1251"), "\xD4\xE0\xE9\xEB");
}

TEST(ConvertForConsole, PutsAQuestionMarkForWhatTheSetCannotShow) {
    EXPECT_EQ(ConvertForConsole("a€b\xFFц", "KOI8-R"), "a?b?\xC3");
}

TEST(ConvertForConsole, GivesUtf8ForAnUnknownSet) {
    EXPECT_EQ(ConvertForConsole("Файл", "NO-SUCH-SET"), "Файл");
}

}  // namespace
}  // namespace quillon
