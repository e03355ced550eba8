#include "inspect/catalogue_words.h"

#include <span>

#include "settings/catalogue_tables.h"
#include "settings/meter_types.h"

namespace quillon::inspect {
namespace {

// Position of the keyed row in the fixed rows, or the row count.
size_t RowOf(std::span<const NodeRow> rows, std::string_view key) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!key.empty() && rows[i].key == key) {
            return i;
        }
    }
    return rows.size();
}

}  // namespace

std::string_view CaptionOf(std::string_view key) {
    const auto rows = FixedNodeRows();
    const size_t row = RowOf(rows, key);
    return row < rows.size() ? rows[row].caption : std::string_view{};
}

std::string_view HeadingOf(std::string_view key, int levels) {
    const auto rows = FixedNodeRows();
    size_t row = RowOf(rows, key);
    if (row == rows.size()) {
        return {};
    }
    for (int level = 0; level < levels; ++level) {
        const int depth = rows[row].depth;
        do {
            if (row == 0) {
                return {};
            }
            --row;
        } while (rows[row].depth >= depth);
    }
    return rows[row].caption;
}

std::string_view OptionOf(std::string_view key, int index) {
    const auto rows = FixedNodeRows();
    const size_t row = RowOf(rows, key);
    if (row == rows.size() || index < 0 || static_cast<size_t>(index) >= rows[row].options.size()) {
        return {};
    }
    return rows[row].options[static_cast<size_t>(index)];
}

std::string_view MeterItemCaption(std::string_view item) {
    for (const MeterType& type : kMeterTypes) {
        for (const NodeRow& child : type.children) {
            if (child.key == item) {
                return child.caption;
            }
        }
    }
    return {};
}

}  // namespace quillon::inspect
