// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-file writes on Windows: the temporary is created new in the target's folder, flushed to disk and
// moved over the target in one step. A target another program holds open (a CSV open in a spreadsheet)
// is found before anything is written and left as it is.
#include <windows.h>
// These need windows.h first.
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <ctime>

#include "fileio/files.h"
#include "fileio/files_system.h"
#include "fileio/system_windows.h"

namespace velmora::fileio {

namespace detail {

std::string_view pathSeparators() { return "\\/"; }
char preferredSeparator() { return '\\'; }

}  // namespace detail

namespace {

using failure::Failure;
using failure::Reason;
using windows::ScopedHandle;

// Process start: temporaries last written before it were left by runs that have ended.
const FILETIME kStartedAt = [] {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return now;
}();

// Whether another program holds `path` open in a way that stops it being replaced, or it may not be
// written: asked before anything is written, so such a target is left untouched.
Failure checkReplaceable(const std::wstring& path) {
    ScopedHandle probe(::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (probe.valid()) return {};
    return windows::failureOf(::GetLastError());
}

}  // namespace

std::string programDirectory() {
    std::wstring path(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return ".";
    path.resize(length);
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return ".";
    return windows::utf8Of(path.substr(0, slash));
}

std::string temporaryFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) return ".\\";
    std::string folder = windows::utf8Of(std::wstring_view(buffer, length));
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

void AtomicFile::discard() {
    if (m_fd >= 0) ::_close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty()) ::DeleteFileW(windows::widePath(m_temporary).c_str());
    m_temporary.clear();
}

Failure AtomicFile::open() {
    discard();
    m_destination = m_target;
    const std::wstring destination = windows::widePath(m_destination);
    const DWORD attributes = ::GetFileAttributesW(destination.c_str());
    m_replacing = attributes != INVALID_FILE_ATTRIBUTES;
    if (!m_replacing) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) return windows::failureOf(error);
    } else {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Failure(Reason::NotRegularFile);
        if (attributes & FILE_ATTRIBUTE_READONLY)
            return Failure(Reason::NoWritePermission, ERROR_ACCESS_DENIED);
        if (const Failure held = checkReplaceable(destination); held.failed()) return held;
    }
    const std::string folder = folderOfFile(text::FilePath(m_destination)).native();
    removeStaleTemporaries(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate =
            joinPath(folder, std::string(detail::kTemporaryPrefix) + windows::randomTag() +
                                 std::string(detail::kTemporarySuffix));
        // CREATE_NEW: a file already at the name is never used, only stepped over.
        HANDLE file = ::CreateFileW(windows::widePath(candidate).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return windows::failureOf(error);
        }
        m_fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
        if (m_fd < 0) {
            ::CloseHandle(file);
            ::DeleteFileW(windows::widePath(candidate).c_str());
            return Failure(Reason::SystemError, EMFILE);
        }
        m_temporary = std::move(candidate);
        return {};
    }
    return windows::failureOf(ERROR_FILE_EXISTS);
}

Failure AtomicFile::append(std::string_view bytes) {
    if (m_fd < 0) return Failure::fromErrno(EBADF);
    while (!bytes.empty()) {
        const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), 1u << 30));
        const int written = ::_write(m_fd, bytes.data(), chunk);
        if (written <= 0) {
            const DWORD error = ::GetLastError();
            discard();
            return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || written == 0
                       ? Failure(Reason::DiskFull, static_cast<int>(ERROR_DISK_FULL))
                       : windows::failureOf(error);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

Failure AtomicFile::commit() {
    if (m_fd < 0) return Failure::fromErrno(EBADF);
    // On disk before it takes the target's place, so a crash cannot leave a torn file under that name.
    DWORD error = ERROR_SUCCESS;
    if (m_mode != FileMode::Private && !::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(m_fd))))
        error = ::GetLastError();
    ::_close(m_fd);
    m_fd = -1;
    const std::wstring temporary = windows::widePath(m_temporary);
    const std::wstring destination = windows::widePath(m_destination);
    if (error == ERROR_SUCCESS) {
        // ReplaceFileW keeps the replaced file's attributes and permissions; a new file takes the
        // folder's, as any new file does.
        const bool moved = m_replacing ? ::ReplaceFileW(destination.c_str(), temporary.c_str(), nullptr,
                                                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                                       : ::MoveFileExW(temporary.c_str(), destination.c_str(),
                                                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!moved) error = ::GetLastError();
    }
    if (error != ERROR_SUCCESS) {
        discard();
        // The target was taken by another program between the check and the move.
        if (error == ERROR_UNABLE_TO_REMOVE_REPLACED || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
            error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
            return Failure(Reason::FileInUse, static_cast<int>(error));
        return windows::failureOf(error);
    }
    m_temporary.clear();
    return {};
}

void emptyFile(const std::string& path) {
    HANDLE file =
        ::CreateFileW(windows::widePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, TRUNCATE_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
}

void removeFile(const std::string& path) { ::DeleteFileW(windows::widePath(path).c_str()); }

Failure failureOfSystemError(int systemError) { return windows::failureOf(static_cast<DWORD>(systemError)); }

int removeStaleTemporaries(const std::string& folder) {
    WIN32_FIND_DATAW entry;
    const std::wstring pattern = windows::widePath(joinPath(folder, "*"));
    HANDLE listing = ::FindFirstFileW(pattern.c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return 0;
    int removed = 0;
    do {
        const std::string name = windows::utf8Of(entry.cFileName);
        if (!detail::isTemporaryName(name)) continue;
        if (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        if (::CompareFileTime(&entry.ftLastWriteTime, &kStartedAt) >= 0) continue;
        if (::DeleteFileW(windows::widePath(joinPath(folder, name)).c_str())) ++removed;
    } while (::FindNextFileW(listing, &entry));
    ::FindClose(listing);
    return removed;
}

}  // namespace velmora::fileio
