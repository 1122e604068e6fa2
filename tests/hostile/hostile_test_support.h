// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the hostile-input tests: scratch folders, file bytes, a child process for limits.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace velmora::hostile {

namespace fs = std::filesystem;

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<long>(bytes.size()));
}

// A fresh folder under the temporary folder, removed again at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& tag)
        : m_path(fs::temp_directory_path() / ("velmora-hostile-" + tag + "-" + std::to_string(::getpid()))) {
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::permissions(m_path, fs::perms::owner_all, ignored);
        fs::remove_all(m_path, ignored);
    }
    std::string path() const { return m_path.string(); }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

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
