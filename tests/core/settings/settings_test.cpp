// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "fileio/files.h"
#include "settings/file_encoding.h"
#include "settings/import_settings.h"
#include "settings/ini_file.h"
#include "support/read_file.h"
#include "support/this_process.h"
#include "text/encoding.h"

namespace velmora::settings {
namespace {

namespace fs = std::filesystem;
Text gbk(const char* utf8) { return text::gbkFromUtf8(utf8); }

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder =
            fs::temp_directory_path() / ("velmora-settings-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        m_path = (m_folder / kSettingsFileName).string();
    }
    void TearDown() override {
        fs::permissions(m_folder, fs::perms::owner_all);
        fs::remove_all(m_folder);
    }
    std::string content() const {
        std::string bytes;
        testsupport::readWholeFile(m_path, bytes);
        return bytes;
    }
    void write(std::string_view bytes) const { ASSERT_TRUE(fileio::writeFileAtomically(m_path, bytes).ok()); }

    fs::path m_folder;
    std::string m_path;
};

ImportSettings sample() { return {"Sheet1", "1,2", "4", "8", gbk("发放明细"), "1,2,3,4", gbk("２")}; }

TEST_F(SettingsFile, SavesTheDocumentedLayoutFromEmpty) {
    ASSERT_TRUE(saveSettings(text::FilePath(m_path), sample()).ok());
    const Text expected =
        gbk("[表1导入设置]\r\n表1导入工作表名=Sheet1\r\n表1导入列=1,2\r\n表1导入行=4\r\n表1欲填数的列数=8\r\n"
            "[表2导入设置]\r\n表2导入工作表名=发放明细\r\n表2导入列=1,2,3,4\r\n表2导入行=２\r\n");
    EXPECT_EQ(content(), expected);
    EXPECT_EQ(loadSettings(text::FilePath(m_path)), sample());
}

TEST_F(SettingsFile, EmptyBoxesSaveEmptyValues) {
    ASSERT_TRUE(saveSettings(text::FilePath(m_path), ImportSettings{}).ok());
    EXPECT_NE(content().find(gbk("表1导入列=\r\n")), std::string::npos);
    EXPECT_EQ(loadSettings(text::FilePath(m_path)), ImportSettings{});
}

TEST_F(SettingsFile, MissingFileSectionOrKeyReadsEmpty) {
    EXPECT_EQ(loadSettings(text::FilePath(m_path)), ImportSettings{});
    ASSERT_TRUE(saveSettings(text::FilePath(m_path), sample()).ok());
    Text bytes = content();
    const Text line = gbk("表1导入列=1,2\r\n");
    bytes.erase(bytes.find(line), line.size());
    write(bytes);
    ImportSettings expected = sample();
    at(expected, SettingId::RegisterColumns).clear();
    EXPECT_EQ(loadSettings(text::FilePath(m_path)), expected);
}

TEST_F(SettingsFile, KeepsForeignSectionsAndKeys) {
    write(gbk("; note\r\n[其他]\r\nx=1\r\n[表1导入设置]\r\n备注=保留\r\n表1导入列=9\r\n\r\n[尾]\r\ny=2\r\n"));
    ASSERT_TRUE(saveSettings(text::FilePath(m_path), sample()).ok());
    const Text after = content();
    for (const char* kept : {"; note\r\n", "[其他]\r\nx=1\r\n", "备注=保留\r\n", "[尾]\r\ny=2\r\n"}) {
        EXPECT_NE(after.find(gbk(kept)), std::string::npos) << kept;
    }
    EXPECT_EQ(loadSettings(text::FilePath(m_path)), sample());
    EXPECT_EQ(after.find(gbk("表1导入列=9")), std::string::npos);
}

TEST_F(SettingsFile, ReadsUtf8AndUtf16AndSavesBackInTheSameEncoding) {
    // The same file as the program writes it, with a line of another program, saved by other editors.
    const Text gbkFile = gbk("[其他]\r\n说明=保留\r\n") + [] {
        std::string bytes;
        for (std::size_t i = 0; i < kSettingCount; ++i) {
            const auto id = static_cast<SettingId>(i);
            if (i == 0 || id == SettingId::SourceSheet) bytes += "[" + sectionOf(id) + "]\r\n";
            bytes += keyOf(id) + "=" + sample()[i] + "\r\n";
        }
        return bytes;
    }();
    const std::string utf8 = text::utf8FromGbk(gbkFile);
    const auto utf16 = [&](bool bigEndian) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t unit : text::utf16FromGbk(gbkFile)) {
            const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
            bytes += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        return bytes;
    };
    // Valid UTF-8 by chance, and plausible GBK: two GB2312 characters, so GBK it stays.
    const Text gbkAlsoUtf8 = "[s]\r\nk=\xC3\xA9\xC3\xA9\r\n";
    struct Case {
        const char* what;
        std::string bytes;
        FileEncoding encoding;
    };
    const Case cases[] = {
        {"GBK", gbkFile, FileEncoding::Gbk},
        {"UTF-8", utf8, FileEncoding::Utf8},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + utf8, FileEncoding::Utf8WithBom},
        {"UTF-16 little-endian", utf16(false), FileEncoding::Utf16Le},
        {"UTF-16 big-endian", utf16(true), FileEncoding::Utf16Be},
        {"GBK that is also valid UTF-8", gbkAlsoUtf8, FileEncoding::Gbk},
    };
    for (const Case& c : cases) {
        write(c.bytes);
        EXPECT_EQ(detectEncoding(c.bytes), c.encoding) << c.what;
        FileEncoding read = FileEncoding::Gbk;
        if (c.bytes != gbkAlsoUtf8) {
            EXPECT_EQ(loadSettings(text::FilePath(m_path)), sample()) << c.what;
            ImportSettings changed = sample();
            at(changed, SettingId::SourceSheet) = gbk("另一张表");
            ASSERT_TRUE(saveSettings(text::FilePath(m_path), changed).ok()) << c.what;
            const Text after = decodeSettingsFile(content(), read);
            EXPECT_EQ(read, c.encoding) << c.what << ": saved in the encoding it came in";
            EXPECT_NE(after.find(gbk("说明=保留")), std::string::npos) << c.what;
            EXPECT_EQ(loadSettings(text::FilePath(m_path)), changed) << c.what;
        }
    }
}

