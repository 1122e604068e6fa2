// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/timed_lock.h"

#include <thread>

namespace velmora::fileio {

TimedLock::~TimedLock() {
    if (m_handle != kNoHandle) close(m_handle, true);
}

failure::Failure TimedLock::lockFile(const std::string& path, std::chrono::milliseconds limit,
                                     const std::function<void()>& whileWaiting) {
    failure::Failure why;
    const Handle handle = openFile(path, why);
    return lock(handle, why, limit, whileWaiting);
}

failure::Failure TimedLock::lockFolder(const std::string& folder, std::chrono::milliseconds limit,
                                       const std::function<void()>& whileWaiting) {
    failure::Failure why;
    const Handle handle = openFolder(folder.empty() ? "." : folder, why);
    return lock(handle, why, limit, whileWaiting);
}

failure::Failure TimedLock::lock(Handle handle, failure::Failure opening, std::chrono::milliseconds limit,
                                 const std::function<void()>& whileWaiting) {
    if (handle == kNoHandle) return opening;
    if (m_handle != kNoHandle) close(m_handle, true);
    m_handle = handle;
    // The locks have no time limit of their own: try, and between tries let the caller keep its window
    // alive.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        failure::Failure why;
        const Attempt attempt = tryLock(m_handle, why);
        if (attempt == Attempt::Locked) return {};
        if (attempt == Attempt::Failed) {
            close(m_handle, false);
            m_handle = kNoHandle;
            return why;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        if (whileWaiting) whileWaiting();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    close(m_handle, false);
    m_handle = kNoHandle;
    return failure::Failure(failure::Reason::LockTimedOut);
}

}  // namespace velmora::fileio
