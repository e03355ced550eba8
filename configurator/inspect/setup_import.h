// The road back from a unit: the settings that a setup file's three areas hold, read from the
// inspector's decoded report, so that Save Setup writes the same areas again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/setup_dump.h"
#include "settings/key_map.h"

namespace quillon::inspect {

// One setting as an area holds it, in the form the entry's value operations take.
struct SettingValue {
    enum class Kind : uint8_t { kText, kSelection, kCheck, kPassword };

    std::string key;
    Kind kind = Kind::kText;
    // The selection (-1 for none), the check state, or the password box.
    int number = 0;
    // Windows-1251: the text, or the password box's text.
    std::string text;
};

struct SetupImport {
    // Why the file cannot be set into the tree: the inspector's problems, or else values that
    // no setting can hold. Nothing may be set from a file with problems.
    std::vector<SetupProblem> problems;
    // In the order of the areas and their records. Settings that the areas do not hold (the
    // addresses of a modem channel, meters past the counts, a time server's address when there
    // is none) are not listed: they keep their values.
    std::vector<SettingValue> values;
    // The schedule table's bytes, which the tree holds only as the name of a file.
    std::vector<uint8_t> schedule;
};

// What the tree must hold for Save Setup to write these areas again.
SetupImport ImportSetupReport(const SetupFileReport& report);

// The same for the text of a setup file.
SetupImport ImportSetupText(std::string_view content);

// Sets every value. All keys are looked up before the first value is set, so a key that no
// entry has (the import and the catalogue disagree: a fault of the program) raises
// std::logic_error with the tree unchanged.
void ApplySetupImport(const SetupImport& import, KeyMap& keys);

}  // namespace quillon::inspect
