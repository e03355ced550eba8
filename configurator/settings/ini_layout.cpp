#include "settings/ini_layout.h"

#include <array>

#include "settings/meter_types.h"

namespace quillon {
namespace {

constexpr std::array<std::string_view, 17> kLocalKeys = {
    "LOC_GID",           "LOC_MAIN_CHAN_TYPE", "LOC_MAIN_CHAN_SYS",  "LOC_MAIN_CHAN_SRV",
    "LOC_MAIN_CHAN_TRY", "LOC_MAIN_CHAN_IP",   "LOC_MAIN_CHAN_GATE", "LOC_MAIN_CHAN_MASK",
    "LOC_MAIN_CHAN_APN", "LOC_RSV_CHAN_TYPE",  "LOC_RSV_CHAN_SYS",   "LOC_RSV_CHAN_SRV",
    "LOC_RSV_CHAN_TRY",  "LOC_RSV_CHAN_IP",    "LOC_RSV_CHAN_GATE",  "LOC_RSV_CHAN_MASK",
    "LOC_RSV_CHAN_APN",
};

constexpr std::array<std::string_view, 66> kExternalKeys = {
    "EXT_GID",
    "EXT_MAIN_CHAN_TYPE",
    "EXT_MAIN_CHAN_SYS",
    "EXT_MAIN_CHAN_SRV",
    "EXT_MAIN_CHAN_TRY",
    "EXT_MAIN_CHAN_IP",
    "EXT_MAIN_CHAN_GATE",
    "EXT_MAIN_CHAN_MASK",
    "EXT_MAIN_CHAN_APN",
    "EXT_RSV_CHAN_TYPE",
    "EXT_RSV_CHAN_SYS",
    "EXT_RSV_CHAN_SRV",
    "EXT_RSV_CHAN_TRY",
    "EXT_RSV_CHAN_IP",
    "EXT_RSV_CHAN_GATE",
    "EXT_RSV_CHAN_MASK",
    "EXT_RSV_CHAN_APN",
    "EVR_REC",
    "EVR_COOKIE",
    "EVR_LAST",
    "BBLOG_COD_COLD_RESET",
    "BBLOG_COD_HOT_REST",
    "BBLOG_COD_SW_RESET",
    "BBLOG_COD_BAT_FAIL",
    "BBLOG_COD_CFG_CHANGED",
    "BBLOG_COD_LOG_FORMAT",
    "BBLOG_COD_ALARM",
    "BBLOG_COD_CONN_CHANGED",
    "BBLOG_COD_GATE_TSYNC",
    "BBLOG_COD_TIME_CORRECT",
    "BBLOG_COD_TIME_SET",
    "BBLOG_COD_MERC_LINK_CHNG",
    "BBLOG_EV_TIME_SET_RLT",
    "BBLOG_COD_TIME_SET_RLT",
    "BBLOG_EV_TIME_COR_RLT",
    "BBLOG_COD_TIME_COR_RLT",
    "BBLOG_EV_TIME_NOT_ADEQ",
    "BBLOG_COD_TIME_NOT_ADEQ",
    "EXT_SYSLOG",
    "EXT_TCORR",
    "TIME_TABLE",
    "CH0_GROUP",
    "CH0_M230_NUM",
    "CH0_SEB_NUM",
    "CH0_SET_NUM",
    "CH0_M200_NUM",
    "CH0_M601_NUM",
    "CH0_CE102_NUM",
    "CH0_CE303_NUM",
    "CH0_UART_SPEED",
    "CH0_UART_BIT_PER_SYMBOL",
    "CH0_UART_STOP_BIT_DURATION",
    "CH0_UART_PARITY_BIT",
    "CH1_GROUP",
    "CH1_M230_NUM",
    "CH1_SEB_NUM",
    "CH1_SET_NUM",
    "CH1_M200_NUM",
    "CH1_MS744_NUM",
    "CH1_M601_NUM",
    "CH1_CE102_NUM",
    "CH1_CE303_NUM",
    "CH1_UART_SPEED",
    "CH1_UART_BIT_PER_SYMBOL",
    "CH1_UART_STOP_BIT_DURATION",
    "CH1_UART_PARITY_BIT",
};

// The interface speed CH1_MS744_BAUD is not in the file.
constexpr std::array<std::string_view, 3> kMs744JournalKeys = {"REC", "COOKIE", "LAST"};

// The time-server password is a text entry, so it is one key of its own.
constexpr std::array<std::string_view, 4> kTimeServerKeys = {"TS_CHAN", "TS_TYPE", "TS_ADDR",
                                                             "TS_PASS"};

constexpr std::array<ProfileSection, 4> kProfileSections = {{
    {"LOC_SETUP", "", kLocalKeys},
    {"EXT_SETUP", "", kExternalKeys},
    {"CH1_MS744", "CH1_MS744_", kMs744JournalKeys},
    {"TIME_SERVER", "", kTimeServerKeys},
}};

constexpr std::array<MeterLine, 5> kTariffLines = {{
    {"NA", "NA", MeterValue::kText},
    {"AUTO_CORR", "AUTO_CORR", MeterValue::kCheck},
    {"PASS1", "PASS", MeterValue::kFirstBox},
    {"PASS2", "PASS", MeterValue::kSecondBox},
    {"PASS3", "PASS", MeterValue::kThirdBox},
}};

constexpr std::array<MeterLine, 4> kPasswordLines = {{
    {"NA", "NA", MeterValue::kText},
    {"PASS1", "PASS", MeterValue::kFirstBox},
    {"PASS2", "PASS", MeterValue::kSecondBox},
    {"PASS3", "PASS", MeterValue::kThirdBox},
}};

constexpr std::array<MeterLine, 1> kAddressLines = {{{"NA", "NA", MeterValue::kText}}};

constexpr std::array<MeterLine, 3> kMs744Lines = {{
    {"NA", "NA", MeterValue::kText},
    {"POLL", "POLL", MeterValue::kCheck},
    {"STAT", "STAT", MeterValue::kCheck},
}};

// Every type but MS744 has up to 128 meters per channel; a number whose address entry the tree
// lacks (MULTICAL601 has one) gets no section.
constexpr int kLastMeterNumber = 128;
constexpr int kLastMs744Number = 32;

constexpr std::array<MeterSections, 7> kChannelMeterSections = {{
    {kMeterM230, kLastMeterNumber, kTariffLines},
    {kMeterSeb, kLastMeterNumber, kTariffLines},
    {kMeterSet, kLastMeterNumber, kTariffLines},
    {kMeterM200, kLastMeterNumber, kAddressLines},
    {kMeterM601, kLastMeterNumber, kAddressLines},
    {kMeterCe102, kLastMeterNumber, kPasswordLines},
    {kMeterCe303, kLastMeterNumber, kPasswordLines},
}};

constexpr MeterSections kMs744Sections = {kMeterMs744, kLastMs744Number, kMs744Lines};

}  // namespace

std::span<const ProfileSection> ProfileSections() {
    return kProfileSections;
}

std::span<const MeterSections> ChannelMeterSections() {
    return kChannelMeterSections;
}

const MeterSections& Ms744Sections() {
    return kMs744Sections;
}

}  // namespace quillon
