// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the hostile-input tests: file bytes, a child process for limits.
#pragma once

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

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

#ifndef _WIN32
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

// Runs the built velmora-batch with `arguments` under a resource limit, standard output into `outFd`
// (discarded when -1) and standard error into `errPath`. Signals keep their default actions, so what
// the program does about them is its own. Returns the exit code, or 128 + the signal that ended it.
inline int runBatchUnderLimit(int resource, rlim_t limit, const std::vector<std::string>& arguments,
                              const std::string& errPath, int outFd = -1) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        std::signal(SIGPIPE, SIG_DFL);
        std::signal(SIGXFSZ, SIG_DFL);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int out = outFd >= 0 ? outFd : ::open("/dev/null", O_WRONLY);
        if (err < 0 || out < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(kChildCannotPrepare);
        const rlimit limits{limit, limit};
        if (::setrlimit(resource, &limits) != 0) ::_exit(kChildCannotPrepare);
        const std::string program = std::string(VELMORA_BIN_DIR) + "/velmora-batch";
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(kChildCannotPrepare);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif  // the child processes above are POSIX's: the Windows build leaves out the tests that need them

}  // namespace velmora::hostile
