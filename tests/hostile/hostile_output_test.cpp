// SPDX-License-Identifier: GPL-3.0-or-later
// Outputs that cannot be written: a read-only folder, files that cannot be replaced, a full disk. The
// export must name what it could not write and leave every earlier file byte for byte as it was.
#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "export/export_command.h"
#include "failure/failure.h"
#include "hostile/hostile_test_support.h"
#include "settings/import_settings.h"
#include "support/protected_file.h"
#include "text/encoding.h"

namespace velmora::hostile {
namespace {

using exporting::ExportOutcome;
using text::Text;

Text gbk(const char* utf8) { return text::gbkFromUtf8(utf8); }

class FolderPrompt : public exporting::CsvPathPrompt {
public:
    explicit FolderPrompt(std::string folder) : m_folder(std::move(folder)) {}
    std::optional<text::FilePath> askCsvPath(int table, const Text&) override {
        return text::FilePath(m_folder + "/t" + std::to_string(table) + ".csv");
    }

private:
    std::string m_folder;
};

// Both grids, `rows` rows each, and the export of them into one folder.
struct ExportRun {
    model::Grid registerGrid;
    model::Grid sourceGrid;
    Text unitText = gbk("某单位");

    explicit ExportRun(int rows = 2) {
        for (model::Grid* grid : {&registerGrid, &sourceGrid}) {
            grid->appendColumn(gbk("编码"));
            grid->appendColumn(gbk("姓名"));
            for (int r = 0; r < rows; ++r) {
                const int row = grid->appendRow();
                grid->setCell(row, 0, "00" + std::to_string(r));
                grid->setCell(row, 1, gbk("张三") + std::to_string(r));
            }
        }
    }
    ExportOutcome run(const std::string& folder) {
        FolderPrompt prompt(folder);
        model::Progress progress;
        return exporting::runExport({registerGrid, sourceGrid, text::FilePath(folder), unitText, "summary",
                                     "", "", prompt, progress});
    }
};

const char* const kOutputs[] = {"t1.csv", "导出的表1.xls", "t2.csv", "导出的表2.xls", "某单位_待核对.txt"};

// Exports once so that every output exists, and returns each file's bytes.
std::map<std::string, std::string> exportOnce(const ScratchFolder& folder) {
    ExportRun first;
    EXPECT_TRUE(first.run(folder.path()).failedFiles.empty());
    std::map<std::string, std::string> bytes;
    for (const char* name : kOutputs) {
        bytes[name] = readBytes(folder.file(name));
        EXPECT_FALSE(bytes[name].empty()) << name;
    }
    return bytes;
}

void expectUnchanged(const ScratchFolder& folder, const std::map<std::string, std::string>& before) {
    for (const auto& [name, bytes] : before) EXPECT_EQ(readBytes(folder.file(name)), bytes) << name;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        EXPECT_NE(entry.path().extension(), ".part") << "a half-written file was left behind";
    }
}

// In a child with a mount namespace of its own, so that no mount outlives the test.
bool privateMounts() {
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

TEST(HostileOutputs, AReadOnlyFolderFailsEveryFileAndKeepsTheOldOnes) {
    ScratchFolder folder("readonly");
    const auto before = exportOnce(folder);
    // Root writes anywhere permissions allow, so the folder is made read-only by a read-only mount.
    const int failed = runInChild([&] {
        const std::string folderPath = folder.path();
        const char* path = folderPath.c_str();
        if (!privateMounts() || ::mount(path, path, nullptr, MS_BIND, nullptr) != 0 ||
            ::mount(nullptr, path, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            return kChildCannotPrepare;
        }
        ExportRun second(5);
        const ExportOutcome outcome = second.run(folder.path());
        for (const exporting::FailedFile& file : outcome.failedFiles) {
            if (file.reason.reason() != failure::Reason::ReadOnlyFileSystem)
                return 101;  // not "no permission"
        }
        return outcome.warning ? static_cast<int>(outcome.failedFiles.size()) : 100;
    });
    if (failed == kChildCannotPrepare) GTEST_SKIP() << "no read-only mount possible here";
    EXPECT_EQ(failed, 5);
    expectUnchanged(folder, before);
}

TEST(HostileOutputs, AReadOnlyFolderByPermissionsFailsEveryFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    ScratchFolder folder("perms");
    const auto before = exportOnce(folder);
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    ExportRun second(5);
    const ExportOutcome outcome = second.run(folder.path());
    fs::permissions(folder.path(), fs::perms::owner_all);
    EXPECT_EQ(outcome.failedFiles.size(), 5u);
    expectUnchanged(folder, before);
}

TEST(HostileOutputs, FilesThatCannotBeReplacedSurviveAndAreNamed) {
    ScratchFolder folder("blocked");
    const auto before = exportOnce(folder);
    // Files this account may not replace are left alone, and the message says why.
    for (const char* name : {"t1.csv", "导出的表1.xls"})
        ASSERT_TRUE(testsupport::protectFile(folder.file(name)));
    ExportRun second(5);
    const ExportOutcome outcome = second.run(folder.path());
    const std::vector<Text> expected = {"t1.csv", gbk("导出的表1.xls")};
    EXPECT_EQ(exporting::namesOf(outcome.failedFiles), expected);
    const Text why = outcome.failedFiles.at(0).reason.describe();
    EXPECT_EQ(why, failure::Failure(::geteuid() == 0 ? failure::Reason::ForeignLink
                                                     : failure::Reason::NoWritePermission)
                       .describe());
    EXPECT_EQ(outcome.message.rfind(gbk("导出未全部成功,以下文件未能写入:\r\nt1.csv（") + why +
                                        gbk("）\r\n"
                                            "导出的表1.xls（") +
                                        why + gbk("）\r\n"),
                                    0),
              0u);
    EXPECT_EQ(readBytes(folder.file("t1.csv")), before.at("t1.csv"));
    EXPECT_EQ(readBytes(folder.file("导出的表1.xls")), before.at("导出的表1.xls"));
    EXPECT_NE(readBytes(folder.file("t2.csv")), before.at("t2.csv"));  // the others were written
}

TEST(HostileOutputs, AFileSizeLimitFailsTheLargeFilesAndKeepsTheOldOnes) {
    // The shipped program under the limit, signals as the shell leaves them: a write past the limit
    // must fail and be reported, not end the program.
    ScratchFolder folder("fsize");
    const std::string out = folder.file("out");
    fs::create_directory(out);
    std::map<std::string, std::string> before;
    for (const char* name : {"导出的表1.xls", "导出的表2.xls", "表1导出.CSV", "表2导出.CSV"}) {
        before[name] = std::string("old ") + name;
        writeBytes(out + "/" + name, before[name]);
    }
    const std::string data = VELMORA_TEST_DATA;
    const int code =
        runBatchUnderLimit(RLIMIT_FSIZE, 4096,
                           {"--config", data + "/cases/register_payments/vozuz.ini", "--table1",
                            data + "/register.xls", "--table2", data + "/payments.xls", "--out", out},
                           folder.file("stderr.txt"));
    ASSERT_NE(code, kChildCannotPrepare);
    EXPECT_EQ(code, 1);
    const std::string err = readBytes(folder.file("stderr.txt"));
    // The workbooks (about 6 KB each) are over the limit; the CSVs and the report are not.
    for (const char* name : {"导出的表1.xls", "导出的表2.xls"}) {
        EXPECT_NE(err.find(name), std::string::npos) << err;
        EXPECT_EQ(readBytes(out + "/" + name), before[name]) << name;
    }
    for (const char* name : {"表1导出.CSV", "表2导出.CSV"})
        EXPECT_NE(readBytes(out + "/" + name), before[name]);
    for (const auto& entry : fs::directory_iterator(out)) {
        EXPECT_NE(entry.path().extension(), ".part") << "a half-written file was left behind";
    }
}

TEST(HostileOutputs, AFullDiskFailsTheWritesAndKeepsTheOldFiles) {
    ScratchFolder folder("tmpfs");
    // The old files live on a tiny disk of their own, so the check runs inside the child.
    const int result = runInChild([&] {
        const std::string folderPath = folder.path();
        const char* path = folderPath.c_str();
        if (!privateMounts() || ::mount("tmpfs", path, "tmpfs", 0, "size=96k") != 0)
            return kChildCannotPrepare;
        ExportRun first;
        if (!first.run(folder.path()).failedFiles.empty()) return 10;
        const std::string oldCsv = readBytes(folder.file("t1.csv"));
        ExportRun second(4000);
        const ExportOutcome outcome = second.run(folder.path());
        if (outcome.failedFiles.empty() || !outcome.warning) return 11;
        if (readBytes(folder.file("t1.csv")) != oldCsv) return 12;
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            if (entry.path().extension() == ".part") return 13;
        }
        return 0;
    });
    if (result == kChildCannotPrepare) GTEST_SKIP() << "no tmpfs can be mounted here";
    EXPECT_EQ(result, 0) << "10: first export failed, 11: failure not reported, 12: old CSV changed, "
                            "13: half-written file left";
}

TEST(HostileOutputs, AFullScratchDiskSaysSoAndNamesTheFolder) {
    ScratchFolder folder("scratchfull");
    const std::string scratch = folder.file("scratch"), out = folder.file("out");
    fs::create_directories(scratch), fs::create_directories(out);
    const int result = runInChild([&] {
        // Room for the blank template database, not for the rows.
        if (!privateMounts() || ::mount("tmpfs", scratch.c_str(), "tmpfs", 0, "size=160k") != 0)
            return kChildCannotPrepare;
        ::setenv("XDG_RUNTIME_DIR", scratch.c_str(), 1);
        ExportRun run(20000);
        const ExportOutcome outcome = run.run(out);
        const std::vector<Text> workbooks = {gbk("导出的表1.xls"), gbk("导出的表2.xls")};
        if (exporting::namesOf(outcome.failedFiles) != workbooks) return 10;
        for (const exporting::FailedFile& failed : outcome.failedFiles) {
            if (failed.reason.reason() != failure::Reason::DiskFull) return 11;
            if (failed.reason.describe().find(scratch + "/velmora") == Text::npos) return 12;
        }
        return outcome.message.find(gbk("磁盘空间不足")) == Text::npos ? 13 : 0;
    });
    if (result == kChildCannotPrepare) GTEST_SKIP() << "no tmpfs can be mounted here";
    EXPECT_EQ(result, 0) << "10: other files failed, 11: not told as a full disk, 12: folder not named, "
                            "13: not in the message";
}

TEST(HostileOutputs, TwoRunsIntoOneFolderTakeTurns) {
    // Each run alone, for the files it leaves; then both at once into one folder.
    const int rows[] = {2000, 3000};
    std::vector<std::map<std::string, std::string>> alone;
    for (int count : rows) {
        ScratchFolder folder("alone" + std::to_string(count));
        ExportRun run(count);
        ASSERT_TRUE(run.run(folder.path()).failedFiles.empty());
        alone.emplace_back();
        for (const char* name : kOutputs) alone.back()[name] = readBytes(folder.file(name));
    }
    ScratchFolder folder("together");
    ExportRun first(rows[0]), second(rows[1]);
    ExportOutcome firstOutcome, secondOutcome;
    std::thread other([&] { firstOutcome = first.run(folder.path()); });
    secondOutcome = second.run(folder.path());
    other.join();
    EXPECT_TRUE(firstOutcome.failedFiles.empty());
    EXPECT_TRUE(secondOutcome.failedFiles.empty());
    std::map<std::string, std::string> together;
    for (const char* name : kOutputs) together[name] = readBytes(folder.file(name));
    EXPECT_TRUE(together == alone[0] || together == alone[1]) << "the folder holds a mix of both runs";
}

TEST(HostileOutputs, PathSeparatorsInTheUnitLineStayInTheReportName) {
    ScratchFolder folder("unit");
    ExportRun run;
    run.unitText = "../a/b\\c:" + gbk("单位");
    const ExportOutcome outcome = run.run(folder.path());
    EXPECT_TRUE(outcome.failedFiles.empty());
    EXPECT_TRUE(fs::is_regular_file(folder.file(".._a_b_c_单位_待核对.txt")));
    EXPECT_FALSE(fs::exists(fs::path(folder.path()).parent_path() / "a"));
}

}  // namespace
}  // namespace velmora::hostile

