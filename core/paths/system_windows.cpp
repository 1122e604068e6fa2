// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/system_windows.h"

#include <shlobj.h>
#include <windows.h>

#include <cstdlib>

#include "fileio/files.h"
#include "paths/system.h"

namespace velmora::paths::system {
namespace {

// A known folder of the system (Program Files), resolved through links as the program's folder is;
// empty when the system has none.
std::wstring knownFolder(const KNOWNFOLDERID& id) {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path != nullptr)
        folder = fileio::windows::widePath(realPathOf(fileio::windows::utf8Of(path)));
    ::CoTaskMemFree(path);
    return folder;
}

// Whether `path` is `folder` itself or lies inside it, compared as the file system does: ignoring case.
bool isWithin(std::wstring path, std::wstring folder) {
    // A long program path comes with the prefix that lifts the length limit; Program Files never does.
    if (path.starts_with(L"\\\\?\\") && !path.starts_with(L"\\\\?\\UNC\\")) path.erase(0, 4);
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (folder.empty() || path.size() < folder.size()) return false;
    if (path.size() > folder.size() && path[folder.size()] != L'\\') return false;
    return ::CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                                  static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

bool isInstallFolder(const std::string& programDirectory, const std::string&) {
    // Program Files is the administrators' to write: a program there was put there by an installer, and
    // its folder is not the user's to keep settings or outputs in.
    const std::wstring program = fileio::windows::widePath(realPathOf(programDirectory));
    for (const KNOWNFOLDERID& id : {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86}) {
        if (isWithin(program, knownFolder(id))) return true;
    }
    return false;
}

UserFolders userFolders() {
    UserFolders user{environmentValue("APPDATA"), environmentValue("USERPROFILE")};
    if (user.configHome.empty()) {
        PWSTR path = nullptr;
        if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &path)))
            user.configHome = fileio::windows::utf8Of(path);
        ::CoTaskMemFree(path);
    }
    return user;
}

std::string installedSettingsFolder(const UserFolders& user) {
    const std::string base =
        user.configHome.empty() ? fileio::joinPath(user.home, "AppData\\Roaming") : user.configHome;
    return fileio::joinPath(base, "Velmora");
}

std::string installedGuideFolder(const std::string& programDirectory, const std::string&) {
    return programDirectory;
}

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
