// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-batch on files it cannot read: the exit code and the message on stderr, never a crash.
#include <gtest/gtest.h>
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

}  // namespace
}  // namespace velmora::hostile
