// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <functional>

#include "support/protected_file.h"
#include "support/read_file.h"

namespace velmora::fileio {
namespace {

namespace fs = std::filesystem;

class Folder : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = fs::temp_directory_path() / ("velmora-files-" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }
    std::string path(const char* name) const { return (m_folder / name).string(); }
    // The file's bytes; empty when it cannot be read.
    static std::string contentOf(const std::string& file) {
        std::string bytes;
        testsupport::readWholeFile(file, bytes);
        return bytes;
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()));
    }
    fs::path m_folder;
};

TEST_F(Folder, ReplacesTheTargetOnlyWhenComplete) {
    ASSERT_TRUE(writeFileAtomically(path("a.txt"), "old").ok());
    ASSERT_TRUE(writeFileAtomically(path("a.txt"), "new content").ok());
    EXPECT_EQ(contentOf(path("a.txt")), "new content");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(Folder, AnAbandonedWriteLeavesTheOldFileAndNoTemporary) {
    ASSERT_TRUE(writeFileAtomically(path("b.txt"), "old").ok());
    {
        AtomicFile file(path("b.txt"));
        ASSERT_TRUE(file.open().ok());
        ASSERT_EQ(::write(file.descriptor(), "half", 4), 4);
    }
    EXPECT_EQ(contentOf(path("b.txt")), "old");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(Folder, AFullDiskFailsTheWriteAndKeepsTheOldFile) {
    ASSERT_TRUE(writeFileAtomically(path("c.txt"), "old").ok());
    // A child process with a tiny file-size limit stands in for a full disk.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool written = writeFileAtomically(path("c.txt"), std::string(1 << 20, 'x')).ok();
        ::_exit(written ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the oversized write must report failure";
    EXPECT_EQ(contentOf(path("c.txt")), "old");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(Folder, MissingFolderFails) {
    EXPECT_FALSE(writeFileAtomically(path("none/d.txt"), "x").ok());
    std::string bytes;
    EXPECT_FALSE(testsupport::readWholeFile(path("none.txt"), bytes));
    EXPECT_FALSE(testsupport::readWholeFile(m_folder.string(), bytes));  // a folder is not a file
}

TEST_F(Folder, ReplacingHonoursTheTargetsOwnProtection) {
    struct Case {
        const char* what;
        std::function<std::string()> plant;  // returns the path to write to
        const char* written;                 // the file expected to hold the new bytes, or null
        unsigned mode;                       // its mode afterwards
        FileMode kind = FileMode::Shared;
        const char* untouched = nullptr;  // a file that must keep "old"
    };
    const auto fileWithMode = [this](const char* name, unsigned mode) {
        EXPECT_TRUE(writeFileAtomically(path(name), "old").ok());
        ::chmod(path(name).c_str(), mode);
        return path(name);
    };
    const auto linkToReal = [&] {
        fileWithMode("real.csv", 0664);
        fs::create_symlink("real.csv", path("link.csv"));
        return path("link.csv");
    };
    // Under the umask of 027 set below.
    const Case cases[] = {
        {"a new output", [this] { return path("new.csv"); }, "new.csv", 0640},
        {"a new settings file", [this] { return path("new.ini"); }, "new.ini", 0600, FileMode::OwnerOnly},
        {"a new scratch file", [this] { return path("db.tmp"); }, "db.tmp", 0600, FileMode::Private},
        {"an output set 0600", [&] { return fileWithMode("own.csv", 0600); }, "own.csv", 0600},
        {"an output set 0664", [&] { return fileWithMode("own.csv", 0664); }, "own.csv", 0664},
        {"a settings file set 0644", [&] { return fileWithMode("own.ini", 0644); }, "own.ini", 0644,
         FileMode::OwnerOnly},
        {"a scratch file set 0644", [&] { return fileWithMode("db.tmp", 0644); }, "db.tmp", 0600,
         FileMode::Private},
        {"a link of this account", linkToReal, "real.csv", 0664},
        {"a link at a scratch name is replaced, not followed", linkToReal, "link.csv", 0600,
         FileMode::Private, "real.csv"},
        {"a file this account may not write",
         [&] {
             fileWithMode("kept.csv", 0644);
             EXPECT_TRUE(testsupport::protectFile(path("kept.csv")));
             return path("kept.csv");
         },
         nullptr, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        const std::string target = c.plant();
        const mode_t umask = ::umask(027);
        const failure::Failure written = writeFileAtomically(target, "new", c.kind);
        ::umask(umask);
        EXPECT_EQ(written.ok(), c.written != nullptr) << c.what;
        EXPECT_EQ(contentOf(target), c.written != nullptr ? "new" : "old") << c.what;
        struct stat info {};
        if (c.written != nullptr && ::lstat(path(c.written).c_str(), &info) == 0) {
            EXPECT_TRUE(S_ISREG(info.st_mode)) << c.what;
            EXPECT_EQ(info.st_mode & 07777, c.mode) << c.what;
        }
        if (c.written != nullptr && target != path(c.written)) {
            ASSERT_EQ(::lstat(target.c_str(), &info), 0);
            EXPECT_TRUE(S_ISLNK(info.st_mode)) << c.what << ": the link stays a link";
        }
        if (c.untouched != nullptr) {
            EXPECT_EQ(contentOf(path(c.untouched)), "old") << c.what;
        }
        for (const auto& entry : fs::directory_iterator(m_folder))
            EXPECT_FALSE(entry.path().filename().string().ends_with(".part")) << c.what;
        TearDown();
    }
}

TEST_F(Folder, LeftoversOfKilledRunsGoWhenTheFolderIsWritten) {
    struct Case {
        const char* name;
        bool old;
        bool removed;
    };
    const Case cases[] = {
        {".velmora-abcdefghijkl.part", true, true},
        {".t1.csv.4711.part", true, true},
        {".gsf-save-QX81Z2", true, true},
        {".velmora-abcdefghijkm.part", false, false},
        {".notes.txt", true, false},
        {".t1.csv.part", true, false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(writeFileAtomically(path(c.name), "x").ok());
        if (c.old) {
            const timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, path(c.name).c_str(), anHourAgo, 0), 0);
        }
    }
    ASSERT_TRUE(writeFileAtomically(path("out.csv"), "new").ok());
    for (const Case& c : cases) EXPECT_EQ(fs::exists(path(c.name)), !c.removed) << c.name;
}

TEST(Paths, JoinAndWellKnownFolders) {
    EXPECT_EQ(joinPath("/a", "b"), "/a/b");
    EXPECT_EQ(joinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(temporaryFolder().back(), '/');
    EXPECT_TRUE(fs::is_directory(programDirectory()));
    EXPECT_NE(programDirectory().back(), '/');
}

}  // namespace
}  // namespace velmora::fileio

namespace velmora::fileio {
namespace {

TEST(Paths, SplitAtTheLastSlash) {
    EXPECT_EQ(folderPartOf("/a/b.txt"), "/a/");
    EXPECT_EQ(namePartOf("/a/b.txt"), "b.txt");
    EXPECT_EQ(folderPartOf("b.txt"), "");
    EXPECT_EQ(namePartOf("b.txt"), "b.txt");
    EXPECT_EQ(namePartOf("/a/"), "");
    // A file's folder on its own: no closing separator, but a root keeps it and "." stands for none.
    for (const auto& [path, folder] : std::vector<std::pair<std::string, std::string>>{
             {"/a/b.txt", "/a"}, {"/b.txt", "/"}, {"b.txt", "."}, {"C:/b.txt", "C:/"}, {"a/b/", "a/b"}})
        EXPECT_EQ(folderOfFile(text::FilePath(path)).native(), folder) << path;
}

}  // namespace
}  // namespace velmora::fileio
