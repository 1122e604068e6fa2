// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

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
    std::size_t entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()));
    }
    fs::path m_folder;
};

TEST_F(Folder, ReplacesTheTargetOnlyWhenComplete) {
    ASSERT_TRUE(writeFileAtomically(path("a.txt"), "old").ok());
    ASSERT_TRUE(writeFileAtomically(path("a.txt"), "new content").ok());
    std::string bytes;
    ASSERT_TRUE(readWholeFile(path("a.txt"), bytes));
    EXPECT_EQ(bytes, "new content");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(Folder, AnAbandonedWriteLeavesTheOldFileAndNoTemporary) {
    ASSERT_TRUE(writeFileAtomically(path("b.txt"), "old").ok());
    {
        AtomicFile file(path("b.txt"));
        ASSERT_TRUE(file.open().ok());
        ASSERT_EQ(::write(file.descriptor(), "half", 4), 4);
    }
    std::string bytes;
    readWholeFile(path("b.txt"), bytes);
    EXPECT_EQ(bytes, "old");
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
    std::string bytes;
    readWholeFile(path("c.txt"), bytes);
    EXPECT_EQ(bytes, "old");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(Folder, MissingFolderFails) {
    EXPECT_FALSE(writeFileAtomically(path("none/d.txt"), "x").ok());
    std::string bytes;
    EXPECT_FALSE(readWholeFile(path("none.txt"), bytes));
    EXPECT_FALSE(readWholeFile(m_folder.string(), bytes));  // a folder is not a file
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
}

}  // namespace
}  // namespace velmora::fileio
