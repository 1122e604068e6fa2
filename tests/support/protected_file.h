// SPDX-License-Identifier: GPL-3.0-or-later
// A file the program must not replace, made so for root as well as for an ordinary account.
#pragma once

#include <filesystem>
#include <string>

#include "support/this_process.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora::testsupport {

// An ordinary account gets a read-only file. Root may write any file, so for root the file moves aside
// and another account's link to it takes its place: reading the name still gives the old content.
// On Windows the file is made read-only.
inline bool protectFile(const std::string& path) {
#ifdef _WIN32
    return ::SetFileAttributesW(std::filesystem::path(std::u8string(path.begin(), path.end())).c_str(),
                                FILE_ATTRIBUTE_READONLY);
#else
    if (!isRoot()) return ::chmod(path.c_str(), 0444) == 0;
    const std::string aside = path + ".kept";
    std::error_code error;
    std::filesystem::rename(path, aside, error);
    return !error && ::symlink(aside.c_str(), path.c_str()) == 0 && ::lchown(path.c_str(), 65534, 65534) == 0;
#endif
}

}  // namespace velmora::testsupport
