// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace velmora::fileio {
namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string temporarySibling(const std::string& target) {
    // A leading dot keeps the half-written file out of a casual listing; the pid keeps two programs apart.
    return std::string(folderPartOf(target)) + "." + std::string(namePartOf(target)) + "." +
           std::to_string(::getpid()) + ".part";
}

}  // namespace

std::string_view folderPartOf(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view namePartOf(std::string_view path) { return path.substr(folderPartOf(path).size()); }

std::string programDirectory() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return ".";
    std::string path(buffer, static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string temporaryFolder() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string folder = fromEnvironment != nullptr && *fromEnvironment != '\0' ? fromEnvironment : "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    return path;
}

AtomicFile::AtomicFile(std::string target)
    : m_target(std::move(target)), m_temporary(temporarySibling(m_target)) {}

AtomicFile::~AtomicFile() {
    if (!m_committed) ::unlink(m_temporary.c_str());
}

bool AtomicFile::commitBytes(std::string_view bytes) {
    const int fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) return false;
    return renameOverTarget();  // already flushed: a second fsync would only cost a system call
}

bool AtomicFile::commit() {
    // Flush whatever another writer put there, so a crash after the rename cannot expose a torn file.
    const int fd = ::open(m_temporary.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced) return false;
    return renameOverTarget();
}

bool AtomicFile::renameOverTarget() {
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) return false;
    m_committed = true;
    return true;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes) {
    AtomicFile file(path);
    return file.commitBytes(bytes);
}

bool readWholeFile(const std::string& path, std::string& bytes, std::size_t limit) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || static_cast<std::size_t>(info.st_size) > limit) {
        ::close(fd);
        return false;
    }
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(done);
    return true;
}

}  // namespace velmora::fileio
