// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths/program_places.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "fileio/files.h"
#include "settings/import_settings.h"
#include "velmora/build_info.h"

namespace velmora::paths {
namespace {

constexpr const char* kGuideName = "软件使用说明.doc";
constexpr const char* kOwnFolder = "velmora";

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

// The base folder for settings: $XDG_CONFIG_HOME when it is an absolute path (a relative one is to be
// ignored), else ~/.config.
std::string configBase(const UserFolders& user) {
    if (!user.configHome.empty() && user.configHome.front() == '/') return user.configHome;
    return fileio::joinPath(user.home, ".config");
}

// Creates each missing folder of `path`; the new ones are the owner's only, as settings are nobody else's.
void createPrivateFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
        if (slash == std::string::npos) return;
    }
}

}  // namespace

RunMode runModeOf(const std::string& programDirectory, const std::string& installBinDir) {
    return realPathOf(programDirectory) == realPathOf(installBinDir) ? RunMode::Installed : RunMode::Portable;
}

ProgramPlaces portablePlaces(const std::string& programDirectory) {
    return {RunMode::Portable, fileio::joinPath(programDirectory, settings::kSettingsFileName),
            fileio::joinPath(programDirectory, kGuideName), programDirectory, programDirectory};
}

ProgramPlaces placesFor(RunMode mode, const std::string& programDirectory, const std::string& installDocDir,
                        const UserFolders& user) {
    if (mode == RunMode::Portable) return portablePlaces(programDirectory);
    const std::string settingsFolder = fileio::joinPath(configBase(user), kOwnFolder);
    return {RunMode::Installed, fileio::joinPath(settingsFolder, settings::kSettingsFileName),
            fileio::joinPath(installDocDir, kGuideName), "", user.home};
}

ProgramPlaces currentPlaces() {
    const std::string programDirectory = fileio::programDirectory();
    const RunMode mode = runModeOf(programDirectory, build::kInstallBinDir);
    UserFolders user{environmentValue("XDG_CONFIG_HOME"), environmentValue("HOME")};
    if (user.home.empty()) user.home = accountHome();
    ProgramPlaces places = placesFor(mode, programDirectory, build::kInstallDocDir, user);
    if (mode == RunMode::Installed)
        createPrivateFolders(std::string(fileio::folderPartOf(places.settingsFile)));
    return places;
}

}  // namespace velmora::paths
