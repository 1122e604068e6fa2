// SPDX-License-Identifier: GPL-3.0-or-later
// What the Windows sides of fileio share: paths as the system takes them, and its errors as reasons.
#pragma once

#include <windows.h>

#include <string>

#include "failure/failure.h"

namespace velmora::fileio::windows {

// The core's UTF-8 path as UTF-16 for the system's wide calls, whatever the system code page; a path
// longer than the system's classic limit is made absolute and given the "\\?\" prefix that lifts it.
std::wstring widePath(const std::string& path);

// A UTF-16 text (a path the system gave) as UTF-8.
std::string utf8Of(std::wstring_view wide);

// Twelve letters and digits from the system's generator: 60 bits no one else can guess.
std::string randomTag();

// The reason for a system error (GetLastError) met while writing; ERROR_SUCCESS gives no failure.
failure::Failure failureOf(DWORD error);
// The same for an error met while opening a file to read.
failure::Failure readFailureOf(DWORD error);

// A handle closed with the object.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (valid()) ::CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle;
};

}  // namespace velmora::fileio::windows
