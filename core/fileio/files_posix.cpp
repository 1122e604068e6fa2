// SPDX-License-Identifier: GPL-3.0-or-later
// Files on POSIX systems: links followed only where their owner is trusted, modes kept, fsync of the
// file and its folder around the rename.
#include "fileio/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "fileio/files_system.h"

namespace velmora::fileio {

using detail::isTemporaryName;
using detail::kTemporaryPrefix;
using detail::kTemporarySuffix;

namespace detail {

std::string_view pathSeparators() { return "/"; }
char preferredSeparator() { return '/'; }

}  // namespace detail

namespace {

// Process start, to the second: temporaries older than this were left by runs that have ended.
const std::time_t kStartedAt = std::time(nullptr);

// Twelve letters and digits from the kernel's random source: 60 bits no other account can guess.
std::string randomTag() {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz234567";
    unsigned char bytes[12] = {};
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    std::string tag;
    for (unsigned char byte : bytes) tag += kAlphabet[byte % 32];
    return tag;
}

// The umask, read without changing it: umask() would set it for every thread for a moment.
mode_t currentUmask() {
    // Read line by line: /proc files report a size of 0, so a whole-file read by size gets nothing.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Umask:"))
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    return 022;
}

// Follows `path` to the file it names. A link is followed only when this account or root made it: a
// link another account planted in a shared folder must not steer the write to this account's files.
// With `follow` false, a link is the file to replace.
failure::Failure followLinks(std::string path, bool follow, std::string& destination, struct stat& info,
                             bool& exists) {
    for (int hop = 0; hop < 40; ++hop) {
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno != ENOENT) return failure::Failure::fromErrno(errno);
            destination = path;
            exists = false;
            return {};
        }
        if (!follow && S_ISLNK(info.st_mode)) {
            destination = path;
            exists = false;
            return {};
        }
        if (!S_ISLNK(info.st_mode)) {
            if (!S_ISREG(info.st_mode)) return failure::Failure(failure::Reason::NotRegularFile);
            destination = path;
            exists = true;
            return {};
        }
        if (info.st_uid != ::geteuid() && info.st_uid != 0)
            return failure::Failure(failure::Reason::ForeignLink);
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
        if (length < 0) return failure::Failure::fromErrno(errno);
        if (static_cast<std::size_t>(length) >= sizeof buffer)
            return failure::Failure::fromErrno(ENAMETOOLONG);
        const std::string link(buffer, static_cast<std::size_t>(length));
        path = link.starts_with('/') ? link : std::string(folderPartOf(path)) + link;
    }
    return failure::Failure::fromErrno(ELOOP);
}

}  // namespace

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

void AtomicFile::discard() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

failure::Failure AtomicFile::open() {
    discard();
    struct stat existing {};
    if (const failure::Failure followed =
            followLinks(m_target, m_mode != FileMode::Private, m_destination, existing, m_replacing);
        followed.failed())
        return followed;
    if (m_replacing) {
        // Renaming needs only the folder's permission; the file's own protection must hold as well.
        if (::faccessat(AT_FDCWD, m_destination.c_str(), W_OK, AT_EACCESS) != 0)
            return failure::Failure::fromErrno(errno);
        m_othersFile = existing.st_uid != ::geteuid() && ::geteuid() != 0;
        m_keptMode = existing.st_mode & 07777;
        m_keptOwner = existing.st_uid;
        m_keptGroup = existing.st_gid;
    }
    const std::string folder = folderOfFile(text::FilePath(m_destination)).native();
    removeStaleTemporaries(folder);
    // O_EXCL with O_NOFOLLOW: a file or link already at the name is never used, only stepped over.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate =
            joinPath(folder, std::string(kTemporaryPrefix) + randomTag() + std::string(kTemporarySuffix));
        m_fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            m_temporary = std::move(candidate);
            return {};
        }
        if (errno != EEXIST) return failure::Failure::fromErrno(errno);
    }
    return failure::Failure::fromErrno(EEXIST);
}

failure::Failure AtomicFile::append(std::string_view bytes) {
    if (m_fd < 0) return failure::Failure::fromErrno(EBADF);
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : ENOSPC;
            discard();
            return failure::Failure::fromErrno(error);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

failure::Failure AtomicFile::commit() {
    if (m_fd < 0) return failure::Failure::fromErrno(EBADF);
    const mode_t umask = currentUmask();
    mode_t mode = m_mode == FileMode::Shared ? 0666 & ~umask : 0600;
    if (m_replacing && m_mode != FileMode::Private) {
        mode = m_keptMode;
        // Root hands the file back to its owner; anyone else keeps its group where it is one of theirs.
        if (::geteuid() != 0 || ::fchown(m_fd, m_keptOwner, m_keptGroup) != 0) {
            if (::fchown(m_fd, static_cast<uid_t>(-1), m_keptGroup) != 0) {
                // The group is a best effort: a file that cannot keep it is still written.
            }
        }
        if (m_othersFile) {
            // A colleague's file becomes ours: the group it had keeps its access, the world gets no more
            // than our umask gives, and set-id bits, which would now act for us, go.
            struct stat now {};
            const bool groupKept = ::fstat(m_fd, &now) == 0 && now.st_gid == m_keptGroup;
            mode = m_keptMode & 0777 & ~(umask & (groupKept ? 0007 : 0077));
        }
    }
    // Flushed before the rename, so a crash after it cannot expose a torn file.
    const bool flushed = m_mode != FileMode::Private;
    int error = 0;
    if (::fchmod(m_fd, mode) != 0 || (flushed && ::fsync(m_fd) != 0)) error = errno;
    if (::close(m_fd) != 0 && error == 0) error = errno;
    m_fd = -1;
    if (error == 0 && ::rename(m_temporary.c_str(), m_destination.c_str()) != 0) error = errno;
    if (error != 0) {
        discard();
        return failure::Failure::fromErrno(error);
    }
    m_temporary.clear();
    // The rename itself is only safe on disk once the folder is.
    if (!flushed) return {};
    const int folder = ::open(folderOfFile(text::FilePath(m_destination)).native().c_str(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        if (::fsync(folder) != 0 && errno != EINVAL) error = errno;
        ::close(folder);
    }
    return failure::Failure::fromErrno(error);
}

void emptyFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
}

void removeFile(const std::string& path) { ::unlink(path.c_str()); }

failure::Failure failureOfSystemError(int systemError) { return failure::Failure::fromErrno(systemError); }

int removeStaleTemporaries(const std::string& folder) {
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        if (!isTemporaryName(entry->d_name)) continue;
        struct stat info {};
        // Only plain files of this account that no running process of ours could still be writing.
        if (::fstatat(::dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_mtime < kStartedAt &&
            ::unlinkat(::dirfd(listing), entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(listing);
    return removed;
}

}  // namespace velmora::fileio
