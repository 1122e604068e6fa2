// SPDX-License-Identifier: GPL-3.0-or-later
// The cases Windows has in place of other accounts' files: a read-only file, a file another program holds
// open, a Chinese name whatever the code page, and a path past the classic 260 characters.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "failure/failure.h"
#include "fileio/files.h"
#include "fileio/input_file.h"
#include "fileio/timed_lock.h"
#include "support/read_file.h"
#include "text/encoding.h"

namespace velmora::fileio {
namespace {

namespace fs = std::filesystem;

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

class WindowsFiles : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = fs::temp_directory_path() / ("velmora-windows-" + std::to_string(::GetCurrentProcessId()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override {
        // The long-path case leaves folders only a "\\?\" path reaches.
        std::error_code ignored;
        fs::remove_all(fs::path(L"\\\\?\\" + m_folder.wstring()), ignored);
    }
    std::string path(const char8_t* name) const { return utf8(m_folder / fs::path(name)); }
    std::string contentOf(const std::string& file) const {
        std::string bytes;
        EXPECT_TRUE(testsupport::readWholeFile(file, bytes)) << file;
        return bytes;
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()));
    }
    fs::path m_folder;
};

// Another process holding `file` open without sharing until the object goes.
class Holder {
public:
    explicit Holder(const fs::path& file) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE childIn = nullptr, childOut = nullptr;
        ::CreatePipe(&childIn, &m_in, &inherit, 0);
        ::CreatePipe(&m_out, &childOut, &inherit, 0);
        ::SetHandleInformation(m_in, HANDLE_FLAG_INHERIT, 0);
        ::SetHandleInformation(m_out, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW start{};
        start.cb = sizeof start;
        start.dwFlags = STARTF_USESTDHANDLES;
        start.hStdInput = childIn;
        start.hStdOutput = childOut;
        start.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        // The helper is built beside this program.
        std::wstring self(32768, L'\0');
        self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
        const fs::path helper = fs::path(self).parent_path() / L"hold_file.exe";
        std::wstring command = L"\"" + helper.wstring() + L"\" \"" + file.wstring() + L"\"";
        m_started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                     &start, &m_process);
        ::CloseHandle(childIn);
        ::CloseHandle(childOut);
        char said[5] = {};
        DWORD got = 0;
        m_holding =
            m_started && ::ReadFile(m_out, said, 4, &got, nullptr) && std::string(said, got) == "held";
    }
    ~Holder() {
        ::CloseHandle(m_in);
        if (m_started) {
            ::WaitForSingleObject(m_process.hProcess, 10000);
            ::CloseHandle(m_process.hProcess);
            ::CloseHandle(m_process.hThread);
        }
        ::CloseHandle(m_out);
    }
    bool holding() const { return m_holding; }

private:
    HANDLE m_in = nullptr, m_out = nullptr;
    PROCESS_INFORMATION m_process{};
    bool m_started = false, m_holding = false;
};

TEST_F(WindowsFiles, AReadOnlyFileIsRefusedAndKept) {
    const std::string file = path(u8"表1导出.CSV");
    ASSERT_TRUE(writeFileAtomically(file, "old").ok());
    ASSERT_TRUE(::SetFileAttributesW(fs::path(m_folder / u8"表1导出.CSV").c_str(), FILE_ATTRIBUTE_READONLY));
    const failure::Failure why = writeFileAtomically(file, "new");
    EXPECT_EQ(why.reason(), failure::Reason::NoWritePermission);
    EXPECT_EQ(text::utf8FromGbk(why.describe()), "没有写入权限");
    EXPECT_EQ(contentOf(file), "old");
    EXPECT_EQ(entries(), 1u);
    ::SetFileAttributesW(fs::path(m_folder / u8"表1导出.CSV").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WindowsFiles, AFileAnotherProgramHoldsOpenIsNamedAndLeftUntouched) {
    const std::string file = path(u8"表2导出.CSV");
    ASSERT_TRUE(writeFileAtomically(file, "old").ok());
    {
        const Holder spreadsheet(m_folder / u8"表2导出.CSV");
        ASSERT_TRUE(spreadsheet.holding());
        const failure::Failure why = writeFileAtomically(file, "new");
        EXPECT_EQ(why.reason(), failure::Reason::FileInUse);
        EXPECT_EQ(text::utf8FromGbk(why.describe()), "文件被其他程序占用");
        // Nor can it be read while held: the reason says so rather than that the file is missing.
        const InputFile held(file);
        EXPECT_FALSE(held.valid());
        EXPECT_NE(held.failure().reason(), failure::Reason::FileMissing);
    }
    EXPECT_EQ(contentOf(file), "old");
    EXPECT_EQ(entries(), 1u);
    EXPECT_TRUE(writeFileAtomically(file, "new").ok());
    EXPECT_EQ(contentOf(file), "new");
}

TEST_F(WindowsFiles, ChineseNamesWorkWhateverTheCodePage) {
    const std::string folder = path(u8"输出文件夹");
    ASSERT_TRUE(fs::create_directory(m_folder / u8"输出文件夹"));
    const std::string file = joinPath(folder, "西河乡_待核对.txt");
    ASSERT_TRUE(writeFileAtomically(file, "\xD5\xC5\xC8\xFD").ok());
    EXPECT_TRUE(fs::exists(m_folder / u8"输出文件夹" / u8"西河乡_待核对.txt"));
    EXPECT_EQ(contentOf(file), "\xD5\xC5\xC8\xFD");
    TimedLock lock;
    EXPECT_TRUE(lock.lockFolder(folder, std::chrono::milliseconds(100)).ok());
    TimedLock second;
    EXPECT_EQ(second.lockFolder(folder, std::chrono::milliseconds(100)).reason(),
              failure::Reason::LockTimedOut);
}

TEST_F(WindowsFiles, PathsPastTheClassicLimitWork) {
    fs::path deep = m_folder;
    std::string deepUtf8 = utf8(m_folder);
    while (deepUtf8.size() < 300) {
        deep /= u8"一个很长的文件夹名称用来超过二百六十个字符的限制";
        deepUtf8 = joinPath(deepUtf8, "一个很长的文件夹名称用来超过二百六十个字符的限制");
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + deep.wstring()).c_str(), nullptr));
    }
    const std::string file = joinPath(deepUtf8, "导出的表1.xls");
    ASSERT_TRUE(writeFileAtomically(file, "long").ok());
    EXPECT_EQ(contentOf(file), "long");
    ASSERT_TRUE(writeFileAtomically(file, "longer").ok());
    EXPECT_EQ(contentOf(file), "longer");
    EXPECT_TRUE(InputFile(file).valid());
    EXPECT_EQ(InputFile(joinPath(deepUtf8, "missing.xls")).failure().reason(), failure::Reason::FileMissing);
}

}  // namespace
}  // namespace velmora::fileio
