// SPDX-License-Identifier: GPL-3.0-or-later
// A file the program must not replace, made so for root as well as for an ordinary account.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace velmora::testsupport {

// An ordinary account gets a read-only file. Root may write any file, so for root the file moves aside
// and another account's link to it takes its place: reading the name still gives the old content.
inline bool protectFile(const std::string& path) {
    if (::geteuid() != 0) return ::chmod(path.c_str(), 0444) == 0;
    const std::string aside = path + ".kept";
    std::error_code error;
    std::filesystem::rename(path, aside, error);
    return !error && ::symlink(aside.c_str(), path.c_str()) == 0 && ::lchown(path.c_str(), 65534, 65534) == 0;
}

}  // namespace velmora::testsupport
