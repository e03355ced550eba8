#pragma once

#include "core/cp1251.h"

// The programmer's messages, held in Windows-1251 like every Russian text of the program and
// converted to the terminal's character set by the console.
namespace brivel::msg {

// Passes.
inline constexpr auto kClockConfiguring = W1251("Конфигурирование Fclk...\r\n");
inline constexpr auto kClockLine = W1251("Fsys=%.2fMHz, Fclk=%.2fkHz, clkreg=0x%02X\r\n");
inline constexpr auto kClockWarning =
    W1251("Предупреждение! Значение Fclk выходит за допустимые границы.\r\n");
inline constexpr auto kErasingSectors = W1251("Стираем сектора...\r\n");
inline constexpr auto kSectorRange = W1251("0x%08X-0x%08X");
inline constexpr auto kSectorBlank = W1251("\tчистый");
inline constexpr auto kSectorFailed = W1251("\tошибка\r\n");
inline constexpr auto kLineEnd = W1251("\r\n");
inline constexpr auto kCompareMismatch =
    W1251("\r\nОшибка сравнения по адресу 0x%08X прочитано 0x%02X вместо 0x%02X.");
inline constexpr auto kOperationFailed = W1251("\r\nОшибка %d - \"%s\".\r\n");

// Command line.
inline constexpr auto kUnknownParameterHead = W1251("Неизвестный параметр \"");
inline constexpr auto kUnknownKeyHead = W1251("Неизвестный ключ \"");
inline constexpr auto kQuoteEnd = W1251("\".\r\n");
inline constexpr auto kBanner = W1251("ColdFire EzPort USB programmer v2.0\n");
inline constexpr auto kUsage = W1251(
    "Использование: Brivel [-p[dev_name]] [-t частота] [-b] [-v[o]] [-w имя_файла] \r\n"
    "\t-t частота\tСистемная частота процессора\r\n"
    "\t-b\t\tПолное стирание памяти\r\n"
    "\t-v\t\tПроверка запрограммированных данных\r\n"
    "\t-vo\t\tТолько проверка без программирования\r\n"
    "\t-w имя_файла\tПрограммировать S-record файл\r\n"
    "\t-P\t\tВывести список программаторов\r\n"
    "\t-Pdev_name\tИспользовать программатор dev_name\r\n"
    "\t-f объем\tОбъем флэш-памяти микроконтроллера, КБ (по умолчанию 256)\r\n"
    "\t-r имя_файла\tПрочитать всю флэш-память в S-record файл\r\n"
    "\t-rs имя_файла\tПрочитать области настроек 0x3E800-0x3FFFF в S-record файл\r\n"
    "\r\n");
inline constexpr auto kReadCombined =
    W1251("Ключи -r и -rs нельзя сочетать с ключами -w, -v, -vo и -b.\r\n");

// Discovery and opening.
inline constexpr auto kListHeader = W1251("Список программаторов:\r\n");
inline constexpr auto kDashLine = W1251("--------------------------------------------------\r\n");
inline constexpr auto kNoProgrammer = W1251("Не обнаружен программатор!\r\n");
inline constexpr auto kOtherKeysIgnored =
    W1251("Остальные ключи запуска программы проигнорированы!\r\n");
inline constexpr auto kNameMemory = W1251("Не удалось выделить память под имя программатора!\r\n");
inline constexpr auto kUsingProgrammer = W1251("Используем программатор:\r\n");
inline constexpr auto kNotConnected = W1251("Программатор не подключен!\r\n");
inline constexpr auto kNoAccess = W1251("Не удается получить доступ к программатору!\r\n");
// Why an adapter could not be opened, where the USB libraries tell it.
inline constexpr auto kAccessDenied = W1251(
    "Нет прав доступа к устройству: установите правило udev для программатора (см. README).\r\n");
inline constexpr auto kDeviceBusy = W1251("Устройство занято другой программой.\r\n");
inline constexpr auto kFirmwareVersion = W1251("Версия ПО программатора - \"%s\".\r\n");

// File check.
inline constexpr auto kCannotOpenFile =
    W1251("Невозможно открыть s-record файл для программирования.\n");
inline constexpr auto kBadFormatHead = W1251("Неверный формат файла \"");
inline constexpr auto kBadFormatTail = W1251("\".");
inline constexpr auto kS1S2Data = W1251(
    "Файл содержит данные в записях S1 или S2, а программируются только записи S3.\r\n"
    "Преобразуйте файл, например: srec_cat in.srec -o out.s19 -address-length=4\r\n");
inline constexpr auto kNoData = W1251(
    "В файле нет данных в записях S3, программировать нечего.\r\n"
    "Программируются только записи S3; файл можно преобразовать, например: "
    "srec_cat in.srec -o out.s19 -address-length=4\r\n");
inline constexpr auto kOutsideFlash =
    W1251("Запись по адресу 0x%08X выходит за пределы флэш-памяти микроконтроллера (%u КБ).\r\n");

// Programming run.
inline constexpr auto kCheckConnection = W1251("Ошибка! Проверьте подключение программатора.\r\n");
inline constexpr auto kBulkErasing = W1251("Стираем весь объем памяти...");
inline constexpr auto kBulkEraseFailed = W1251("Ошибка! \r\n");
inline constexpr auto kOk = W1251("OK\r\n");
inline constexpr auto kSectorEraseFailed = W1251("Ошибка! %d\r\n");
inline constexpr auto kProgramming = W1251("Программируем %d байт.\r\n");
inline constexpr auto kVerifying = W1251("Проверяем %d байт.\r\n");
inline constexpr auto kPassOk = W1251(" ok...\r\n");
inline constexpr auto kPassTime = W1251("[@ %d ms.]\r\n");

// Reading the flash into a file.
inline constexpr auto kReading = W1251("Читаем %d байт с адреса 0x%08X.\r\n");
inline constexpr auto kCannotWriteFile = W1251("Не удается записать файл ");
inline constexpr auto kFileWrittenHead = W1251("Записан файл \"");

}  // namespace brivel::msg
