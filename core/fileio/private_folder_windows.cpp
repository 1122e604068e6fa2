// SPDX-License-Identifier: GPL-3.0-or-later
// The private folder on Windows: %LOCALAPPDATA%\Velmora, inside the account's profile, whose permissions
// already keep other accounts out; failing that, a fresh folder of random name in the temporary folder.
#include <windows.h>
// These need windows.h first.

#include <cstdlib>
#include <vector>

#include "fileio/files.h"
#include "fileio/private_folder.h"
#include "fileio/system_windows.h"

namespace velmora::fileio {
namespace {

using failure::Failure;
using failure::Reason;

// Each missing level of `path`, made; levels that exist are left as they are.
DWORD makeFolders(const std::wstring& path) {
    if (::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    if (::GetLastError() != ERROR_PATH_NOT_FOUND) return ::GetLastError();
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash < 3) return ERROR_PATH_NOT_FOUND;
    if (const DWORD error = makeFolders(path.substr(0, slash))) return error;
    return ::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS
               ? 0
               : ::GetLastError();
}

Failure unusable(const std::string& path, DWORD error) {
    const Failure why = windows::failureOf(error);
    return Failure::scratchFolderUnusable(text::FilePath(path), why.reason(), why.systemError());
}
Failure unusable(const std::string& path, Reason cause) {
    return Failure::scratchFolderUnusable(text::FilePath(path), cause);
}

// Removes the fresh folder and what this program put in it; it holds no folders of its own.
void removeFreshFolder(const std::string& path) {
    WIN32_FIND_DATAW entry;
    const std::wstring folder = windows::widePath(path);
    HANDLE listing = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (listing != INVALID_HANDLE_VALUE) {
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW((folder + L"\\" + entry.cFileName).c_str());
        } while (::FindNextFileW(listing, &entry));
        ::FindClose(listing);
    }
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

Failure makePrivateFolder(const std::string& path) {
    if (path.empty()) return unusable(path, ERROR_PATH_NOT_FOUND);
    const std::wstring wide = windows::widePath(path);
    if (const DWORD error = makeFolders(wide)) return unusable(path, error);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return unusable(path, ::GetLastError());
    // A junction or link could lead the scratch files anywhere.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return unusable(path, Reason::IsLink);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return unusable(path, Reason::NotAFolder);
    return {};
}

PrivateScratchFolder::~PrivateScratchFolder() {
    if (m_fresh) removeFreshFolder(m_path);
}

Failure PrivateScratchFolder::choose() {
    Failure first;
    const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA");
    if (local != nullptr && *local != L'\0') {
        const std::string candidate = joinPath(windows::utf8Of(local), "Velmora");
        first = makePrivateFolder(candidate);
        if (first.ok()) {
            m_path = candidate;
            return {};
        }
    }
    // A name nobody can guess, so nobody can have taken it beforehand.
    const std::string name = "velmora-" + windows::randomTag();
    const std::string fresh = temporaryFolder() + name;
    if (::CreateDirectoryW(windows::widePath(fresh).c_str(), nullptr)) {
        m_path = fresh;
        m_fresh = true;
        return {};
    }
    return first.failed() ? first : unusable(fresh, ::GetLastError());
}

}  // namespace velmora::fileio
