#include "settings/catalogue_tables.h"

#include <array>
#include <string_view>

#include "settings/meter_types.h"

namespace quillon {
namespace {

using Options = std::string_view;

constexpr std::array<Options, 2> kChannelTypes = {"Ethernet", "Модем"};

constexpr std::array<Options, 8> kChannel0Groups = {
    "Не используется",
    "Меркурий-230, СЭБ-1ТМ.02, СЭТ-4ТМ.03",
    "Меркурий-200",
    "MULTICAL601",
    "CE102",
    "CE303",
    "Канальный доступ",
    "Протокол МИРТ",
};

constexpr std::array<Options, 9> kChannel1Groups = {
    "Не используется", "Меркурий-230, СЭБ-1ТМ.02, СЭТ-4ТМ.03",
    "Меркурий-200",    "Контроллеры MS744",
    "MULTICAL601",     "CE102",
    "CE303",           "Канальный доступ",
    "Протокол МИРТ",
};

constexpr std::array<Options, 10> kUartSpeeds = {
    "По умолчанию", "300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600",
};
constexpr std::array<Options, 5> kUartBits = {"По умолчанию", "5", "6", "7", "8"};
constexpr std::array<Options, 4> kUartStopBits = {"По умолчанию", "1.0", "1.5", "2.0"};
constexpr std::array<Options, 6> kUartParity = {
    "По умолчанию",        "Без контроля",          "Контроль чётности",
    "Контроль нечётности", "Бит чётности всегда 0", "Бит чётности всегда 1",
};

constexpr std::array<Options, 2> kTimeServerChannels = {"Канал 0", "Канал 1"};
constexpr std::array<Options, 4> kTimeServerTypes = {
    "Не используется",
    "Счетчик Меркурий-230",
    "Счетчик СЭБ",
    "Счетчик СЭТ",
};

constexpr std::array<Options, 5> kMs744Speeds = {"По умолчанию", "4800", "9600", "19200", "38400"};

constexpr auto kFixedNodes = std::to_array<NodeRow>({
    // Communication channels of the local module.
    Heading(0, "Конфигурация каналов связи(loc)"),
    Number(1, "GID", "LOC_GID", 100, 1, 65535),
    Heading(1, "Основной канал"),
    Combo(2, "Тип канала", "LOC_MAIN_CHAN_TYPE", kChannelTypes),
    Text(2, "SYS", "LOC_MAIN_CHAN_SYS", 150),
    Text(2, "SRV", "LOC_MAIN_CHAN_SRV", 150),
    Text(2, "TRY", "LOC_MAIN_CHAN_TRY", 150),
    Address(2, "IP", "LOC_MAIN_CHAN_IP", 120),
    Address(2, "GATE", "LOC_MAIN_CHAN_GATE", 120),
    Address(2, "MASK", "LOC_MAIN_CHAN_MASK", 120),
    Text(2, "APN", "LOC_MAIN_CHAN_APN", 150),
    Heading(1, "Резервный канал"),
    Combo(2, "Тип канала", "LOC_RSV_CHAN_TYPE", kChannelTypes),
    Text(2, "SYS", "LOC_RSV_CHAN_SYS", 150),
    Text(2, "SRV", "LOC_RSV_CHAN_SRV", 150),
    Text(2, "TRY", "LOC_RSV_CHAN_TRY", 150),
    Address(2, "IP", "LOC_RSV_CHAN_IP", 120),
    Address(2, "GATE", "LOC_RSV_CHAN_GATE", 120),
    Address(2, "MASK", "LOC_RSV_CHAN_MASK", 120),
    Text(2, "APN", "LOC_RSV_CHAN_APN", 150),

    // Communication channels of the external module.
    Heading(0, "Конфигурация каналов связи(ext)"),
    Number(1, "GID", "EXT_GID", 100, 1, 65535),
    Heading(1, "Основной канал"),
    Combo(2, "Тип канала", "EXT_MAIN_CHAN_TYPE", kChannelTypes),
    Text(2, "SYS", "EXT_MAIN_CHAN_SYS", 150),
    Text(2, "SRV", "EXT_MAIN_CHAN_SRV", 150),
    Text(2, "TRY", "EXT_MAIN_CHAN_TRY", 150),
    Address(2, "IP", "EXT_MAIN_CHAN_IP", 120),
    Address(2, "GATE", "EXT_MAIN_CHAN_GATE", 120),
    Address(2, "MASK", "EXT_MAIN_CHAN_MASK", 120),
    Text(2, "APN", "EXT_MAIN_CHAN_APN", 150),
    Heading(1, "Резервный канал"),
    Combo(2, "Тип канала", "EXT_RSV_CHAN_TYPE", kChannelTypes),
    Text(2, "SYS", "EXT_RSV_CHAN_SYS", 150),
    Text(2, "SRV", "EXT_RSV_CHAN_SRV", 150),
    Text(2, "TRY", "EXT_RSV_CHAN_TRY", 150),
    Address(2, "IP", "EXT_RSV_CHAN_IP", 120),
    Address(2, "GATE", "EXT_RSV_CHAN_GATE", 120),
    Address(2, "MASK", "EXT_RSV_CHAN_MASK", 120),
    Text(2, "APN", "EXT_RSV_CHAN_APN", 150),

    // Event log; a checked record below "Игнорируемые журнальные записи" is left out of the log.
    Heading(0, "Настройки журнала"),
    Check(1, "REC (опрос журнала)", "EVR_REC"),
    Check(1, "COOKIE (надежная передача)", "EVR_COOKIE"),
    Check(1, "LAST (только последняя запись)", "EVR_LAST"),
    Heading(1, "Игнорируемые журнальные записи"),
    Check(2, "Холодный рестарт", "BBLOG_COD_COLD_RESET"),
    Check(2, "Горячий рестарт", "BBLOG_COD_HOT_REST"),
    Check(2, "Перегрузка программного обеспечения", "BBLOG_COD_SW_RESET"),
    Check(2, "Ошибка батареи питания модема", "BBLOG_COD_BAT_FAIL"),
    Check(2, "Изменение конфигурации", "BBLOG_COD_CFG_CHANGED"),
    Check(2, "Форматирование журнала", "BBLOG_COD_LOG_FORMAT"),
    Check(2, "Вскрытие корпуса", "BBLOG_COD_ALARM"),
    Check(2, "Изменение состояния соединения", "BBLOG_COD_CONN_CHANGED"),
    Check(2, "Синхронизация времени шлюза", "BBLOG_COD_GATE_TSYNC"),
    Check(2, "Начало выполнения коррекции времени счетчиков", "BBLOG_COD_TIME_CORRECT"),
    Check(2, "Начало выполнения установки времени счетчиков", "BBLOG_COD_TIME_SET"),
    Check(2, "Изменение списка подключенных счетчиков", "BBLOG_COD_MERC_LINK_CHNG"),
    Check(2, "Завершение выполнения коррекции времени счетчиков", "BBLOG_EV_TIME_SET_RLT"),
    Check(2, "Завершение выполнения установка времени счетчиков", "BBLOG_COD_TIME_SET_RLT"),
    Check(2, "Код выполнения коррекции времени счётчиков", "BBLOG_EV_TIME_COR_RLT"),
    Check(2, "Код выполнения установки времени счётчиков", "BBLOG_COD_TIME_COR_RLT"),
    Check(2, "Время стало не адекватным", "BBLOG_EV_TIME_NOT_ADEQ"),
    Check(2, "Код, время стало не адекватным", "BBLOG_COD_TIME_NOT_ADEQ"),

    Heading(0, "Системные настройки"),
    Check(1, "SysLog (системный лог)", "EXT_SYSLOG"),
    Check(1, "TCORR (повт. корр.-ошибка)", "EXT_TCORR"),

    File(0, "Таблица расписания", "TIME_TABLE", 200),

    // Exchange channels: device group, meter counts, serial line.
    Heading(0, "Конфигурации каналов обмена"),
    Heading(1, "Канал 0"),
    Combo(2, "Группа устройств", "CH0_GROUP", kChannel0Groups),
    Number(2, "M230_NUM", "CH0_M230_NUM", 100, 0, 128),
    Number(2, "SEB_NUM", "CH0_SEB_NUM", 100, 0, 128),
    Number(2, "SET_NUM", "CH0_SET_NUM", 100, 0, 128),
    Number(2, "M200_NUM", "CH0_M200_NUM", 100, 0, 128),
    Number(2, "M601_NUM", "CH0_M601_NUM", 100, 0, 1),
    Number(2, "CE102_NUM", "CH0_CE102_NUM", 100, 0, 128),
    Number(2, "CE303_NUM", "CH0_CE303_NUM", 100, 0, 128),
    Heading(2, "Настройки UART"),
    Combo(3, "Скорость", "CH0_UART_SPEED", kUartSpeeds, 0),
    Combo(3, "Количество бит для кодирования символа", "CH0_UART_BIT_PER_SYMBOL", kUartBits, 0),
    Combo(3, "Длительность стопового бита", "CH0_UART_STOP_BIT_DURATION", kUartStopBits, 0),
    Combo(3, "Настройка чётности", "CH0_UART_PARITY_BIT", kUartParity, 0),
    Heading(1, "Канал 1"),
    Combo(2, "Группа устройств", "CH1_GROUP", kChannel1Groups),
    Number(2, "M230_NUM", "CH1_M230_NUM", 100, 0, 128),
    Number(2, "SEB_NUM", "CH1_SEB_NUM", 100, 0, 128),
    Number(2, "SET_NUM", "CH1_SET_NUM", 100, 0, 128),
    Number(2, "M200_NUM", "CH1_M200_NUM", 100, 0, 128),
    Number(2, "MS744_NUM", "CH1_MS744_NUM", 100, 0, 128),
    Number(2, "M601_NUM", "CH1_M601_NUM", 100, 0, 1),
    Number(2, "CE102_NUM", "CH1_CE102_NUM", 100, 0, 128),
    Number(2, "CE303_NUM", "CH1_CE303_NUM", 100, 0, 128),
    Heading(2, "Настройки UART"),
    Combo(3, "Скорость", "CH1_UART_SPEED", kUartSpeeds, 0),
    Combo(3, "Количество бит для кодирования символа", "CH1_UART_BIT_PER_SYMBOL", kUartBits, 0),
    Combo(3, "Длительность стопового бита", "CH1_UART_STOP_BIT_DURATION", kUartStopBits, 0),
    Combo(3, "Настройка чётности", "CH1_UART_PARITY_BIT", kUartParity, 0),

    // Time server and the meters of both channels.
    Heading(0, "Настройки каналов обмена"),
    Heading(1, "Сервер времени"),
    Combo(2, "Канал", "TS_CHAN", kTimeServerChannels),
    Combo(2, "Тип счетчика", "TS_TYPE", kTimeServerTypes),
    Number(2, "Адрес", "TS_ADDR", 40, 0, 255),
    Text(2, "Пароль уровня 1", "TS_PASS", 200),
    Heading(1, "Канал 0"),
    Heading(2, "Счетчик Меркурий-230", "CH0_M230"),
    Meters(3, kMeterM230),
    Heading(2, "Счетчик СЭБ", "CH0_SEB"),
    Meters(3, kMeterSeb),
    Heading(2, "Счетчик СЭТ", "CH0_SET"),
    Meters(3, kMeterSet),
    Heading(2, "Счетчик Меркурий-200", "CH0_M200"),
    Meters(3, kMeterM200),
    Heading(2, "Счетчик MULTICAL601", "CH0_M601"),
    Meters(3, kMeterM601),
    Heading(2, "Счетчик CE102", "CH0_CE102"),
    Meters(3, kMeterCe102),
    Heading(2, "Счетчик CE303", "CH0_CE303"),
    Meters(3, kMeterCe303),
    Heading(1, "Канал 1"),
    Heading(2, "Счетчик Меркурий-230", "CH1_M230"),
    Meters(3, kMeterM230),
    Heading(2, "Счетчик СЭБ", "CH1_SEB"),
    Meters(3, kMeterSeb),
    Heading(2, "Счетчик СЭТ", "CH1_SET"),
    Meters(3, kMeterSet),
    Heading(2, "Счетчик Меркурий-200", "CH1_M200"),
    Meters(3, kMeterM200),
    Heading(2, "Контроллеры MS744", "CH1_MS744"),
    Combo(3, "Скорость", "CH1_MS744_BAUD", kMs744Speeds, 0),
    Heading(3, "Настройки журнала"),
    Check(4, "REC (опрос журнала)", "CH1_MS744_REC"),
    Check(4, "COOKIE (надежная передача)", "CH1_MS744_COOKIE"),
    Check(4, "LAST (только последняя запись)", "CH1_MS744_LAST"),
    Meters(3, kMeterMs744),
    Heading(2, "Счетчик MULTICAL601", "CH1_M601"),
    Meters(3, kMeterM601),
    Heading(2, "Счетчик CE102", "CH1_CE102"),
    Meters(3, kMeterCe102),
    Heading(2, "Счетчик CE303", "CH1_CE303"),
    Meters(3, kMeterCe303),
});

}  // namespace

std::span<const NodeRow> FixedNodeRows() {
    return kFixedNodes;
}

}  // namespace quillon
