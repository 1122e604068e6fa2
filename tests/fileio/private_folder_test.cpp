// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/private_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "support/scratch_folder.h"

namespace velmora::fileio {
namespace {

namespace fs = std::filesystem;

TEST(PrivateFolder, IsMadePrivateAndAnythingElseIsRefused) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> plant;
        bool accepted;
    };
    const Case cases[] = {
        {"missing, two levels deep", [](const fs::path&) {}, true},
        {"already private",
         [](const fs::path& p) { fs::create_directories(p), fs::permissions(p, fs::perms::owner_all); },
         true},
        {"open to the group",
         [](const fs::path& p) { fs::create_directories(p), fs::permissions(p, fs::perms(0750)); }, false},
        {"a link to a private folder",
         [](const fs::path& p) {
             fs::create_directories(p.parent_path() / "real");
             fs::permissions(p.parent_path() / "real", fs::perms::owner_all);
             fs::create_directory_symlink("real", p);
         },
         false},
        {"a plain file",
         [](const fs::path& p) { fs::create_directories(p.parent_path()), std::ofstream(p.string()) << "x"; },
         false},
        {"another account's folder",
         [](const fs::path& p) {
             // Only root can give a folder away; as anyone else this case is a private folder again.
             fs::create_directories(p), fs::permissions(p, fs::perms::owner_all);
             if (::getuid() == 0) {
                 ASSERT_EQ(::chown(p.c_str(), 65534, 65534), 0);
             }
         },
         ::getuid() != 0},
    };
    for (const Case& c : cases) {
        testsupport::ScratchFolder scratch("private");
        const fs::path folder = fs::path(scratch.path()) / "level" / "velmora";
        c.plant(folder);
        const failure::Failure made = makePrivateFolder(folder.string());
        EXPECT_EQ(made.ok(), c.accepted) << c.what;
        if (made.ok()) {
            struct stat info {};
            ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0700u) << c.what;
        } else {
            EXPECT_EQ(made.reason(), failure::Reason::ScratchFolderUnusable) << c.what;
        }
    }
}

}  // namespace
}  // namespace velmora::fileio
