// SPDX-License-Identifier: GPL-3.0-or-later
// Locks that give up after a time limit, so a lock held by another program ends in a message instead of
// a frozen window.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "failure/failure.h"

namespace velmora::fileio {

// Long enough for another export's workbook step to finish, short enough for a clerk to wait.
inline constexpr std::chrono::milliseconds kLockTimeLimit{5000};

// An exclusive lock, held until the object goes away.
class TimedLock {
public:
    TimedLock() = default;
    ~TimedLock();
    TimedLock(const TimedLock&) = delete;
    TimedLock& operator=(const TimedLock&) = delete;

    // Locks the file at `path`, made with mode 0600 when missing and never opened through a link.
    failure::Failure lockFile(const std::string& path, std::chrono::milliseconds limit,
                              const std::function<void()>& whileWaiting = {});
    // Locks the folder itself, so no file needs to be planted in a folder others may share.
    failure::Failure lockFolder(const std::string& folder, std::chrono::milliseconds limit,
                                const std::function<void()>& whileWaiting = {});

private:
    // A descriptor, or a handle on Windows.
    using Handle = std::intptr_t;
    static constexpr Handle kNoHandle = -1;
    enum class Attempt { Locked, Busy, Failed };

    failure::Failure lock(Handle handle, failure::Failure opening, std::chrono::milliseconds limit,
                          const std::function<void()>& whileWaiting);

    // Each system's side (timed_lock_posix.cpp, timed_lock_windows.cpp): open what is locked, try once
    // without waiting, and close (which releases the lock when `held`).
    static Handle openFile(const std::string& path, failure::Failure& why);
    static Handle openFolder(const std::string& folder, failure::Failure& why);
    static Attempt tryLock(Handle handle, failure::Failure& why);
    static void close(Handle handle, bool held);

    Handle m_handle = kNoHandle;
};

}  // namespace velmora::fileio
