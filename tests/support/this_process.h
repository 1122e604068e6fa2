// SPDX-License-Identifier: GPL-3.0-or-later
// Facts about the test process that the systems give differently.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
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

// The process id, to keep the scratch folders of test processes running side by side apart.
inline std::string processTag() {
#ifdef _WIN32
    return std::to_string(::GetCurrentProcessId());
#else
    return std::to_string(::getpid());
#endif
}

}  // namespace velmora::testsupport
