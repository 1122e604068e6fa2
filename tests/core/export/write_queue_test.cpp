// SPDX-License-Identifier: GPL-3.0-or-later
// Files handed to the write queue are written one at a time, in order, and reported in order.
#include "export/write_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <new>
#include <stdexcept>
#include <thread>

namespace velmora::exporting {
namespace {

TEST(WriteQueue, WritesInOrderOneAtATimeAndListsFailuresInOrder) {
    std::vector<std::string> log;  // touched by one write at a time only, or the test is right to fail
    int running = 0;
    bool overlapped = false;
    const failure::Failure full(failure::Reason::DiskFull), none;
    const auto write = [&](std::string name, failure::Failure result, int sleepMs) {
        return [&, name, result, sleepMs] {
            if (++running > 1) overlapped = true;
            // The first write is the slowest: a queue that started the next one early would log out of order.
            std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
            log.push_back(name);
            --running;
            return result;
        };
    };
    WriteQueue queue;
    queue.push("a", write("a", none, 40));
    queue.push("b", write("b", full, 0));
    queue.push("c", write("c", none, 5));
    queue.push("d", []() -> failure::Failure { throw std::bad_alloc(); });  // counted as not written
    queue.push("e", write("e", full, 0));
    const failure::Failure noMemory(failure::Reason::OutOfMemory);
    const WriteResults results = queue.finish();
    EXPECT_EQ(results.failed, (std::vector<FailedFile>{{"b", full}, {"d", noMemory}, {"e", full}}));
    EXPECT_EQ(results.written, (std::vector<text::Text>{"a", "c"}));
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c", "e"}));
    EXPECT_FALSE(overlapped);

    // The queue goes on after a finish, and the next finish lists only the new files.
    queue.push("f", write("f", full, 0));
    queue.push("g", write("g", none, 0));
    const WriteResults next = queue.finish();
    EXPECT_EQ(next.failed, (std::vector<FailedFile>{{"f", full}}));
    EXPECT_EQ(next.written, (std::vector<text::Text>{"g"}));
}

TEST(WriteQueue, DestroyingItWaitsForEveryWrite) {
    bool written = false;
    {
        WriteQueue queue;
        queue.push("slow", [&written] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            written = true;
            return failure::Failure();
        });
    }
    EXPECT_TRUE(written);
}

}  // namespace
}  // namespace velmora::exporting
