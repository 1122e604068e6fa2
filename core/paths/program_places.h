// SPDX-License-Identifier: GPL-3.0-or-later
// Where a run keeps its files: beside the program when it runs from a folder of its own, in the user's
// folders when it runs from the bin folder it was installed to, which is shared and not the user's to write.
#pragma once

#include <string>

#include "text/file_path.h"

namespace velmora::paths {

enum class RunMode { Portable, Installed };

struct ProgramPlaces {
    RunMode mode = RunMode::Portable;
    text::FilePath settingsFile;  // vozuz.ini
    text::FilePath guideFile;     // the user guide that 帮助 opens
    text::FilePath outputFolder;  // the workbooks and the report; empty: the folder of Table 1's CSV file
    text::FilePath dialogFolder;  // where the first file dialog opens
};

// What the environment says about the user's folders; empty when unset.
struct UserFolders {
    std::string configHome;  // $XDG_CONFIG_HOME; %APPDATA% on Windows
    std::string home;        // $HOME, else the account's home folder; %USERPROFILE% on Windows
};

// Installed when the program's real folder is the install bin folder (both resolved through links), on
// Windows when it lies inside a Program Files folder.
RunMode runModeOf(const std::string& programDirectory, const std::string& installBinDir);

// The places of a portable run: everything in the program's folder.
ProgramPlaces portablePlaces(const text::FilePath& programDirectory);

// The places of a run in `mode`; the folder that holds the settings is not created here.
ProgramPlaces placesFor(RunMode mode, const std::string& programDirectory, const std::string& installDocDir,
                        const UserFolders& user);

// The places of this process, from its program file, the build's install folders and the environment. In
// installed mode the settings folder is created (owner only) so that saving the settings can work.
ProgramPlaces currentPlaces();

}  // namespace velmora::paths
