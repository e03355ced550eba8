#include "settings/catalogue.h"

#include <array>
#include <charconv>
#include <string>
#include <vector>

#include "settings/catalogue_tables.h"
#include "settings/cp1251.h"
#include "settings/entries.h"
#include "settings/meter_types.h"

namespace quillon {
namespace {

constexpr int kNumberBase = 0;
constexpr std::string_view kMeterCaptionPrefix = "ТУ ";

std::vector<std::string> OptionTexts(std::span<const std::string_view> options) {
    std::vector<std::string> texts;
    texts.reserve(options.size());
    for (std::string_view option : options) {
        texts.push_back(ToCp1251(option));
    }
    return texts;
}

// Creates the entry of a row; the caption is already Windows-1251.
std::unique_ptr<CSetupEntry> MakeEntry(const NodeRow& row, std::string_view caption,
                                       ControlFactory& owner) {
    switch (row.cls) {
        case NodeClass::kText:
            return std::make_unique<CEditTextEntry>(caption, row.width, owner);
        case NodeClass::kNumber:
            return std::make_unique<CEditNumberEntry>(caption, row.width, row.minimum, row.maximum,
                                                      kNumberBase, owner);
        case NodeClass::kCombo: {
            const std::vector<std::string> items = OptionTexts(row.options);
            auto entry = std::make_unique<CComboEntry>(caption, row.width, items, owner);
            entry->SetSelection(row.initialSelection);
            return entry;
        }
        case NodeClass::kCheck:
            return std::make_unique<CCheckEntry>(caption, std::string_view(), owner);
        case NodeClass::kAddress:
            return std::make_unique<CIPEntry>(caption, row.width, owner);
        case NodeClass::kFile:
            return std::make_unique<CFileEntry>(caption, row.width, owner);
        case NodeClass::kPassword:
            return std::make_unique<CPWDEntry>(caption, row.width, row.boxes, owner);
        case NodeClass::kHeading:
        case NodeClass::kMeters:
            break;
    }
    return std::make_unique<CEmptyEntry>(caption, owner);
}

void AppendNumber(std::string& text, int number) {
    std::array<char, 12> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), number);
    text.append(digits.data(), result.ptr);
}

// Builds meter numbers 1..N of one type under its keyed heading, each address node followed
// at once by its children, so that control ids follow the tree order.
void BuildMeters(CSetupEntry& heading, const MeterType& type, ControlFactory& owner) {
    const std::string captionPrefix = ToCp1251(kMeterCaptionPrefix);
    std::vector<std::string> childCaptions;
    for (const NodeRow& child : type.children) {
        childCaptions.push_back(ToCp1251(child.caption));
    }

    std::string caption;
    std::string key;
    for (int n = 1; n <= type.nodeCount; ++n) {
        caption = captionPrefix;
        AppendNumber(caption, n);
        key = heading.GetKey();
        key.push_back('_');
        AppendNumber(key, n);
        key.push_back('_');
        const size_t stem = key.size();

        key.append("NA");
        CSetupEntry* address = heading.AddChild(std::make_unique<CEditNumberEntry>(
            caption, type.addressWidth, type.minimum, type.maximum, kNumberBase, owner));
        address->SetKey(key);
        if (!type.fixedAddress.empty()) {
            address->SetText(type.fixedAddress);
            address->Enable(false);
        }

        for (size_t i = 0; i < type.children.size(); ++i) {
            const NodeRow& row = type.children[i];
            key.resize(stem);
            key.append(row.key);
            CSetupEntry* child = address->AddChild(MakeEntry(row, childCaptions[i], owner));
            child->SetKey(key);
        }
    }
}

}  // namespace

std::unique_ptr<CSetupEntry> BuildCatalogue(ControlFactory& owner, CommandListeners& listeners) {
    auto root = std::make_unique<CEmptyEntry>(std::string_view(), owner);

    // parents[d] receives the rows of depth d: the root, then the last row of each level.
    std::array<CSetupEntry*, kMaxRowDepth + 2> parents{};
    parents[0] = root.get();
    for (const NodeRow& row : FixedNodeRows()) {
        CSetupEntry& parent = *parents[static_cast<size_t>(row.depth)];
        if (row.cls == NodeClass::kMeters) {
            BuildMeters(parent, kMeterTypes[static_cast<size_t>(row.meterType)], owner);
            continue;
        }
        CSetupEntry* entry = parent.AddChild(MakeEntry(row, ToCp1251(row.caption), owner));
        if (!row.key.empty()) {
            entry->SetKey(row.key);
        }
        if (row.cls == NodeClass::kFile) {
            listeners.push_back(entry);
        }
        parents[static_cast<size_t>(row.depth) + 1] = entry;
    }
    return root;
}

}  // namespace quillon
