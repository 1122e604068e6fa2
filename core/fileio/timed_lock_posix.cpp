// SPDX-License-Identifier: GPL-3.0-or-later
// Locks by flock: released by the system when the process ends, however it ends.
#include "fileio/timed_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace velmora::fileio {

TimedLock::Handle TimedLock::openFile(const std::string& path, failure::Failure& why) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) why = failure::Failure::fromErrno(errno);
    return fd < 0 ? kNoHandle : fd;
}

TimedLock::Handle TimedLock::openFolder(const std::string& folder, failure::Failure& why) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) why = failure::Failure::fromErrno(errno);
    return fd < 0 ? kNoHandle : fd;
}

TimedLock::Attempt TimedLock::tryLock(Handle handle, failure::Failure& why) {
    if (::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0) return Attempt::Locked;
    if (errno == EWOULDBLOCK || errno == EINTR) return Attempt::Busy;
    why = failure::Failure::fromErrno(errno);
    return Attempt::Failed;
}

void TimedLock::close(Handle handle, bool) { ::close(static_cast<int>(handle)); }

}  // namespace velmora::fileio
