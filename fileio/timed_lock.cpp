// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/timed_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace velmora::fileio {

TimedLock::~TimedLock() {
    if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
}

failure::Failure TimedLock::lockFile(const std::string& path, std::chrono::milliseconds limit,
                                     const std::function<void()>& whileWaiting) {
    return lock(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600), limit, whileWaiting);
}

failure::Failure TimedLock::lockFolder(const std::string& folder, std::chrono::milliseconds limit,
                                       const std::function<void()>& whileWaiting) {
    return lock(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), limit,
                whileWaiting);
}

failure::Failure TimedLock::lock(int fd, std::chrono::milliseconds limit,
                                 const std::function<void()>& whileWaiting) {
    if (fd < 0) return failure::Failure::fromErrno(errno);
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
    // flock has no time limit of its own: try, and between tries let the caller keep its window alive.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) return {};
        if (errno != EWOULDBLOCK && errno != EINTR) {
            const int error = errno;
            ::close(m_fd);
            m_fd = -1;
            return failure::Failure::fromErrno(error);
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        if (whileWaiting) whileWaiting();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(m_fd);
    m_fd = -1;
    return failure::Failure(failure::Reason::LockTimedOut);
}

}  // namespace velmora::fileio
