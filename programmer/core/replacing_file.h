#pragma once

#include <string>
#include <string_view>

namespace brivel {

// A file that is written whole or not at all: Create makes a temporary file in the target's
// folder, so a target that cannot be written is found before any work is done; Commit writes
// the bytes, flushes them to the disk and renames the temporary file over the target. A file
// that was not committed is removed quietly when the object goes; the target stays as it was.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // false with the system's reason when the temporary file cannot be made.
    bool Create(const std::string& path, std::string& reason);
    // false with the system's reason; the temporary file is then gone.
    bool Commit(std::string_view bytes, std::string& reason);

private:
    void Discard();

    std::string m_path;
    std::string m_temp;
    int m_fd = -1;
};

}  // namespace brivel
