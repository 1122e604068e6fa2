// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths/program_places.h"

#include "fileio/files.h"
#include "paths/system.h"
#include "settings/import_settings.h"
#include "velmora/build_info.h"

namespace velmora::paths {
namespace {

constexpr const char* kGuideName = "软件使用说明.doc";
constexpr const char* kOwnFolder = "velmora";

// The base folder for settings: $XDG_CONFIG_HOME when it is an absolute path (a relative one is to be
// ignored), else ~/.config.
std::string configBase(const UserFolders& user) {
    if (!user.configHome.empty() && user.configHome.front() == '/') return user.configHome;
    return fileio::joinPath(user.home, ".config");
}

}  // namespace

RunMode runModeOf(const std::string& programDirectory, const std::string& installBinDir) {
    return system::realPathOf(programDirectory) == system::realPathOf(installBinDir) ? RunMode::Installed
                                                                                     : RunMode::Portable;
}

ProgramPlaces portablePlaces(const text::FilePath& programDirectory) {
    const std::string& folder = programDirectory.native();
    return {RunMode::Portable, text::FilePath(fileio::joinPath(folder, settings::kSettingsFileName)),
            text::FilePath(fileio::joinPath(folder, kGuideName)), programDirectory, programDirectory};
}

ProgramPlaces placesFor(RunMode mode, const std::string& programDirectory, const std::string& installDocDir,
                        const UserFolders& user) {
    if (mode == RunMode::Portable) return portablePlaces(text::FilePath(programDirectory));
    const std::string settingsFolder = fileio::joinPath(configBase(user), kOwnFolder);
    return {RunMode::Installed,
            text::FilePath(fileio::joinPath(settingsFolder, settings::kSettingsFileName)),
            text::FilePath(fileio::joinPath(installDocDir, kGuideName)),
            {},
            text::FilePath(user.home)};
}

ProgramPlaces currentPlaces() {
    const std::string programDirectory = fileio::programDirectory();
    const RunMode mode = runModeOf(programDirectory, build::kInstallBinDir);
    UserFolders user{system::environmentValue("XDG_CONFIG_HOME"), system::environmentValue("HOME")};
    if (user.home.empty()) user.home = system::accountHome();
    ProgramPlaces places = placesFor(mode, programDirectory, build::kInstallDocDir, user);
    if (mode == RunMode::Installed)
        system::createPrivateFolders(std::string(fileio::folderPartOf(places.settingsFile.native())));
    return places;
}

}  // namespace velmora::paths