namespace velmora::hostile {
namespace {

// Two ordinary accounts on one machine, played by root's children: what one plants or leaves behind
// must neither reach the other's files nor be readable by it.
constexpr uid_t kClerk = 4242, kOther = 4243;

// How an account's session is set up: its umask, and a group it is a member of besides its own.
struct Session {
    mode_t umask = 077;
    gid_t group = 0;  // none when 0
};

// Runs `body` in a child as `account`, with TMPDIR `tmpdir` (unset when empty).
int runAs(uid_t account, const std::string& tmpdir, const std::function<int()>& body, Session session = {}) {
    return runInChild([&] {
        const gid_t groups[] = {session.group};
        if (::setgroups(session.group != 0 ? 1 : 0, groups) != 0 || ::setgid(account) != 0 ||
            ::setuid(account) != 0)
            return kChildCannotPrepare;
        ::umask(session.umask);
        ::unsetenv("XDG_RUNTIME_DIR");
        ::unsetenv("XDG_CACHE_HOME");
        ::setenv("HOME", "/nonexistent", 1);
        if (tmpdir.empty()) {
            ::unsetenv("TMPDIR");
        } else {
            ::setenv("TMPDIR", tmpdir.c_str(), 1);
        }
        return body();
    });
}

// Exports as `account` into `out`; returns each failed file with its reason, or nullopt when the child
// could not run.
std::optional<std::map<std::string, failure::Reason>> exportAs(uid_t account, const std::string& tmpdir,
                                                               const std::string& out, Session session = {}) {
    int channel[2];
    if (::pipe(channel) != 0) return std::nullopt;
    const int code = runAs(
        account, tmpdir,
        [&] {
            ::close(channel[0]);
            ExportRun run;
            const ExportOutcome outcome = run.run(out);
            std::string lines;
            for (const exporting::FailedFile& failed : outcome.failedFiles)
                lines += failed.name + "\t" + std::to_string(int(failed.reason.reason())) + "\n";
            return ::write(channel[1], lines.data(), lines.size()) == static_cast<ssize_t>(lines.size()) ? 0
                                                                                                         : 1;
        },
        session);
    ::close(channel[1]);
    std::string lines(1 << 16, '\0');
    const ssize_t got = ::read(channel[0], lines.data(), lines.size());
    ::close(channel[0]);
    if (code != 0 || got < 0) return std::nullopt;
    std::map<std::string, failure::Reason> failed;
    std::istringstream in(lines.substr(0, static_cast<std::size_t>(got)));
    for (std::string name, reason; std::getline(in, name, '\t') && std::getline(in, reason);)
        failed[text::utf8FromGbk(name)] = failure::Reason(std::stoi(reason));
    return failed;
}

// Every file and folder under `folder` that `account` owns is closed to everyone else.
void expectPrivate(const std::string& folder, uid_t account, const char* what) {
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat info {};
        if (::lstat(entry.path().c_str(), &info) == 0 && info.st_uid == account && !S_ISLNK(info.st_mode)) {
            EXPECT_EQ(info.st_mode & 077, 0u) << what << ": " << entry.path();
        }
    }
}

bool makeFolder(const std::string& path, mode_t mode, uid_t owner) {
    return ::mkdir(path.c_str(), mode) == 0 && ::chmod(path.c_str(), mode) == 0 &&
           ::chown(path.c_str(), owner, owner) == 0;
}

TEST(SharedDesktop, WhatAnotherAccountPlantsChangesNothingOfTheClerksFiles) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing two accounts needs root";
    using failure::Reason;
    const std::string privateName = "velmora-" + std::to_string(kClerk);
    struct Case {
        const char* what;
        std::function<void(const std::string& shared, const std::string& out, const std::string& precious)>
            plant;
        std::map<std::string, Reason> failed;
    };
    const Case cases[] = {
        {"links and files at the shared scratch names",
         [](const std::string& shared, const std::string&, const std::string& precious) {
             for (const char* name : {"db.tmp", "export.lock", "velmora.lock"})
                 EXPECT_EQ(::symlink(precious.c_str(), (shared + "/" + name).c_str()), 0);
             writeBytes(shared + "/db.tmp-journal", "not a journal of ours");
         },
         {}},
        {"links at the output names",
         [](const std::string&, const std::string& out, const std::string& precious) {
             for (const char* name : {"t1.csv", "导出的表1.xls"})
                 EXPECT_EQ(::symlink(precious.c_str(), (out + "/" + name).c_str()), 0);
         },
         {{"t1.csv", Reason::ForeignLink}, {"导出的表1.xls", Reason::ForeignLink}}},
        {"the other account's files at the output names",
         [](const std::string&, const std::string& out, const std::string&) {
             writeBytes(out + "/t2.csv", "writable by all");
             ::chmod((out + "/t2.csv").c_str(), 0666);
             writeBytes(out + "/某单位_待核对.txt", "its own");
             ::chmod((out + "/某单位_待核对.txt").c_str(), 0644);
         },
         // A shared folder's sticky bit keeps another account's file its own, even one open to all.
         {{"t2.csv", Reason::NoWritePermission}, {"某单位_待核对.txt", Reason::NoWritePermission}}},
        // Whatever takes the private folder's name first, the scratch goes to a fresh folder instead.
        {"the private folder's name taken",
         [&](const std::string& shared, const std::string&, const std::string&) {
             ::mkdir((shared + "/" + privateName).c_str(), 0777);
         },
         {}},
        {"a link at the private folder's name",
         [&](const std::string& shared, const std::string&, const std::string&) {
             EXPECT_EQ(::symlink("/tmp", (shared + "/" + privateName).c_str()), 0);
         },
         {}},
        {"a file at the private folder's name",
         [&](const std::string& shared, const std::string&, const std::string&) {
             writeBytes(shared + "/" + privateName, "in the way");
         },
         {}},
    };
    for (const Case& c : cases) {
        ScratchFolder base("desktop");
        const std::string shared = base.file("shared"), out = base.file("out"), home = base.file("clerk");
        const std::string precious = home + "/precious.csv";
        ASSERT_TRUE(makeFolder(shared, 01777, 0) && makeFolder(out, 01777, 0) &&
                    makeFolder(home, 0700, kClerk));
        writeBytes(precious, "the clerk's figures");
        ASSERT_EQ(::chown(precious.c_str(), kClerk, kClerk), 0);
        ASSERT_EQ(::chmod(precious.c_str(), 0600), 0);
        ASSERT_EQ(runAs(kOther, shared, [&] { return c.plant(shared, out, precious), 0; }, {022}), 0)
            << c.what;

        const auto failed = exportAs(kClerk, shared, out);
        ASSERT_TRUE(failed.has_value()) << c.what;
        EXPECT_EQ(*failed, c.failed) << c.what;
        EXPECT_EQ(readBytes(precious), "the clerk's figures") << c.what;
        for (const char* name : kOutputs) {
            struct stat info {};
            if (c.failed.count(name) == 0 && ::lstat((out + "/" + name).c_str(), &info) == 0) {
                EXPECT_EQ(info.st_uid, kClerk) << c.what << ": " << name;
            }
        }
        expectPrivate(base.path(), kClerk, c.what);
        // A fresh folder went with its run; only what the other account planted is left.
        for (const auto& entry : fs::directory_iterator(shared)) {
            struct stat info {};
            if (::lstat(entry.path().c_str(), &info) == 0 && info.st_uid == kClerk) {
                EXPECT_EQ(entry.path().filename(), privateName) << c.what;
            }
        }
    }
}

