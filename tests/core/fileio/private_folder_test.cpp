// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/private_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "support/scratch_folder.h"

namespace velmora::fileio {
namespace {

namespace fs = std::filesystem;

TEST(PrivateFolder, IsMadePrivateAndAnythingElseIsRefused) {
    using failure::Reason;
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> plant;
        Reason refused;  // None: accepted, and 0700 afterwards
    };
    const Case cases[] = {
        {"missing, two levels deep", [](const fs::path&) {}, Reason::None},
        {"already private",
         [](const fs::path& p) { fs::create_directories(p), fs::permissions(p, fs::perms::owner_all); },
         Reason::None},
        {"this account's, open to reading",
         [](const fs::path& p) { fs::create_directories(p), fs::permissions(p, fs::perms(0755)); },
         Reason::None},
        {"open to the group's writing",
         [](const fs::path& p) { fs::create_directories(p), fs::permissions(p, fs::perms(0770)); },
         Reason::OpenToOthers},
        {"a link to a private folder",
         [](const fs::path& p) {
             fs::create_directories(p.parent_path() / "real");
             fs::permissions(p.parent_path() / "real", fs::perms::owner_all);
             fs::create_directory_symlink("real", p);
         },
         Reason::IsLink},
        {"a plain file",
         [](const fs::path& p) { fs::create_directories(p.parent_path()), std::ofstream(p.string()) << "x"; },
         Reason::NotAFolder},
        {"another account's folder",
         [](const fs::path& p) {
             // Only root can give a folder away; as anyone else this case is a private folder again.
             fs::create_directories(p), fs::permissions(p, fs::perms::owner_all);
             if (::getuid() == 0) {
                 ASSERT_EQ(::chown(p.c_str(), 65534, 65534), 0);
             }
         },
         ::getuid() == 0 ? Reason::OtherAccountOwns : Reason::None},
    };
    for (const Case& c : cases) {
        testsupport::ScratchFolder scratch("private");
        const fs::path folder = fs::path(scratch.path()) / "level" / "velmora";
        c.plant(folder);
        const failure::Failure made = makePrivateFolder(folder.string());
        EXPECT_EQ(made.ok(), c.refused == Reason::None) << c.what;
        if (made.ok()) {
            struct stat info {};
            ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0700u) << c.what;
        } else {
            EXPECT_EQ(made.reason(), Reason::ScratchFolderUnusable) << c.what;
            EXPECT_EQ(made.cause(), c.refused) << c.what;
            // The clerk's sentence names the folder and the cause.
            const text::Text sentence = made.describe();
            EXPECT_NE(sentence.find(folder.string()), std::string::npos) << c.what;
            EXPECT_NE(sentence.find(failure::Failure(c.refused).describe()), std::string::npos) << c.what;
        }
    }
}

// Sets an environment variable for one scope.
class Variable {
public:
    Variable(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value.empty()) {
            ::unsetenv(name);
        } else {
            ::setenv(name, value.c_str(), 1);
        }
    }
    ~Variable() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(PrivateScratchFolder, FallsBackWhenItsNameIsTaken) {
    testsupport::ScratchFolder scratch("fallback");
    const std::string tmp = scratch.file("tmp"), cache = scratch.file("cache");
    fs::create_directories(tmp);
    const std::string usual = tmp + "/velmora-" + std::to_string(::geteuid());
    const Variable runtime("XDG_RUNTIME_DIR", ""), tmpdir("TMPDIR", tmp), cacheHome("XDG_CACHE_HOME", cache);
    struct Case {
        const char* what;
        std::function<void()> plant;
        std::string chosen;  // empty: a fresh folder of its own
    };
    const Case cases[] = {
        {"nothing in the way", [] {}, usual},
        {"a file at the usual name", [&] { std::ofstream(usual) << "x"; }, cache + "/velmora"},
        {"a link at the usual name and a file at the cache's",
         [&] {
             fs::create_directory_symlink("/", usual);
             std::ofstream(cache) << "x";
         },
         ""},
    };
    for (const Case& c : cases) {
        fs::remove_all(usual), fs::remove_all(cache);
        c.plant();
        std::string path;
        {
            PrivateScratchFolder folder;
            ASSERT_TRUE(folder.choose().ok()) << c.what;
            path = folder.path();
            EXPECT_EQ(folder.fresh(), c.chosen.empty()) << c.what;
            if (c.chosen.empty()) {
                EXPECT_TRUE(path.starts_with(usual + "-")) << c.what << ": " << path;
            } else {
                EXPECT_EQ(path, c.chosen) << c.what;
            }
            struct stat info {};
            ASSERT_EQ(::lstat(path.c_str(), &info), 0) << c.what;
            EXPECT_TRUE(S_ISDIR(info.st_mode) && (info.st_mode & 07777) == 0700) << c.what;
            std::ofstream(path + "/db.tmp") << "rows";
        }
        EXPECT_EQ(fs::exists(path), !c.chosen.empty()) << c.what << ": a fresh folder goes with its run";
    }
    // With nowhere to go, the failure is the usual folder's, named.
    fs::remove_all(usual), fs::remove_all(cache);
    std::ofstream(usual) << "x";
    std::ofstream(cache) << "x";
    fs::permissions(tmp, fs::perms(0500));
    PrivateScratchFolder none;
    const failure::Failure why = none.choose();
    fs::permissions(tmp, fs::perms::owner_all);
    if (::geteuid() != 0) {  // root makes its fresh folder in a read-only folder regardless
        EXPECT_EQ(why.cause(), failure::Reason::NotAFolder);
        EXPECT_NE(why.describe().find(usual), std::string::npos);
    }
}

}  // namespace
}  // namespace velmora::fileio
