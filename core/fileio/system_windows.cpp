// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/system_windows.h"
// This needs windows.h first.
#include <bcrypt.h>

#include <vector>

namespace velmora::fileio::windows {

using failure::Failure;
using failure::Reason;

namespace {

std::wstring wideOf(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int count =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), count);
    return wide;
}

}  // namespace

std::wstring widePath(const std::string& path) {
    std::wstring wide = wideOf(path);
    for (wchar_t& c : wide) {
        if (c == L'/') c = L'\\';
    }
    // Below the classic limit every call takes the path as it is; above it only a "\\?\" path works,
    // and that form must be absolute and free of "." and "..", which GetFullPathNameW sees to.
    if (wide.size() < MAX_PATH - 12 || wide.starts_with(L"\\\\?\\")) return wide;
    const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return wide;
    std::wstring full(needed, L'\0');
    const DWORD got = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (got == 0 || got >= needed) return wide;
    full.resize(got);
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::string utf8Of(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int count = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                            0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(count), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), count, nullptr,
                          nullptr);
    return utf8;
}

std::string randomTag() {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz234567";
    unsigned char bytes[12] = {};
    ::BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    std::string tag;
    for (unsigned char byte : bytes) tag += kAlphabet[byte % 32];
    return tag;
}

Failure failureOf(DWORD error) {
    const int code = static_cast<int>(error);
    switch (error) {
        case ERROR_SUCCESS:
            return {};
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_PRIVILEGE_NOT_HELD:
            return Failure(Reason::NoWritePermission, code);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return Failure(Reason::DiskFull, code);
        case ERROR_FILE_TOO_LARGE:
            return Failure(Reason::FileTooLarge, code);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
        case ERROR_BUSY:
            return Failure(Reason::FileInUse, code);
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_DIRECTORY:
            return Failure(Reason::FolderMissing, code);
        case ERROR_CANT_ACCESS_FILE:
        case ERROR_CANT_RESOLVE_FILENAME:
            return Failure(Reason::ForeignLink, code);
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:
            return Failure(Reason::NameTooLong, code);
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return Failure(Reason::OutOfMemory, code);
        default:
            return Failure(Reason::SystemError, code);
    }
}

Failure readFailureOf(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
            return Failure(Reason::NoReadPermission, static_cast<int>(error));
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return Failure(Reason::FileMissing, static_cast<int>(error));
        default:
            return failureOf(error);
    }
}

}  // namespace velmora::fileio::windows
