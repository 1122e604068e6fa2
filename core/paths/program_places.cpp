// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths/program_places.h"

#include "fileio/files.h"
#include "paths/system.h"
#include "settings/import_settings.h"
#include "velmora/build_info.h"

namespace velmora::paths {
namespace {

constexpr const char* kGuideName = "软件使用说明.doc";

}  // namespace

RunMode runModeOf(const std::string& programDirectory, const std::string& installBinDir) {
    return system::isInstallFolder(programDirectory, installBinDir) ? RunMode::Installed : RunMode::Portable;
}

ProgramPlaces portablePlaces(const text::FilePath& programDirectory) {
    const std::string& folder = programDirectory.native();
    return {RunMode::Portable, text::FilePath(fileio::joinPath(folder, settings::kSettingsFileName)),
            text::FilePath(fileio::joinPath(folder, kGuideName)), programDirectory, programDirectory};
}

ProgramPlaces placesFor(RunMode mode, const std::string& programDirectory, const std::string& installDocDir,
                        const UserFolders& user) {
    if (mode == RunMode::Portable) return portablePlaces(text::FilePath(programDirectory));
    const std::string settingsFolder = system::installedSettingsFolder(user);
    return {RunMode::Installed,
            text::FilePath(fileio::joinPath(settingsFolder, settings::kSettingsFileName)),
            text::FilePath(
                fileio::joinPath(system::installedGuideFolder(programDirectory, installDocDir), kGuideName)),
            {},
            text::FilePath(user.home)};
}

ProgramPlaces currentPlaces() {
    const std::string programDirectory = fileio::programDirectory();
    const RunMode mode = runModeOf(programDirectory, build::kInstallBinDir);
    ProgramPlaces places = placesFor(mode, programDirectory, build::kInstallDocDir, system::userFolders());
    if (mode == RunMode::Installed)
        system::createPrivateFolders(std::string(fileio::folderPartOf(places.settingsFile.native())));
    return places;
}

}  // namespace velmora::paths
