#include "settings/catalogue_tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "settings/cp1251.h"
#include "settings/meter_types.h"

namespace quillon {
namespace {

// Every list is stored in INI files as its index's one digit.
constexpr size_t kMaxOptions = 10;

bool IsKeyText(std::string_view key) {
    for (char c : key) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) {
            return false;
        }
    }
    return !key.empty();
}

// Checks a row that makes an entry; where names the table and the row.
void CheckEntryRow(const NodeRow& row, const std::string& where) {
    EXPECT_FALSE(row.caption.empty()) << where;
    EXPECT_EQ(FromCp1251(ToCp1251(row.caption)), row.caption) << where << ": no Windows-1251 form";
    EXPECT_TRUE(row.key.empty() || IsKeyText(row.key)) << where;
    switch (row.cls) {
        case NodeClass::kHeading:
            EXPECT_EQ(row.width, 0) << where;
            break;
        case NodeClass::kCombo:
            EXPECT_FALSE(row.options.empty()) << where;
            EXPECT_LE(row.options.size(), kMaxOptions) << where;
            EXPECT_GE(row.initialSelection, -1) << where;
            EXPECT_LT(row.initialSelection, static_cast<int>(row.options.size())) << where;
            for (std::string_view option : row.options) {
                EXPECT_FALSE(option.empty()) << where;
                EXPECT_EQ(FromCp1251(ToCp1251(option)), option) << where;
            }
            break;
        case NodeClass::kNumber:
            EXPECT_LE(row.minimum, row.maximum) << where;
            EXPECT_GT(row.width, 0) << where;
            break;
        case NodeClass::kPassword:
            EXPECT_GT(row.boxes, 0) << where;
            EXPECT_LE(row.boxes, 3) << where;  // INI files name boxes PASS1..PASS3
            EXPECT_GT(row.width, 0) << where;
            break;
        case NodeClass::kText:
        case NodeClass::kAddress:
        case NodeClass::kFile:
            EXPECT_GT(row.width, 0) << where;
            break;
        case NodeClass::kCheck:
            break;
        case NodeClass::kMeters:
            ADD_FAILURE() << where << ": meter nodes inside meter nodes";
            break;
    }
    if (row.cls != NodeClass::kCombo) {
        EXPECT_TRUE(row.options.empty()) << where;
        EXPECT_EQ(row.initialSelection, -1) << where;
    }
}

TEST(CatalogueTables, FixedRowsNestAndCarryUniqueKeys) {
    std::set<std::string_view> keys;
    std::string parentKey[kMaxRowDepth + 2];
    int previousDepth = -1;
    int meterRows = 0;
    size_t i = 0;
    for (const NodeRow& row : FixedNodeRows()) {
        const std::string where = "fixed row " + std::to_string(i++);
        EXPECT_GE(row.depth, 0) << where;
        EXPECT_LE(row.depth, previousDepth + 1) << where;
        EXPECT_LE(row.depth, kMaxRowDepth) << where;
        if (row.cls == NodeClass::kMeters) {
            ++meterRows;
            ASSERT_GE(row.meterType, 0) << where;
            ASSERT_LT(row.meterType, kMeterTypeCount) << where;
            ASSERT_GT(row.depth, 0) << where;
            // Meter keys are formed from the heading's key.
            EXPECT_FALSE(parentKey[row.depth - 1].empty()) << where;
            EXPECT_TRUE(row.caption.empty() && row.key.empty()) << where;
            continue;
        }
        CheckEntryRow(row, where);
        if (!row.key.empty()) {
            EXPECT_TRUE(keys.insert(row.key).second) << where << ": duplicate " << row.key;
        }
        parentKey[row.depth] = row.key;
        previousDepth = row.depth;
    }
    EXPECT_EQ(keys.size(), 106u);
    EXPECT_EQ(meterRows, 15);
}

TEST(CatalogueTables, MeterTypesAreConsistent) {
    for (int t = 0; t < kMeterTypeCount; ++t) {
        const MeterType& type = kMeterTypes[static_cast<size_t>(t)];
        const std::string where =
            std::string("meter type ") + kMeterTypeTags[static_cast<size_t>(t)];
        EXPECT_GT(type.nodeCount, 0) << where;
        EXPECT_LE(type.nodeCount, 128) << where;
        EXPECT_GT(type.addressWidth, 0) << where;
        EXPECT_GE(type.minimum, 1u) << where;
        EXPECT_LE(type.minimum, type.maximum) << where;
        std::set<std::string_view> childKeys = {"NA"};
        for (const NodeRow& child : type.children) {
            EXPECT_EQ(child.depth, 0) << where;
            CheckEntryRow(child, where);
            EXPECT_TRUE(childKeys.insert(child.key).second) << where << ": " << child.key;
        }
        if (!type.fixedAddress.empty()) {
            EXPECT_EQ(type.minimum, type.maximum) << where;
            EXPECT_EQ(type.fixedAddress, std::to_string(type.minimum)) << where;
        }
    }
}

}  // namespace
}  // namespace quillon
