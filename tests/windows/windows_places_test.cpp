// SPDX-License-Identifier: GPL-3.0-or-later
// Installed or portable on Windows: installed only inside Program Files, with the settings in %APPDATA%.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <string>

#include "paths/program_places.h"
#include "support/utf8_path.h"

namespace velmora::paths {
namespace {

namespace fs = std::filesystem;
using testsupport::utf8Of;

// Folders made for the test inside Program Files (Wine lets the user write there) and beside it.
class Folders {
public:
    Folders() {
        const fs::path programFiles(::_wgetenv(L"ProgramFiles"));
        const std::wstring tag = L"velmora-test-" + std::to_wstring(::GetCurrentProcessId());
        m_inside = programFiles / tag / L"程序";
        m_sibling = fs::path(programFiles.wstring() + L"-" + tag);
        m_elsewhere = fs::temp_directory_path() / tag;
        for (const fs::path& folder : {m_inside, m_sibling, m_elsewhere}) fs::create_directories(folder);
    }
    ~Folders() {
        std::error_code ignored;
        for (const fs::path& folder : {m_inside.parent_path(), m_sibling, m_elsewhere})
            fs::remove_all(folder, ignored);
    }
    fs::path m_inside, m_sibling, m_elsewhere;
};

TEST(WindowsPlaces, InstalledOnlyInsideProgramFiles) {
    const Folders folders;
    std::wstring upper = folders.m_inside.wstring();
    for (wchar_t& c : upper) c = static_cast<wchar_t>(::towupper(c));
    const struct {
        fs::path folder;
        RunMode expected;
    } cases[] = {
        {folders.m_inside, RunMode::Installed},   {folders.m_inside.parent_path(), RunMode::Installed},
        {fs::path(upper), RunMode::Installed},   // the file system ignores case, and so does the rule
        {folders.m_sibling, RunMode::Portable},  // a name that only starts like Program Files
        {folders.m_elsewhere, RunMode::Portable},
    };
    for (const auto& c : cases) {
        // The install bin folder of the build means nothing on Windows.
        EXPECT_EQ(runModeOf(utf8Of(c.folder), utf8Of(c.folder)), c.expected) << utf8Of(c.folder);
    }
}

TEST(WindowsPlaces, InstalledKeepsSettingsInAppDataAndTheGuideBesideTheProgram) {
    const std::string program = "C:\\Program Files\\Velmora";
    const struct {
        UserFolders user;
        std::string settingsFile;
    } cases[] = {
        {{"D:\\Profiles\\a\\Roaming", "C:\\Users\\a"}, "D:\\Profiles\\a\\Roaming\\Velmora\\vozuz.ini"},
        {{"", "C:\\Users\\a"}, "C:\\Users\\a\\AppData\\Roaming\\Velmora\\vozuz.ini"},
    };
    for (const auto& c : cases) {
        const ProgramPlaces places = placesFor(RunMode::Installed, program, "/usr/share/doc/velmora", c.user);
        EXPECT_EQ(places.settingsFile.native(), c.settingsFile);
        EXPECT_EQ(places.guideFile.native(), program + "\\软件使用说明.doc");
        EXPECT_EQ(places.outputFolder.native(), "");
        EXPECT_EQ(places.dialogFolder.native(), "C:\\Users\\a");
    }
}

}  // namespace
}  // namespace velmora::paths
