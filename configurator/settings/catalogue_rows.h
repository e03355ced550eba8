#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace quillon {

// Entry classes as the catalogue tables name them. kMeters is no entry: it stands for the meter
// nodes of one meter type, built under the row's parent.
enum class NodeClass : uint8_t {
    kHeading,
    kText,
    kNumber,
    kCombo,
    kCheck,
    kAddress,
    kFile,
    kPassword,
    kMeters,
};

// Deepest row a catalogue table may hold.
inline constexpr int kMaxRowDepth = 7;

// One row of a catalogue table. Texts are UTF-8 and become Windows-1251 when the tree is built.
// depth 0 is a child of the table's parent; each deeper row is a child of the last row one
// level up.
struct NodeRow {
    int depth = 0;
    NodeClass cls = NodeClass::kHeading;
    std::string_view caption = {};
    std::string_view key = {};  // empty: the entry has no key
    int width = 0;              // pixels; 0 fits a drop-down list to its widest item
    uint32_t minimum = 0;
    uint32_t maximum = 0;
    std::span<const std::string_view> options = {};
    int initialSelection = -1;
    int boxes = 0;
    int meterType = -1;
};

constexpr NodeRow Heading(int depth, std::string_view caption, std::string_view key = {}) {
    return {.depth = depth, .cls = NodeClass::kHeading, .caption = caption, .key = key};
}

constexpr NodeRow Text(int depth, std::string_view caption, std::string_view key, int width) {
    return {
        .depth = depth, .cls = NodeClass::kText, .caption = caption, .key = key, .width = width};
}

constexpr NodeRow Number(int depth, std::string_view caption, std::string_view key, int width,
                         uint32_t minimum, uint32_t maximum) {
    return {.depth = depth,
            .cls = NodeClass::kNumber,
            .caption = caption,
            .key = key,
            .width = width,
            .minimum = minimum,
            .maximum = maximum};
}

constexpr NodeRow Combo(int depth, std::string_view caption, std::string_view key,
                        std::span<const std::string_view> options, int initialSelection = -1) {
    return {.depth = depth,
            .cls = NodeClass::kCombo,
            .caption = caption,
            .key = key,
            .options = options,
            .initialSelection = initialSelection};
}

constexpr NodeRow Check(int depth, std::string_view caption, std::string_view key) {
    return {.depth = depth, .cls = NodeClass::kCheck, .caption = caption, .key = key};
}

constexpr NodeRow Address(int depth, std::string_view caption, std::string_view key, int width) {
    return {
        .depth = depth, .cls = NodeClass::kAddress, .caption = caption, .key = key, .width = width};
}

constexpr NodeRow File(int depth, std::string_view caption, std::string_view key, int width) {
    return {
        .depth = depth, .cls = NodeClass::kFile, .caption = caption, .key = key, .width = width};
}

constexpr NodeRow Password(int depth, std::string_view caption, std::string_view key, int width,
                           int boxes) {
    return {.depth = depth,
            .cls = NodeClass::kPassword,
            .caption = caption,
            .key = key,
            .width = width,
            .boxes = boxes};
}

constexpr NodeRow Meters(int depth, int meterType) {
    return {.depth = depth, .cls = NodeClass::kMeters, .meterType = meterType};
}

}  // namespace quillon