TEST(SharedDesktop, TheClerksOwnScratchFolderOpenToReadingIsTightened) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing two accounts needs root";
    ScratchFolder base("tighten");
    const std::string shared = base.file("shared"), out = base.file("out");
    const std::string scratch = shared + "/velmora-" + std::to_string(kClerk);
    ASSERT_TRUE(makeFolder(shared, 01777, 0) && makeFolder(out, 0700, kClerk) &&
                makeFolder(scratch, 0755, kClerk));
    const auto failed = exportAs(kClerk, shared, out);
    ASSERT_TRUE(failed.has_value());
    EXPECT_TRUE(failed->empty());
    struct stat info {};
    ASSERT_EQ(::lstat(scratch.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_TRUE(fs::exists(scratch + "/db.tmp"));
}

TEST(SharedDesktop, TwoAccountsInOneGroupFolderLeaveFilesBothCanRead) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing two accounts needs root";
    constexpr gid_t kTeam = 4250;
    ScratchFolder base("group");
    const std::string shared = base.file("shared"), out = base.file("team");
    // The usual group folder: the team's, setgid so new files join the team, no sticky bit.
    ASSERT_TRUE(makeFolder(shared, 01777, 0) && makeFolder(out, 02775, 0));
    ASSERT_EQ(::chown(out.c_str(), 0, kTeam), 0);
    ASSERT_EQ(::chmod(out.c_str(), 02775), 0);
    // The clerk shares by umask 002; the colleague who replaces the files keeps the usual 022.
    const Session clerk{002, kTeam}, colleague{022, kTeam};
    const auto expectFiles = [&](uid_t owner, const char* when) {
        for (const char* name : kOutputs) {
            struct stat info {};
            ASSERT_EQ(::lstat((out + "/" + name).c_str(), &info), 0) << when << ": " << name;
            EXPECT_EQ(info.st_uid, owner) << when << ": " << name;
            EXPECT_EQ(info.st_gid, kTeam) << when << ": " << name;
            EXPECT_EQ(info.st_mode & 07777, 0664u) << when << ": " << name;
        }
        // Each account opens each file, to read and to write.
        for (const auto& [account, session] : {std::pair{kClerk, clerk}, std::pair{kOther, colleague}}) {
            const int opened = runAs(
                account, shared,
                [&] {
                    for (const char* name : kOutputs) {
                        const int fd = ::open((out + "/" + name).c_str(), O_RDWR);
                        if (fd < 0) return 1;
                        ::close(fd);
                    }
                    return 0;
                },
                session);
            EXPECT_EQ(opened, 0) << when << ": account " << account;
        }
    };
    auto failed = exportAs(kClerk, shared, out, clerk);
    ASSERT_TRUE(failed.has_value());
    EXPECT_TRUE(failed->empty());
    expectFiles(kClerk, "new files");
    failed = exportAs(kOther, shared, out, colleague);
    ASSERT_TRUE(failed.has_value());
    EXPECT_TRUE(failed->empty());
    expectFiles(kOther, "replaced by the colleague");
    // Scratch files stay each account's own whatever the umask.
    for (uid_t account : {kClerk, kOther})
        expectPrivate(shared + "/velmora-" + std::to_string(account), account, "scratch folder");
}

