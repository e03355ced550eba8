#include "adapters/flash_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/cp1251.h"

namespace brivel {

namespace {

constexpr auto kCannotOpen = W1251("Не удается открыть файл памяти имитатора ");
constexpr auto kCannotRead = W1251("Не удается прочитать файл памяти имитатора ");
constexpr auto kCannotSave = W1251("Не удается сохранить файл памяти имитатора ");
constexpr auto kWrongSize = W1251("Файл памяти имитатора должен иметь размер %zu байт: ");

void Describe(std::string_view what, const std::string& path, int error, BackendError& out) {
    out.text = std::string(what);
    out.detail = "\"" + path + "\": " + std::strerror(error);
}

bool WriteAll(int fd, const uint8_t* data, size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool LoadFlashFile(const std::string& path, std::vector<uint8_t>& memory, BackendError& error) {
    const size_t size = memory.size();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        if (errno != ENOENT) {
            Describe(kCannotOpen, path, errno, error);
            return false;
        }
        std::fill(memory.begin(), memory.end(), 0xFF);
        return SaveFlashFile(path, memory, error);
    }
    std::vector<uint8_t> contents(size + 1);
    errno = 0;
    const size_t read = std::fread(contents.data(), 1, contents.size(), file);
    // The reason of a failed read, e.g. EISDIR for a folder, which fopen opens on Linux.
    const int readError = errno;
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        Describe(kCannotRead, path, readError != 0 ? readError : EIO, error);
        return false;
    }
    if (read != size) {
        char text[128];
        std::snprintf(text, sizeof text, kWrongSize.c_str(), size);
        error.text = text;
        error.detail = "\"" + path + "\"";
        return false;
    }
    std::copy_n(contents.begin(), size, memory.begin());
    return true;
}

bool SaveFlashFile(const std::string& path, const std::vector<uint8_t>& memory,
                   BackendError& error) {
    mode_t mode = 0;
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 0777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        Describe(kCannotSave, path, errno, error);
        return false;
    }
    const bool written =
        ::fchmod(fd, mode) == 0 && WriteAll(fd, memory.data(), memory.size()) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(temp.c_str());
        Describe(kCannotSave, path, written ? errno : writeError, error);
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temp.c_str());
        Describe(kCannotSave, path, renameError, error);
        return false;
    }
    return true;
}

}  // namespace brivel
