// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/write_queue.h"

#include <new>
#include <utility>

namespace velmora::exporting {

WriteQueue::WriteQueue() : m_worker([this] { run(); }) {}

WriteQueue::~WriteQueue() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

void WriteQueue::push(text::Text name, std::function<failure::Failure()> write) {
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back({std::move(name), std::move(write)});
    }
    m_changed.notify_all();
}

std::vector<text::Text> namesOf(const std::vector<FailedFile>& files) {
    std::vector<text::Text> names;
    names.reserve(files.size());
    for (const FailedFile& file : files) names.push_back(file.name);
    return names;
}

WriteResults WriteQueue::finish() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_pending.empty() && !m_busy; });
    return std::exchange(m_results, {});
}

void WriteQueue::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
        if (m_pending.empty()) return;  // stopping, and nothing is left to write
        Write next = std::move(m_pending.front());
        m_pending.pop_front();
        m_busy = true;
        lock.unlock();
        failure::Failure reason;
        try {
            reason = next.write();
        } catch (const std::bad_alloc&) {
            reason = failure::Failure(failure::Reason::OutOfMemory);
        } catch (...) {  // the file is not written, and the list says so
            reason = failure::Failure(failure::Reason::SystemError);
        }
        lock.lock();
        m_busy = false;
        if (reason.failed())
            m_results.failed.push_back({std::move(next.name), reason});
        else
            m_results.written.push_back(std::move(next.name));
        m_changed.notify_all();
    }
}

}  // namespace velmora::exporting
