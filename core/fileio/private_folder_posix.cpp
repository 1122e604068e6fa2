// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/private_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace velmora::fileio {
namespace {

using failure::Failure;
using failure::Reason;

// mkdir -p, each new level private; levels that exist are left as they are.
int makeFolders(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) return 0;
    if (errno != ENOENT) return errno;
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return ENOENT;
    if (const int error = makeFolders(path.substr(0, slash))) return error;
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST ? 0 : errno;
}

const char* nonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

std::string temporaryBase() {
    const char* shared = nonEmptyVariable("TMPDIR");
    return std::string(shared != nullptr ? shared : "/tmp");
}

std::string cacheFolder() {
    if (const char* cache = nonEmptyVariable("XDG_CACHE_HOME")) return std::string(cache) + "/velmora";
    if (const char* home = nonEmptyVariable("HOME")) return std::string(home) + "/.cache/velmora";
    return {};
}

// Removes the fresh folder and what this program put in it; it holds no folders of its own.
void removeFreshFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    if (DIR* listing = ::fdopendir(fd)) {
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        for (const std::string& name : names) ::unlinkat(::dirfd(listing), name.c_str(), 0);
        ::closedir(listing);
    } else {
        ::close(fd);
    }
    ::rmdir(path.c_str());
}

// Failures name the folder, kept as the file system's name.
Failure unusable(const std::string& path, int systemError) {
    return Failure::scratchFolderUnusable(text::FilePath(path), systemError);
}
Failure unusable(const std::string& path, Reason cause) {
    return Failure::scratchFolderUnusable(text::FilePath(path), cause);
}

}  // namespace

Failure makePrivateFolder(const std::string& path) {
    if (path.empty()) return unusable(path, ENOENT);
    if (const int error = makeFolders(path)) return unusable(path, error);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return unusable(path, errno);
    if (S_ISLNK(info.st_mode)) return unusable(path, Reason::IsLink);
    if (!S_ISDIR(info.st_mode)) return unusable(path, Reason::NotAFolder);
    // Opened without following a link, then checked and tightened through the descriptor: what is
    // checked is what was opened.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && (errno == ELOOP || errno == ENOTDIR))  // swapped for a link or a file since
        return unusable(path, Reason::IsLink);
    if (fd < 0) return unusable(path, errno);
    Failure why;
    if (::fstat(fd, &info) != 0) {
        why = unusable(path, errno);
    } else if (info.st_uid != ::geteuid()) {
        why = unusable(path, Reason::OtherAccountOwns);
    } else if ((info.st_mode & 022) != 0) {
        why = unusable(path, Reason::OpenToOthers);
    } else if ((info.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0) {
        why = unusable(path, errno);
    }
    ::close(fd);
    return why;
}

PrivateScratchFolder::~PrivateScratchFolder() {
    if (m_fresh) removeFreshFolder(m_path);
}

Failure PrivateScratchFolder::choose() {
    std::vector<std::string> candidates;
    // The runtime folder is private to the session already; a name of our own inside keeps it tidy.
    if (const char* runtime = nonEmptyVariable("XDG_RUNTIME_DIR"))
        candidates.push_back(std::string(runtime) + "/velmora");
    const std::string shared = temporaryBase() + "/velmora-" + std::to_string(::geteuid());
    candidates.push_back(shared);
    if (std::string cache = cacheFolder(); !cache.empty()) candidates.push_back(std::move(cache));
    Failure first;
    for (const std::string& candidate : candidates) {
        const Failure made = makePrivateFolder(candidate);
        if (made.ok()) {
            m_path = candidate;
            return {};
        }
        if (first.ok()) first = made;
    }
    // mkdtemp's name cannot be guessed, so no other account can have taken it beforehand.
    std::string name = shared + "-XXXXXX";
    if (::mkdtemp(name.data()) != nullptr) {
        if (makePrivateFolder(name).ok()) {
            m_path = name;
            m_fresh = true;
            return {};
        }
        ::rmdir(name.c_str());
    }
    return first;
}

}  // namespace velmora::fileio
