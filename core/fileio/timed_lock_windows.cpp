// SPDX-License-Identifier: GPL-3.0-or-later
// Locks on Windows: a file by LockFileEx; a folder, which the system cannot lock and where no file may be
// planted, by a semaphore of the session named after the folder's real path. Both go when the process
// ends, however it ends.
#include "fileio/timed_lock.h"

#include <cstdint>

#include "fileio/system_windows.h"

namespace velmora::fileio {

using windows::ScopedHandle;

namespace {

// Handles of semaphores are told from file handles by this mark in the lowest bit, which handles of
// the system never have set.
constexpr std::intptr_t kSemaphoreMark = 1;

HANDLE handleOf(std::intptr_t value) { return reinterpret_cast<HANDLE>(value & ~kSemaphoreMark); }

}  // namespace

TimedLock::Handle TimedLock::openFile(const std::string& path, failure::Failure& why) {
    // Shared for reading and writing: the lock, not the share mode, keeps a second export out, and the
    // file is never opened through a link or reparse point.
    HANDLE file = ::CreateFileW(windows::widePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = windows::failureOf(::GetLastError());
        return kNoHandle;
    }
    return reinterpret_cast<std::intptr_t>(file);
}

TimedLock::Handle TimedLock::openFolder(const std::string& folder, failure::Failure& why) {
    ScopedHandle opened(::CreateFileW(windows::widePath(folder).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!opened.valid()) {
        why = windows::failureOf(::GetLastError());
        return kNoHandle;
    }
    // The same folder by any spelling (case, links, short names) gives the same name.
    wchar_t real[32768];
    const DWORD length = ::GetFinalPathNameByHandleW(opened.get(), real, 32768, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= 32768) {
        why = windows::failureOf(::GetLastError());
        return kNoHandle;
    }
    ::CharUpperBuffW(real, length);
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (DWORD i = 0; i < length; ++i) hash = (hash ^ real[i]) * 0x100000001b3ull;
    wchar_t name[64];
    ::wsprintfW(name, L"Local\\velmora-folder-%08lx%08lx", static_cast<unsigned long>(hash >> 32),
                static_cast<unsigned long>(hash & 0xFFFFFFFF));
    HANDLE semaphore = ::CreateSemaphoreW(nullptr, 1, 1, name);
    if (semaphore == nullptr) {
        why = windows::failureOf(::GetLastError());
        return kNoHandle;
    }
    return reinterpret_cast<std::intptr_t>(semaphore) | kSemaphoreMark;
}

TimedLock::Attempt TimedLock::tryLock(Handle handle, failure::Failure& why) {
    if (handle & kSemaphoreMark) {
        const DWORD waited = ::WaitForSingleObject(handleOf(handle), 0);
        if (waited == WAIT_OBJECT_0) return Attempt::Locked;
        if (waited == WAIT_TIMEOUT) return Attempt::Busy;
        why = windows::failureOf(::GetLastError());
        return Attempt::Failed;
    }
    OVERLAPPED whole{};
    if (::LockFileEx(handleOf(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                     MAXDWORD, &whole))
        return Attempt::Locked;
    const DWORD error = ::GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return Attempt::Busy;
    why = windows::failureOf(error);
    return Attempt::Failed;
}

void TimedLock::close(Handle handle, bool held) {
    // A semaphore has no owner: only its holder may give it back.
    if ((handle & kSemaphoreMark) && held) ::ReleaseSemaphore(handleOf(handle), 1, nullptr);
    ::CloseHandle(handleOf(handle));
}

}  // namespace velmora::fileio
