#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brivel::testing {

// A fresh folder under $TMPDIR (/tmp when unset), made with mkdtemp and removed with
// everything in it when the object goes, also when a test fails or throws. Tests and
// benchmarks keep every file they write in one, so runs in parallel never meet and nothing
// is left behind. Failures throw std::runtime_error, which the test framework reports.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // The path of name inside the folder; nothing is created.
    std::string File(std::string_view name) const;
    // Writes the bytes to name inside the folder and gives its path.
    std::string Write(std::string_view name, std::string_view bytes) const;
    std::string Write(std::string_view name, const std::vector<uint8_t>& bytes) const;

private:
    std::string m_path;
};

// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// A text quoted for the shell, so a path given to std::system stays one word whatever it holds.
std::string ShellQuote(std::string_view text);

}  // namespace brivel::testing
