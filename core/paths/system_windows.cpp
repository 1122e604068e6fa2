// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/system_windows.h"

#include <windows.h>

#include <cstdlib>

#include "paths/system.h"

namespace velmora::paths::system {

std::string realPathOf(const std::string& path) {
    fileio::windows::ScopedHandle opened(::CreateFileW(
        fileio::windows::widePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!opened.valid()) return path;
    std::wstring real(32768, L'\0');
    const DWORD length = ::GetFinalPathNameByHandleW(opened.get(), real.data(), 32768, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= 32768) return path;
    real.resize(length);
    if (real.starts_with(L"\\\\?\\UNC\\"))
        real = L"\\\\" + real.substr(8);
    else if (real.starts_with(L"\\\\?\\"))
        real = real.substr(4);
    return fileio::windows::utf8Of(real);
}

std::string environmentValue(const char* name) {
    std::wstring wideName;
    for (const char* c = name; *c != '\0'; ++c) wideName += static_cast<wchar_t>(*c);
    const wchar_t* value = ::_wgetenv(wideName.c_str());
    return value != nullptr ? fileio::windows::utf8Of(value) : "";
}

std::string accountHome() { return environmentValue("USERPROFILE"); }

void createPrivateFolders(const std::string& path) {
    // The folders inherit the protection of the account's profile, where they go.
    std::wstring wide = fileio::windows::widePath(path);
    for (std::size_t slash = wide.find(L'\\', 3);; slash = wide.find(L'\\', slash + 1)) {
        const std::wstring part = wide.substr(0, slash);
        if (!::CreateDirectoryW(part.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return;
        if (slash == std::wstring::npos) return;
    }
}

}  // namespace velmora::paths::system