TEST_F(SettingsFile, TellsAFileOfNoSettingsAndOneBeyondTheProgramsLimit) {
    struct Case {
        const char* what;
        std::function<void()> make;
        failure::Reason why;
    };
    const Case cases[] = {
        {"missing", [] {}, failure::Reason::FileMissing},
        {"none of the seven keys", [this] { write("[x]\r\ny=1\r\n"); }, failure::Reason::NoSettings},
        {"one key", [this] { write(gbk("[表2导入设置]\r\n表2导入行=3\r\n")); }, failure::Reason::None},
        {"larger than the program reads",
         [this] {
             write("");
             fs::resize_file(m_path, (std::size_t(64) << 20) + 1);
         },
         failure::Reason::OverProgramLimit},
    };
    for (const Case& c : cases) {
        fs::remove(m_path);
        c.make();
        failure::Failure why;
        loadSettings(text::FilePath(m_path), why);
        EXPECT_EQ(why.reason(), c.why) << c.what;
    }
    EXPECT_EQ(failure::Failure(failure::Reason::OverProgramLimit).describe(),
              gbk("文件超过本程序读取的大小上限"));
}

TEST_F(SettingsFile, ANewFileIsTheAccountsOwnAndAReplacedOneKeepsItsMode) {
    if (!testsupport::hasModeBits()) GTEST_SKIP() << "no POSIX modes on this system";
    const mode_t umask = ::umask(002);
    ASSERT_TRUE(saveSettings(text::FilePath(m_path), sample()).ok());
    struct stat info {};
    ASSERT_EQ(::stat(m_path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ::chmod(m_path.c_str(), 0640);
    ASSERT_TRUE(saveSettings(text::FilePath(m_path), sample()).ok());
    ::umask(umask);
    ASSERT_EQ(::stat(m_path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(IniFile, FollowsPrivateProfileRules) {
    const IniFile ini = IniFile::parse(
        "[Sec]\nKey =  spaced value \t\r\nkey=second\n[sec]\nKEY=third\n[Other]\nk=v\nbroken line\n");
    EXPECT_EQ(ini.value("SEC", "key"), "spaced value");  // case-insensitive, first match wins
    EXPECT_EQ(ini.value("other", "K"), "v");
    EXPECT_EQ(ini.value("Sec", "missing"), std::nullopt);
    EXPECT_EQ(ini.value("None", "k"), std::nullopt);
}

TEST(IniFile, FoldsCaseOfAsciiOnly) {
    // 0xB0 0x41 and 0xB0 0x61 are two different characters whose trail bytes are "A" and "a".
    EXPECT_FALSE(equalsIgnoringAsciiCase("\xB0\x41", "\xB0\x61"));
    EXPECT_TRUE(equalsIgnoringAsciiCase("Ab\xB0\x41", "aB\xB0\x41"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("a", "ab"));
}

TEST(IniFile, CutsLongValuesAtACharacterBoundary) {
    const std::string longAscii(1 << 20, 'x');
    EXPECT_EQ(IniFile::parse("[s]\nk=" + longAscii).value("s", "k")->size(), kMaxValueBytes);
    // 10,238 ASCII bytes then a two-byte character: the character would end at 10,240, so it goes.
    const std::string split = std::string(10238, 'y') + "\xD5\xC5" + "z";
    EXPECT_EQ(IniFile::parse("[s]\nk=" + split).value("s", "k"), std::string(10238, 'y'));
}

TEST(IniFile, SurvivesBinaryGarbage) {
    std::string garbage;
    for (int i = 0; i < 5000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
    IniFile ini = IniFile::parse(garbage + "\n[s]\nk=v\0tail\n");
    EXPECT_EQ(ini.value("s", "k"), "v");
    ini.setValue("t", "a", "b");
    EXPECT_EQ(IniFile::parse(ini.serialize()).value("t", "a"), "b");
}

TEST_F(SettingsFile, UnwritableFolderFailsAndKeepsTheOldFile) {
    if (!testsupport::permissionsHold()) GTEST_SKIP() << "root (or Windows) ignores folder permissions";
    ASSERT_TRUE(saveSettings(text::FilePath(m_path), sample()).ok());
    const std::string before = content();
    fs::permissions(m_folder, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(saveSettings(text::FilePath(m_path), ImportSettings{}).ok());
    EXPECT_EQ(content(), before);
}

TEST_F(SettingsFile, UnreadableFileIsNotOverwritten) {
    if (!testsupport::permissionsHold()) GTEST_SKIP() << "root (or Windows) reads any file";
    write("[x]\ny=1\n");
    ::chmod(m_path.c_str(), 0200);
    EXPECT_FALSE(saveSettings(text::FilePath(m_path), sample()).ok());
    ::chmod(m_path.c_str(), 0600);
    EXPECT_EQ(content(), "[x]\ny=1\n");
}

TEST(CommaNormalisation, ReplacesFullWidthCommasOnly) {
    EXPECT_EQ(normaliseCommas(gbk("1，2，5")), "1,2,5");
    EXPECT_EQ(normaliseCommas(gbk("1,，2")), "1,,2");
    EXPECT_EQ(normaliseCommas("\xB0\xAC,1"), "\xB0\xAC,1");
}

// Each text is read once, by its setting's kind: the same values for the window and the batch.
TEST(ParsedSettings, ReadsEachSettingByItsKind) {
    const std::string longest = "1" + [] {
        std::string rest;
        for (std::size_t i = 1; i < kMostColumnEntries; ++i) rest += ",1";
        return rest;
    }();
    struct Case {
        const char* what;
        Text columns;  // Table 2's, as typed
        Text number;   // Table 2's start row and the fill count
        std::size_t entryCount;
        std::vector<int> expectedColumns;
        std::vector<Text> expectedEntries;
        int expectedNumber;
    };
    const Case cases[] = {
        {"entries as typed",
         gbk(" 3,x,,２,-1"),
         "7",
         5,
         {3, 0, 0, 2, -1},
         {" 3", "x", "", gbk("２"), "-1"},
         7},
        {"a trailing comma adds no entry", "1,2,", gbk("２"), 2, {1, 2}, {"1", "2"}, 2},
        {"full-width commas untidied", gbk("1，2"), "abc", 1, {1}, {gbk("1，2")}, 0},
        {"empty", "", "", 0, {}, {}, 0},
        {"as wide as a sheet", longest, "-4", kMostColumnEntries, std::vector<int>(kMostColumnEntries, 1),
         std::vector<Text>(kMostColumnEntries, "1"), -4},
        {"wider: counted, not held",
         longest + ",2",
         "99999999999",
         kMostColumnEntries + 1,
         {},
         {},
         2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImportSettings texts = sample();
        at(texts, SettingId::SourceColumns) = c.columns;
        at(texts, SettingId::SourceStartRow) = c.number;
        at(texts, SettingId::FillCount) = c.number;
        const ParsedSettings parsed = parseSettings(texts);
        EXPECT_EQ(parsed.sourceTable.sheetName, gbk("发放明细"));
        EXPECT_EQ(parsed.sourceTable.columns.entryCount, c.entryCount);
        EXPECT_EQ(parsed.sourceTable.columns.tooLong(), c.entryCount > kMostColumnEntries);
        EXPECT_EQ(parsed.sourceTable.columns.columns, c.expectedColumns);
        EXPECT_EQ(parsed.sourceTable.columns.entries, c.expectedEntries);
        EXPECT_EQ(parsed.sourceTable.startRow, c.expectedNumber);
        EXPECT_EQ(parsed.fillCount, c.expectedNumber);
        // Table 1's settings are its own.
        EXPECT_EQ(parsed.registerTable.sheetName, "Sheet1");
        EXPECT_EQ(parsed.registerTable.columns.columns, (std::vector<int>{1, 2}));
        EXPECT_EQ(parsed.registerTable.startRow, 4);
    }
}

// Tidying touches the column lists only, as the window does when the clerk leaves a box.
TEST(ParsedSettings, TidyingTakesFullWidthCommasOutOfColumnListsOnly) {
    ImportSettings texts;
    for (const SettingKey& key : kSettingKeys) at(texts, key.id) = gbk("1，2");
    tidyAll(texts);
    for (const SettingKey& key : kSettingKeys) {
        EXPECT_EQ(at(texts, key.id), key.kind == SettingKind::Columns ? "1,2" : gbk("1，2")) << keyOf(key.id);
    }
    EXPECT_EQ(parseSettings(texts).registerTable.columns.columns, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace velmora::settings

namespace velmora::settings {
namespace {

TEST(SettingsSave, ReportsAFolderThatCannotHoldTheFile) {
    EXPECT_FALSE(saveSettings(text::FilePath("/proc/self/velmora-no-such/vozuz.ini"), sample()).ok());
    EXPECT_FALSE(saveSettings(text::FilePath("/proc/version"), sample()).ok());
}

}  // namespace
}  // namespace velmora::settings
