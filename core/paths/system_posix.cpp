// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths/system.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "fileio/files.h"

namespace velmora::paths::system {

bool isInstallFolder(const std::string& programDirectory, const std::string& installBinDir) {
    return realPathOf(programDirectory) == realPathOf(installBinDir);
}

UserFolders userFolders() {
    UserFolders user{environmentValue("XDG_CONFIG_HOME"), environmentValue("HOME")};
    if (user.home.empty()) user.home = accountHome();
    return user;
}

std::string installedSettingsFolder(const UserFolders& user) {
    // A relative $XDG_CONFIG_HOME is to be ignored.
    const std::string base = !user.configHome.empty() && user.configHome.front() == '/'
                                 ? user.configHome
                                 : fileio::joinPath(user.home, ".config");
    return fileio::joinPath(base, "velmora");
}

std::string installedGuideFolder(const std::string&, const std::string& installDocDir) {
    return installDocDir;
}

std::string realPathOf(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return path;
    return resolved;
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string accountHome() {
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

void createPrivateFolders(const std::string& path) {
    // Settings are nobody else's: each new level is the owner's only.
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
        if (slash == std::string::npos) return;
    }
}

}  // namespace velmora::paths::system
