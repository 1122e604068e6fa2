// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-batch on files it cannot read: the exit code and the message on stderr, never a crash.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

#include "hostile/hostile_test_support.h"
#include "settings/import_settings.h"

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
    ASSERT_TRUE(settings::saveSettings(folder.file("vozuz.ini"), values).ok());
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
    ASSERT_TRUE(settings::saveSettings(folder.file("vozuz.ini"), values));
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

}  // namespace
}  // namespace velmora::hostile
