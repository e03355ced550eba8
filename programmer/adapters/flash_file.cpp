#include "adapters/flash_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/cp1251.h"
#include "core/replacing_file.h"

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
    ReplacingFile file;
    std::string reason;
    const std::string_view bytes(reinterpret_cast<const char*>(memory.data()), memory.size());
    if (!file.Create(path, reason) || !file.Commit(bytes, reason)) {
        error.text = std::string(kCannotSave);
        error.detail = "\"" + path + "\": " + reason;
        return false;
    }
    return true;
}

}  // namespace brivel
