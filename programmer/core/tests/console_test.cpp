#include "core/console.h"

#include <gtest/gtest.h>

#include <string>

#include "core/cp1251.h"

namespace brivel {
namespace {

TEST(Console, ConvertsProgramTextAndPassesNativeTextThrough) {
    StringConsole console;
    console.Print(W1251("Ошибка! "));
    console.PrintNative("файл.s19");
    console.Printf(W1251("Программируем %d байт.\r\n").c_str(), 340);
    EXPECT_EQ(console.Text(), "Ошибка! файл.s19Программируем 340 байт.\r\n");
}

TEST(Console, PrintsFormattedTextOfAnyLength) {
    StringConsole console;
    const std::string name(5000, 'x');
    console.Printf(W1251("Версия ПО программатора - \"%s\".\r\n").c_str(), name.c_str());
    EXPECT_EQ(console.Text(), "Версия ПО программатора - \"" + name + "\".\r\n");
}

TEST(Console, WritesTheTerminalsOwnCodePage) {
    // CP866, the DOS Cyrillic code page of a Windows console: О ш и б к а.
    StringConsole console("CP866");
    console.Print(W1251("Ошибка!"));
    EXPECT_EQ(console.Text(), "\x8E\xE8\xA8\xA1\xAA\xA0!");
    // A locale without Cyrillic letters gets UTF-8.
    StringConsole ascii("ANSI_X3.4-1968");
    ascii.Print(W1251("Ошибка!"));
    EXPECT_EQ(ascii.Text(), "Ошибка!");
}

}  // namespace
}  // namespace brivel
