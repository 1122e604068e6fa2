// SPDX-License-Identifier: GPL-3.0-or-later
// Facts about the test process that the systems give differently.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <cstdlib>
#endif

namespace velmora::testsupport {

// Whether the process may write any file: root. Windows has no such account for the tests.
inline bool isRoot() {
#ifdef _WIN32
    return false;
#else
    return ::geteuid() == 0;
#endif
}

// Whether a file's permission bits keep this process out: not for root, and not on Windows, where they
// are not the system's protection.
inline bool permissionsHold() {
#ifdef _WIN32
    return false;
#else
    return !isRoot();
#endif
}

// Whether files carry POSIX mode bits, owners and groups.
inline bool hasModeBits() {
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}

// Sets an environment variable for this process; an empty value removes it.
inline void setEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(name, value.c_str());
#else
    if (value.empty()) {
        ::unsetenv(name);
    } else {
        ::setenv(name, value.c_str(), 1);
    }
#endif
}

// The process id, to keep the scratch folders of test processes running side by side apart.
inline std::string processTag() {
#ifdef _WIN32
    return std::to_string(::GetCurrentProcessId());
#else
    return std::to_string(::getpid());
#endif
}

}  // namespace velmora::testsupport
