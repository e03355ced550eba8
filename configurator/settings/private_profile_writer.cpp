#include "settings/private_profile_writer.h"

#include <algorithm>

#include "settings/ascii_text.h"

namespace quillon {
namespace {

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

}  // namespace

void PrivateProfileWriter::WriteString(std::string_view section, std::string_view key,
                                       std::string_view value) {
    section = TrimAscii(section);
    key = TrimAscii(key);
    value = TrimAscii(value);

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
