// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths/program_places.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/scratch_folder.h"

namespace velmora::paths {
namespace {

namespace fs = std::filesystem;
using testsupport::ScratchFolder;

// Only a program in the install bin folder itself is installed, however that folder is reached.
TEST(ProgramPlaces, InstalledOnlyFromTheInstallBinFolder) {
    ScratchFolder folder("mode");
    fs::create_directories(folder.file("usr/bin"));
    fs::create_directories(folder.file("copy/bin"));
    fs::create_directory_symlink(folder.file("usr/bin"), folder.file("bin"));
    struct Case {
        const char* programDirectory;
        const char* installBinDir;
        RunMode expected;
    };
    const Case cases[] = {
        {"usr/bin", "usr/bin", RunMode::Installed}, {"usr/bin", "bin", RunMode::Installed},
        {"bin", "usr/bin", RunMode::Installed},     {"copy/bin", "usr/bin", RunMode::Portable},
        {"usr", "usr/bin", RunMode::Portable},      {"usr/bin", "missing/bin", RunMode::Portable},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(runModeOf(folder.file(c.programDirectory), folder.file(c.installBinDir)), c.expected)
            << c.programDirectory << " vs " << c.installBinDir;
    }
}

TEST(ProgramPlaces, EachModeKeepsItsFilesInItsFolders) {
    struct Expected {
        RunMode mode;
        std::string settingsFile, guideFile, outputFolder, dialogFolder;
    };
    struct Case {
        RunMode mode;
        UserFolders user;
        Expected expected;
    };
    const Case cases[] = {
        {RunMode::Portable,
         {"/cfg", "/home/a"},
         {RunMode::Portable, "/opt/v/vozuz.ini", "/opt/v/软件使用说明.doc", "/opt/v", "/opt/v"}},
        {RunMode::Installed,
         {"/cfg", "/home/a"},
         {RunMode::Installed, "/cfg/velmora/vozuz.ini", "/doc/软件使用说明.doc", "", "/home/a"}},
        // An unset or relative configuration folder falls back to the one in the home folder.
        {RunMode::Installed,
         {"", "/home/a"},
         {RunMode::Installed, "/home/a/.config/velmora/vozuz.ini", "/doc/软件使用说明.doc", "", "/home/a"}},
        {RunMode::Installed,
         {"cfg", "/home/a"},
         {RunMode::Installed, "/home/a/.config/velmora/vozuz.ini", "/doc/软件使用说明.doc", "", "/home/a"}},
    };
    for (const Case& c : cases) {
        const ProgramPlaces places = placesFor(c.mode, "/opt/v", "/doc", c.user);
        EXPECT_EQ(places.mode, c.expected.mode);
        EXPECT_EQ(places.settingsFile.native(), c.expected.settingsFile);
        EXPECT_EQ(places.guideFile.native(), c.expected.guideFile);
        EXPECT_EQ(places.outputFolder.native(), c.expected.outputFolder);
        EXPECT_EQ(places.dialogFolder.native(), c.expected.dialogFolder);
    }
}

}  // namespace
}  // namespace velmora::paths
