// Captions and option words of the settings catalogue, looked up by setup key, so that the
// report speaks the words the engineer sees in the tree. All texts are UTF-8.
#pragma once

#include <cstddef>
#include <string_view>

namespace quillon::inspect {

// The caption of the keyed entry; empty for a key the catalogue does not have.
std::string_view CaptionOf(std::string_view key);

// The heading levels above the keyed entry: 1 its parent, 2 the parent's parent. Empty when
// there is no such heading.
std::string_view HeadingOf(std::string_view key, int levels = 1);

// Option index of the keyed drop-down list; empty outside its list.
std::string_view OptionOf(std::string_view key, int index);

// Caption of a meter's child entry by the item of its key: "AUTO_CORR", "PASS", "POLL",
// "STAT".
std::string_view MeterItemCaption(std::string_view item);

}  // namespace quillon::inspect
