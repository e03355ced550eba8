#include "settings/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <optional>
#include <string>
#include <system_error>

namespace quillon {
namespace {

namespace fs = std::filesystem;

// Distinguishes the temporary names of one process; the process id the ones of others.
std::atomic<unsigned> g_tempCounter{0};

// The file the bytes are meant for: a symbolic link stands for the file it names.
fs::path Destination(const fs::path& target) {
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(target, error))) {
        fs::path resolved = fs::weakly_canonical(target, error);
        if (!error) {
            return resolved;
        }
    }
    return target;
}

// Creates a new, empty file beside the destination; the descriptor and its name, or none.
std::optional<std::pair<int, fs::path>> CreateTemporary(const fs::path& destination) {
    const fs::path folder =
        destination.has_parent_path() ? destination.parent_path() : fs::path(".");
    // Appended piece by piece: GCC 12 at -O3 reports a false -Wrestrict for the chain of
    // operator+ on a temporary std::string.
    std::string stem = ".";
    stem += destination.filename().string();
    stem += ".tmp-";
    stem += std::to_string(static_cast<long>(getpid()));
    stem += '-';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path name = folder / (stem + std::to_string(g_tempCounter++));
        // 0666 lets the umask decide, as for any new file the user creates.
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return std::make_pair(fd, name);
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const fs::path& target, std::string_view bytes) {
    if (target.empty()) {
        return false;
    }
    const fs::path destination = Destination(target);

    std::optional<mode_t> keptMode;
    struct stat existing {};
    if (stat(destination.c_str(), &existing) == 0) {
        // Renaming would replace a file the user may not write; opening it would fail, so the
        // new file does too.
        if (S_ISDIR(existing.st_mode) || access(destination.c_str(), W_OK) != 0) {
            return false;
        }
        keptMode = existing.st_mode & 07777;
    }

    const auto temporary = CreateTemporary(destination);
    if (!temporary) {
        return false;
    }
    const auto& [fd, name] = *temporary;
    bool ok = WriteAll(fd, bytes);
    ok = ok && (!keptMode || fchmod(fd, *keptMode) == 0);
    ok = ok && fdatasync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(name.c_str(), destination.c_str()) == 0;
    if (!ok) {
        unlink(name.c_str());
    }
    return ok;
}

}  // namespace quillon
