#include "core/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace brivel {

namespace {

bool WriteAll(int fd, const char* data, size_t length) {
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

// The mode the target ends with: that of the file it replaces, else what a new file gets.
mode_t TargetMode(const std::string& path) {
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0) {
        return existing.st_mode & 0777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

ReplacingFile::~ReplacingFile() {
    Discard();
}

bool ReplacingFile::Create(const std::string& path, std::string& reason) {
    Discard();
    m_path = path;
    m_temp = path + ".XXXXXX";
    m_fd = ::mkstemp(m_temp.data());
    if (m_fd < 0) {
        reason = std::strerror(errno);
        m_temp.clear();
        return false;
    }
    return true;
}

bool ReplacingFile::Commit(std::string_view bytes, std::string& reason) {
    if (m_fd < 0) {
        reason = std::strerror(EBADF);
        return false;
    }
    const bool written = ::fchmod(m_fd, TargetMode(m_path)) == 0 &&
                         WriteAll(m_fd, bytes.data(), bytes.size()) && ::fsync(m_fd) == 0;
    int error = errno;
    const bool closed = ::close(m_fd) == 0;
    if (written && !closed) {
        error = errno;
    }
    m_fd = -1;
    if (!written || !closed || ::rename(m_temp.c_str(), m_path.c_str()) != 0) {
        if (written && closed) {
            error = errno;
        }
        reason = std::strerror(error);
        Discard();
        return false;
    }
    m_temp.clear();
    return true;
}

void ReplacingFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}

}  // namespace brivel
