// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built velmora-batch on committed workbooks and checks every byte it writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "fileio/files.h"
#include "support/protected_file.h"
#include "support/read_file.h"
#include "support/run_program.h"
#include "support/utf8_path.h"
#include "velmora/build_info.h"

namespace {

namespace fs = std::filesystem;

const std::string kData = VELMORA_TEST_DATA;
const std::string kBatch = std::string(VELMORA_BIN_DIR) + "/velmora-batch" VELMORA_EXE_SUFFIX;

using velmora::testsupport::runProgram;
using velmora::testsupport::RunResult;

RunResult runBatch(const std::vector<std::string>& arguments, const fs::path& scratch) {
    return runProgram(kBatch, arguments, scratch);
}

class Batch : public ::testing::Test {
protected:
    void SetUp() override {
        m_scratch =
            fs::temp_directory_path() / ("velmora-batch-" + velmora::testsupport::processTag() + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        removeAll(m_scratch);
        fs::create_directories(m_scratch);
    }
    void TearDown() override { removeAll(m_scratch); }
    // A file a test made read-only is made writable first: Windows removes no read-only file.
    static void removeAll(const fs::path& folder) {
        std::error_code ignored;
        for (auto it = fs::recursive_directory_iterator(folder, ignored);
             it != fs::recursive_directory_iterator(); it.increment(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(folder, ignored);
    }

    std::vector<std::string> caseArguments(const fs::path& out) const {
        return {"--config", kData + "/cases/register_payments/vozuz.ini",
                "--table1", kData + "/register.xls",
                "--table2", kData + "/payments.xls",
                "--out",    out.string()};
    }
    fs::path m_scratch;
};

std::string contentOf(const fs::path& path) {
    std::string bytes;
    EXPECT_TRUE(velmora::testsupport::readWholeFile(velmora::testsupport::utf8Of(path), bytes)) << path;
    return bytes;
}

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(velmora::testsupport::utf8Of(entry.path().filename()));
    return names;
}

TEST_F(Batch, WritesExactlyTheExpectedFiles) {
    const fs::path caseFolder = kData + "/cases/register_payments";
    const std::set<std::string> expected = namesIn(caseFolder / "expected");
    EXPECT_EQ(expected.size(), 5u);
    // The same workbooks saved in each format the import reads give the same job, byte for byte.
    const struct {
        std::string folder;
        std::string extension;
    } formats[] = {{"", ".xls"}, {"/workbooks", ".xlsx"}, {"/workbooks", ".ods"}};
    for (const auto& [workbooks, extension] : formats) {
        const fs::path out = m_scratch / ("out" + extension);
        std::vector<std::string> arguments = caseArguments(out);
        arguments[3] = kData + workbooks + "/register" + extension;
        arguments[5] = kData + workbooks + "/payments" + extension;
        const RunResult run = runBatch(arguments, m_scratch);
        ASSERT_EQ(run.exitCode, 0) << extension << run.err;
        EXPECT_EQ(run.out, contentOf(caseFolder / "expected_stdout.txt")) << extension;
        EXPECT_EQ(run.err, "") << extension;
        EXPECT_EQ(namesIn(out), expected) << extension;
        for (const std::string& name : expected) {
            const fs::path file = velmora::testsupport::pathOf(name);
            EXPECT_EQ(contentOf(out / file), contentOf(caseFolder / "expected" / file)) << extension << name;
        }
    }
}

TEST_F(Batch, BadInputWritesNothingAndExitsTwo) {
    const fs::path out = m_scratch / "out";
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        const char* messagePart;
    };
    std::vector<std::string> missing = caseArguments(out);
    missing[3] = kData + "/no-such.xls";
    std::vector<std::string> encrypted = caseArguments(out);
    encrypted[5] = kData + "/encrypted.xls";
    std::vector<std::string> wrongSheet = caseArguments(out);
    wrongSheet[5] = kData + "/register.xls";  // holds no sheet "发放明细"
    std::vector<std::string> missingConfig = caseArguments(out);
    missingConfig[1] = kData + "/no-such.ini";
    // A settings file of some other program: empty settings would only fail later, naming no file.
    const fs::path otherConfigPath = m_scratch / "other.ini";
    ASSERT_TRUE(velmora::fileio::writeFileAtomically(otherConfigPath.string(), "[x]\r\ny=1\r\n").ok());
    std::vector<std::string> otherConfig = caseArguments(out);
    otherConfig[1] = otherConfigPath.string();
    // Table 2's column spec with 257 entries, one more than a workbook has columns.
    std::string settings = contentOf(kData + "/cases/register_payments/vozuz.ini");
    const std::string sourceColumnsKey =
        "\xB1\xED"
        "2"
        "\xB5\xBC\xC8\xEB\xC1\xD0=";
    const std::size_t key = settings.find(sourceColumnsKey);
    ASSERT_NE(key, std::string::npos);
    std::string columns = "1";
    for (int i = 0; i < 256; ++i) columns += ",1";
    settings.insert(key + sourceColumnsKey.size(), columns + "\r\n;");
    const fs::path wideConfigPath = m_scratch / "wide.ini";
    ASSERT_TRUE(velmora::fileio::writeFileAtomically(wideConfigPath.string(), settings).ok());
    std::vector<std::string> wideSpec = caseArguments(out);
    wideSpec[1] = wideConfigPath.string();
    const Case cases[] = {
        {"column spec beyond a workbook's columns", wideSpec, "257"},
        {"missing workbook", missing, "no-such.xls"},
        {"encrypted workbook", encrypted, "encrypted.xls"},
        {"missing worksheet", wrongSheet, "Sheet1"},
        {"missing config", missingConfig, "no-such.ini (文件不存在)"},
        {"config with no settings", otherConfig, "other.ini (文件中没有任何一项导入设置)"},
        {"unknown option", {"--tabel1", "x"}, "velmora-batch --help"},
        {"missing option", {"--table1", "a.xls"}, "--out"},
    };
    for (const Case& c : cases) {
        const RunResult run = runBatch(c.arguments, m_scratch);
        EXPECT_EQ(run.exitCode, 2) << c.what;
        EXPECT_NE(run.err.find(c.messagePart), std::string::npos) << c.what << ": " << run.err;
        EXPECT_EQ(run.out, "") << c.what;
        EXPECT_FALSE(fs::exists(out)) << c.what;
    }
}

TEST_F(Batch, UnwritableOutputExitsOne) {
    const fs::path blocker = m_scratch / "a-file";
    ASSERT_TRUE(velmora::fileio::writeFileAtomically(blocker.string(), "x").ok());
    const RunResult run = runBatch(caseArguments(blocker / "out"), m_scratch);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("a-file"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find((fs::path("a-file") / "out").string() + "（文件夹不存在）"), std::string::npos)
        << run.err;
    // The file itself given as the folder is there: it is no folder.
    const RunResult onFile = runBatch(caseArguments(blocker), m_scratch);
    EXPECT_EQ(onFile.exitCode, 1);
    EXPECT_NE(onFile.err.find("a-file（不是文件夹）"), std::string::npos) << onFile.err;
}

TEST_F(Batch, AFileThatCannotBeReplacedIsNamedWithItsReason) {
    const fs::path out = m_scratch / "out";
    ASSERT_EQ(runBatch(caseArguments(out), m_scratch).exitCode, 0);
    ASSERT_TRUE(velmora::testsupport::protectFile(velmora::testsupport::utf8Of(out / u8"导出的表1.xls")));
    const RunResult run = runBatch(caseArguments(out), m_scratch);
    EXPECT_EQ(run.exitCode, 1);
    const char* why = velmora::testsupport::isRoot() ? "导出的表1.xls（该位置是不安全的链接）"
                                                     : "导出的表1.xls（没有写入权限）";
    EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
}

TEST_F(Batch, ListsSheetsAndPrintsUsage) {
    for (const std::string workbook :
         {"/payments.xls", "/workbooks/payments.xlsx", "/workbooks/payments.ods"}) {
        const RunResult list = runBatch({"--list-sheets", kData + workbook}, m_scratch);
        EXPECT_EQ(list.exitCode, 0) << workbook;
        EXPECT_EQ(list.out, "发放明细\n说明\n") << workbook;
    }
    const RunResult bad = runBatch({"--list-sheets", kData + "/not-a-workbook.xls"}, m_scratch);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("not-a-workbook.xls"), std::string::npos);
    const RunResult help = runBatch({"--help"}, m_scratch);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--table1"), std::string::npos);
}

// Both programs answer these on standard output and write nothing; the window program must do so
// before it looks for a display.
TEST_F(Batch, BothProgramsAnswerVersionAndHelp) {
    const std::string window = std::string(VELMORA_BIN_DIR) + "/velmora" VELMORA_EXE_SUFFIX;
    const std::string version = velmora::build::kVersion;
    struct Case {
        std::string program;
        const char* argument;
        std::string expectedPart;
    };
    const Case cases[] = {
        {kBatch, "--version", "velmora-batch " + version + "\n"},
        {kBatch, "--help", "--version"},
        {window, "--version", "velmora " + version + "\n"},
        {window, "--help", "--version"},
        {window, "-h", "--help"},
    };
    for (const Case& c : cases) {
        if (!fs::exists(c.program)) continue;  // built without the window program
        const RunResult run = runProgram(c.program, {c.argument}, m_scratch,
                                         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb"});
        EXPECT_EQ(run.exitCode, 0) << c.program << " " << c.argument << ": " << run.err;
        EXPECT_NE(run.out.find(c.expectedPart), std::string::npos) << c.program << " " << c.argument;
        EXPECT_EQ(run.err, "") << c.program << " " << c.argument;
        EXPECT_EQ(namesIn(m_scratch), (std::set<std::string>{"stderr.txt", "stdout.txt"})) << c.argument;
    }
}

}  // namespace
