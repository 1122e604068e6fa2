// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a program of the build as a user would from a shell: standard output and error into files, and
// its exit code.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "fileio/files.h"
#include "support/read_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>

#include <cstdlib>
#endif

namespace velmora::testsupport {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

#ifdef _WIN32
namespace detail {

inline std::wstring wide(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}

// One argument as the C runtime's parser reads it back: quoted, with quotes and the backslashes
// before them escaped.
inline std::wstring quoted(const std::wstring& argument) {
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

inline HANDLE fileForChild(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace detail
#endif

// `environment` holds NAME=value to set for the program only, or NAME alone to unset it.
inline RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                            const std::filesystem::path& scratch,
                            const std::vector<std::string>& environment = {}) {
    const std::filesystem::path outFile = scratch / "stdout.txt", errFile = scratch / "stderr.txt";
    RunResult result;
#ifdef _WIN32
    std::wstring command = detail::quoted(detail::wide(program));
    for (const std::string& argument : arguments) command += L" " + detail::quoted(detail::wide(argument));
    std::vector<std::pair<std::wstring, std::wstring>> saved;
    for (const std::string& setting : environment) {
        const auto equals = setting.find('=');
        const std::wstring name = detail::wide(setting.substr(0, equals));
        wchar_t old[32768];
        const DWORD length = ::GetEnvironmentVariableW(name.c_str(), old, 32768);
        saved.emplace_back(name, length > 0 ? std::wstring(old, length) : std::wstring(1, L'\0'));
        ::SetEnvironmentVariableW(name.c_str(), equals == std::string::npos
                                                    ? nullptr
                                                    : detail::wide(setting.substr(equals + 1)).c_str());
    }
    HANDLE out = detail::fileForChild(outFile), err = detail::fileForChild(errFile);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = out;
    start.hStdError = err;
    PROCESS_INFORMATION process{};
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                         &process)) {
        DWORD code = 0;
        ::WaitForSingleObject(process.hProcess, INFINITE);
        if (::GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
    }
    ::CloseHandle(out);
    ::CloseHandle(err);
    for (const auto& [name, value] : saved)
        ::SetEnvironmentVariableW(name.c_str(), value == std::wstring(1, L'\0') ? nullptr : value.c_str());
#else
    std::string command;
    for (const std::string& setting : environment)
        command += setting.find('=') == std::string::npos ? "-u '" + setting + "' " : "'" + setting + "' ";
    command = (command.empty() ? std::string() : "env " + command) + "'" + program + "'";
    for (const std::string& argument : arguments) command += " '" + argument + "'";
    command += " >'" + outFile.string() + "' 2>'" + errFile.string() + "'";
    const int status = std::system(command.c_str());
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    readWholeFile(outFile.string(), result.out);
    readWholeFile(errFile.string(), result.err);
    return result;
}

}  // namespace velmora::testsupport