TEST(SharedDesktop, TwoAccountsExportOneAfterTheOther) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing two accounts needs root";
    ScratchFolder base("turns");
    const std::string shared = base.file("shared");
    ASSERT_TRUE(makeFolder(shared, 01777, 0));
    for (const std::string& tmpdir : {shared, std::string()}) {
        for (uid_t account : {kClerk, kOther}) fs::remove_all("/tmp/velmora-" + std::to_string(account));
        for (uid_t account : {kClerk, kOther}) {
            const std::string out =
                base.file("out-" + std::to_string(account) + (tmpdir.empty() ? "-tmp" : ""));
            ASSERT_TRUE(makeFolder(out, 0755, account));
            const auto failed = exportAs(account, tmpdir, out);
            ASSERT_TRUE(failed.has_value());
            EXPECT_TRUE(failed->empty()) << "TMPDIR=" << tmpdir << ", account " << account;
        }
        for (uid_t account : {kClerk, kOther}) {
            const std::string scratch =
                (tmpdir.empty() ? std::string("/tmp") : tmpdir) + "/velmora-" + std::to_string(account);
            EXPECT_TRUE(fs::exists(scratch + "/db.tmp")) << scratch;
            expectPrivate(scratch, account, "scratch folder");
            if (tmpdir.empty()) fs::remove_all(scratch);
        }
    }
}

}  // namespace
}  // namespace velmora::hostile
