// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/private_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace velmora::fileio {
namespace {

using failure::Failure;
using failure::Reason;

Failure unusable(int systemError = 0) { return Failure(Reason::ScratchFolderUnusable, systemError); }

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

}  // namespace

Failure makePrivateFolder(const std::string& path) {
    if (path.empty()) return unusable(ENOENT);
    if (const int error = makeFolders(path)) return unusable(error);
    // Opened without following a link, then checked through the descriptor: what is checked is what
    // was opened.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return unusable(errno);
    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    const int error = statted ? 0 : errno;
    ::close(fd);
    if (!statted) return unusable(error);
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & 077) != 0) return unusable();
    return {};
}

Failure privateScratchFolder(std::string& folder) {
    // The runtime folder is private to the session already; a name of our own inside keeps it tidy.
    if (const char* runtime = nonEmptyVariable("XDG_RUNTIME_DIR")) {
        folder = std::string(runtime) + "/velmora";
        if (makePrivateFolder(folder).ok()) return {};
    }
    const char* shared = nonEmptyVariable("TMPDIR");
    folder = std::string(shared != nullptr ? shared : "/tmp") + "/velmora-" + std::to_string(::geteuid());
    return makePrivateFolder(folder);
}

}  // namespace velmora::fileio
