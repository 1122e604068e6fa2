// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-batch on files it cannot read: the exit code and the message on stderr, never a crash.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "hostile/hostile_test_support.h"
#include "settings/import_settings.h"
#include "text/encoding.h"
#include "xls/workbook_writer.h"

namespace velmora::hostile {
namespace {

std::string fixture(const std::string& name) { return std::string(VELMORA_TEST_DATA) + "/" + name; }

TEST(HostileBatch, UnreadableTablesExitWithTwoAndNameTheFile) {
    ScratchFolder folder("batch");
    settings::ImportSettings values;
    values[0] = "Sheet1";
    values[1] = "1,2";
    values[4] = "Sheet1";
    values[5] = "1,2";
    ASSERT_TRUE(settings::saveSettings(text::FilePath(folder.file("vozuz.ini")), values).ok());
    for (const char* table1 : {"empty.xls", "not-a-workbook.xls", "truncated.xls", "encrypted.xls"}) {
        const std::string command = std::string(VELMORA_BIN_DIR) + "/velmora-batch --config " +
                                    folder.file("vozuz.ini") + " --table1 " + fixture(table1) + " --table2 " +
                                    fixture("payments.xls") + " --out " + folder.file("out") + " 2>" +
                                    folder.file("stderr.txt") + " >/dev/null";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << table1;
        EXPECT_EQ(WEXITSTATUS(status), 2) << table1;
        const std::string err = readBytes(folder.file("stderr.txt"));
        EXPECT_NE(err.find(fixture(table1)), std::string::npos) << table1 << ": " << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "one message and nothing else: " << err;
        EXPECT_FALSE(fs::exists(folder.file("out"))) << table1;
    }
}

TEST(HostileBatch, FoldersAndFifosAsInputsAreRefusedAtOnce) {
    ScratchFolder folder("notfile");
    settings::ImportSettings values;
    values[0] = values[4] = "Sheet1";
    values[1] = values[5] = "1,2";
    ASSERT_TRUE(settings::saveSettings(text::FilePath(folder.file("vozuz.ini")), values).ok());
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0600), 0);
    fs::create_directory(folder.file("dir"));
    struct Case {
        const char* option;  // the option given something that is no file
        const char* what;
    };
    const Case cases[] = {{"--table1", "dir"},  {"--table1", "fifo"}, {"--table2", "dir"},
                          {"--table2", "fifo"}, {"--config", "dir"},  {"--config", "fifo"}};
    for (const Case& c : cases) {
        std::string arguments = " --config " + folder.file("vozuz.ini") + " --table1 " +
                                fixture("register.xls") + " --table2 " + fixture("payments.xls");
        const std::string option = std::string(" ") + c.option + " ";
        const auto at = arguments.find(option);
        const auto end = arguments.find(' ', at + option.size());
        arguments.replace(at + option.size(), end - at - option.size(), folder.file(c.what));
        // A program that waits on the FIFO is killed after a while and fails the test.
        const std::string command = "timeout 20 " + std::string(VELMORA_BIN_DIR) + "/velmora-batch" +
                                    arguments + " --out " + folder.file("out") + " 2>" +
                                    folder.file("stderr.txt") + " >/dev/null";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << c.option << " " << c.what;
        EXPECT_EQ(WEXITSTATUS(status), 2) << c.option << " " << c.what;
        const std::string err = readBytes(folder.file("stderr.txt"));
        EXPECT_NE(err.find(folder.file(c.what)), std::string::npos) << err;
        EXPECT_NE(err.find("不是普通文件"), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(folder.file("out"))) << c.option << " " << c.what;
    }
}

TEST(HostileBatch, AStandardOutputThatFailsIsReportedAfterTheFilesAreWritten) {
    ScratchFolder folder("stdout");
    int closedPipe[2];
    ASSERT_EQ(::pipe(closedPipe), 0);
    ::close(closedPipe[0]);  // nobody will read: a write gets EPIPE, or SIGPIPE if not ignored
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    const std::string data = VELMORA_TEST_DATA;
    const std::pair<int, const char*> outputs[] = {{closedPipe[1], "无法写入标准输出: 读取输出的管道已关闭"},
                                                   {full, "无法写入标准输出: 磁盘空间不足"}};
    for (const auto& [out, why] : outputs) {
        if (out < 0) continue;
        const std::string folderOut = folder.file("out" + std::to_string(out));
        const int code = runBatchUnderLimit(
            RLIMIT_CORE, 0,
            {"--config", data + "/cases/register_payments/vozuz.ini", "--table1", data + "/register.xls",
             "--table2", data + "/payments.xls", "--out", folderOut},
            folder.file("stderr.txt"), out);
        EXPECT_EQ(code, 1) << out;
        EXPECT_NE(readBytes(folder.file("stderr.txt")).find(why), std::string::npos)
            << readBytes(folder.file("stderr.txt"));
        EXPECT_EQ(std::distance(fs::directory_iterator(folderOut), fs::directory_iterator()), 5);
    }
    ::close(closedPipe[1]);
    if (full >= 0) ::close(full);
}

TEST(HostileBatch, EveryMemoryLimitEndsInADocumentedExit) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit here allows";
#endif
    // A payment list of 30,000 rows, so that reading it takes a good part of the memory.
    ScratchFolder folder("memory");
    std::vector<text::Text> headers = {"code", "name", "a", "b", "amount"};
    std::vector<std::vector<text::Text>> rows;
    for (int r = 0; r < 30000; ++r) {
        const std::string n = std::to_string(r);
        rows.push_back({"C" + n, text::gbkFromUtf8("张") + n, "x" + n, "y" + n, n + ".50"});
    }
    xls::VectorRowSource source(rows);
    ASSERT_EQ(xls::writeWorkbook(folder.file("payments.xls"), headers, source, text::gbkFromUtf8("发放明细")),
              xls::WriteError::None);
    const std::string data = VELMORA_TEST_DATA;
    std::set<int> seen;
    for (rlim_t megabytes = 40; megabytes <= 400; megabytes += 8) {
        const std::string out = folder.file("out" + std::to_string(megabytes));
        const int code = runBatchUnderLimit(
            RLIMIT_AS, megabytes << 20,
            {"--config", data + "/cases/register_payments/vozuz.ini", "--table1", data + "/register.xls",
             "--table2", folder.file("payments.xls"), "--out", out},
            folder.file("stderr.txt"));
        // Too little to even load the program's libraries: the loader's exit, not the program's.
        if (code == kChildCannotPrepare || code == 127) continue;
        seen.insert(code);
        const std::string err = readBytes(folder.file("stderr.txt"));
        SCOPED_TRACE(std::to_string(megabytes) + " MB: " + err);
        ASSERT_TRUE(code == 0 || code == 1 || code == 2) << "ended outside its exit codes: " << code;
        EXPECT_EQ(err.empty(), code == 0) << "a failure says why, a success says nothing";
        if (code == 2) {
            EXPECT_FALSE(fs::exists(out)) << "nothing is written after bad input";
        }
        if (code == 0) break;
    }
    EXPECT_TRUE(seen.count(0)) << "the run never succeeded";
    EXPECT_TRUE(seen.count(2)) << "no limit was met while reading";
}

}  // namespace
}  // namespace velmora::hostile
