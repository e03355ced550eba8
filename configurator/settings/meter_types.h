#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "settings/catalogue_rows.h"

namespace quillon {

inline constexpr int kMeterTypeCount = 8;

// Meter type index to the tag used in keys and INI sections.
inline constexpr std::array<const char*, kMeterTypeCount> kMeterTypeTags = {
    "M230", "SEB", "SET", "M200", "MS744", "M601", "CE102", "CE303",
};

inline constexpr int kMeterM230 = 0;
inline constexpr int kMeterSeb = 1;
inline constexpr int kMeterSet = 2;
inline constexpr int kMeterM200 = 3;
inline constexpr int kMeterMs744 = 4;
inline constexpr int kMeterM601 = 5;
inline constexpr int kMeterCe102 = 6;
inline constexpr int kMeterCe303 = 7;

// Children of a meter's address node; their keys follow "<heading key>_<n>_".
inline constexpr std::array<NodeRow, 2> kTariffMeterChildren = {
    Check(0, "Автокоррекция", "AUTO_CORR"),
    Password(0, "Пароли", "PASS", 100, 3),
};
inline constexpr std::array<NodeRow, 1> kCe102Children = {Password(0, "Пароли", "PASS", 100, 3)};
inline constexpr std::array<NodeRow, 1> kCe303Children = {Password(0, "Пароли", "PASS", 100, 2)};
inline constexpr std::array<NodeRow, 2> kMs744Children = {
    Check(0, "Опрос журнала", "POLL"),
    Check(0, "Следить за статистикой", "STAT"),
};

// The meter nodes one keyed heading holds: numbers 1..nodeCount, each an address entry
// "ТУ <n>" keyed "<heading key>_<n>_NA" with the children listed.
struct MeterType {
    int nodeCount;
    int addressWidth;
    uint32_t minimum;
    uint32_t maximum;
    // Non-empty: the address is set to this text and its edit box disabled.
    std::string_view fixedAddress;
    std::span<const NodeRow> children;
};

inline constexpr std::array<MeterType, kMeterTypeCount> kMeterTypes = {{
    {128, 50, 1, 255, {}, kTariffMeterChildren},     // M230
    {128, 50, 1, 255, {}, kTariffMeterChildren},     // SEB
    {128, 50, 1, 255, {}, kTariffMeterChildren},     // SET
    {128, 100, 1, 0xFFFFFFFFu, {}, {}},              // M200
    {32, 50, 1, 255, {}, kMs744Children},            // MS744
    {1, 100, 1, 1, "1", {}},                         // M601
    {128, 75, 1, 65534, {}, kCe102Children},         // CE102
    {128, 100, 1, 0xFFFFFFFFu, {}, kCe303Children},  // CE303
}};

}  // namespace quillon
