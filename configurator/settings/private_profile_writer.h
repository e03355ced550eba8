// The INI text that the Windows private-profile writer (WritePrivateProfileString) produces when
// it is called key by key on an empty file.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon {

// Collects WriteString calls and gives the file they make: each section is created at the end
// when it is first written to, as a "[NAME]" line; each key gets a "KEY=VALUE" line at the end
// of its section, or its existing line is rewritten. Lines end in CR LF; there is no blank line
// between sections. Section and key names match case-insensitively (ASCII) and lose the blanks
// at both ends, Ctrl-Z (0x1A) among them, as do values. Bytes are kept as they are otherwise
// (Windows-1251).
class PrivateProfileWriter {
public:
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    // The whole file.
    std::string Text() const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
    };

    std::vector<Section> m_sections;
};

}  // namespace quillon
