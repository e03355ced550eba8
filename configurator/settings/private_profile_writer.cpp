#include "settings/private_profile_writer.h"

#include <algorithm>

#include "settings/ascii_text.h"

namespace quillon {
namespace {

// The Windows profile functions count Ctrl-Z (0x1A), the old end-of-file mark, as white space.
bool IsProfileBlank(char c) {
    return IsAsciiBlank(c) || c == '\x1A';
}

std::string_view TrimProfileBlanks(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsProfileBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

}  // namespace

void PrivateProfileWriter::WriteString(std::string_view section, std::string_view key,
                                       std::string_view value) {
    section = TrimProfileBlanks(section);
    key = TrimProfileBlanks(key);
    value = TrimProfileBlanks(value);

    auto owner = std::find_if(m_sections.begin(), m_sections.end(),
                              [&](const Section& s) { return SameName(s.name, section); });
    if (owner == m_sections.end()) {
        owner = m_sections.insert(m_sections.end(), Section{std::string(section), {}});
    }
    auto line = std::find_if(owner->keys.begin(), owner->keys.end(),
                             [&](const auto& k) { return SameName(k.first, key); });
    if (line == owner->keys.end()) {
        owner->keys.emplace_back(std::string(key), std::string(value));
    } else {
        line->second.assign(value);
    }
}

std::string PrivateProfileWriter::Text() const {
    std::string text;
    for (const Section& section : m_sections) {
        text.append("[").append(section.name).append("]\r\n");
        for (const auto& [key, value] : section.keys) {
            text.append(key).append("=").append(value).append("\r\n");
        }
    }
    return text;
}

}  // namespace quillon
