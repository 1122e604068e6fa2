// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the hostile-input tests: file bytes, a child process for limits.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "support/scratch_folder.h"

namespace velmora::hostile {

namespace fs = std::filesystem;
using testsupport::ScratchFolder;

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<long>(bytes.size()));
}

// What a forked child reported: its exit code, or -1 when it died of a signal.
constexpr int kChildCannotPrepare = 77;  // the child could not set up its limits: the test skips

// Runs `body` in a forked child and returns its exit code; the child's limits and mounts die with it.
inline int runInChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) ::_exit(body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace velmora::hostile
