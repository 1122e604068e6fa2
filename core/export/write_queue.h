// SPDX-License-Identifier: GPL-3.0-or-later
// Writes files one after another on a thread of its own, in the order they were handed over, so the
// caller can go on preparing the next file while the last one is still being written.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "failure/failure.h"
#include "text/rules.h"

namespace velmora::exporting {

// A file that could not be written, and why.
struct FailedFile {
    text::Text name;  // GBK
    failure::Failure reason;
    friend bool operator==(const FailedFile&, const FailedFile&) = default;
};

// The names of the files, in order.
std::vector<text::Text> namesOf(const std::vector<FailedFile>& files);

// What became of the files handed over: the names of those written, and those not, each in queue order.
struct WriteResults {
    std::vector<text::Text> written;
    std::vector<FailedFile> failed;
};

class WriteQueue {
public:
    WriteQueue();
    ~WriteQueue();  // waits for every write handed over
    WriteQueue(const WriteQueue&) = delete;
    WriteQueue& operator=(const WriteQueue&) = delete;

    // Queues `write`, which returns why the file `name` (GBK) was not written, or no failure. Writes run
    // in the order queued, each after the one before has finished, so files appear on disk in that order.
    void push(text::Text name, std::function<failure::Failure()> write);
    // Waits for every queued write and returns what became of each since the last finish().
    WriteResults finish();

private:
    void run();

    struct Write {
        text::Text name;
        std::function<failure::Failure()> write;
    };
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Write> m_pending;
    WriteResults m_results;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_worker;
};

}  // namespace velmora::exporting
