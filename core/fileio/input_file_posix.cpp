// SPDX-License-Identifier: GPL-3.0-or-later
// Opening input files on POSIX systems: without waiting on a FIFO, and only when they are regular files.
#include "fileio/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace velmora::fileio {

using failure::Failure;
using failure::Reason;

InputFile::InputFile(const std::string& path) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) {
        fail(Failure::fromReadErrno(errno));
        return;
    }
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
        fail(Failure::fromReadErrno(errno));
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        fail(Failure(Reason::NotRegularFile, S_ISDIR(info.st_mode) ? EISDIR : 0));
        return;
    }
    // A regular file never blocks, but whoever is handed the descriptor expects ordinary reads.
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags < 0 || ::fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        fail(Failure::fromReadErrno(errno));
        return;
    }
    m_size = static_cast<std::size_t>(info.st_size);
}

InputFile::~InputFile() {
    if (m_fd >= 0) ::close(m_fd);
}

void InputFile::fail(Failure why) {
    m_failure = why;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

long long InputFile::readSome(char* into, std::size_t count) {
    for (;;) {
        const ssize_t got = ::read(m_fd, into, count);
        if (got >= 0) return got;
        if (errno == EINTR) continue;
        fail(Failure::fromReadErrno(errno));
        return -1;
    }
}

bool InputFile::readStart(std::string& bytes, std::size_t count) {
    bytes.clear();
    if (!valid()) return false;
    bytes.resize(std::min(count, m_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            fail(Failure::fromReadErrno(errno));
            bytes.clear();
            return false;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return true;
}

}  // namespace velmora::fileio
