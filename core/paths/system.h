// SPDX-License-Identifier: GPL-3.0-or-later
// What the run's places ask of the system; one side per system (system_posix.cpp, system_windows.cpp).
#pragma once

#include <string>

#include "paths/program_places.h"

namespace velmora::paths::system {

// Whether a program in `programDirectory` was installed rather than copied there: on Linux its real folder
// is the install bin folder `installBinDir`; on Windows it lies inside a Program Files folder, where only
// an installer (an administrator) puts programs.
bool isInstallFolder(const std::string& programDirectory, const std::string& installBinDir);

// The user's folders of this system, from the environment: $XDG_CONFIG_HOME and $HOME on Linux,
// %APPDATA% and %USERPROFILE% on Windows.
UserFolders userFolders();

// The folder an installed run keeps its settings in: $XDG_CONFIG_HOME/velmora (an unset or relative one
// counts as ~/.config) on Linux, %APPDATA%\Velmora on Windows.
std::string installedSettingsFolder(const UserFolders& user);

// Where an installed program's user guide is: the install doc folder on Linux, beside the program on
// Windows, where the installer puts the whole program in one folder.
std::string installedGuideFolder(const std::string& programDirectory, const std::string& installDocDir);

// `path` with every link resolved, absolute; `path` itself when that cannot be done.
std::string realPathOf(const std::string& path);

// An environment variable as UTF-8; empty when unset.
std::string environmentValue(const char* name);

// The account's home folder as the system records it; empty when unknown.
std::string accountHome();

// Creates each missing folder of `path`, the new ones private to the account.
void createPrivateFolders(const std::string& path);

}  // namespace velmora::paths::system
