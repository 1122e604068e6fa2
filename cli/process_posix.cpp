// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/process.h"

#include <malloc.h>

#include <csignal>

namespace velmora::cli {

std::vector<std::string> startProcess(int argc, char** argv) {
    // A closed pipe and a file-size limit must fail the write that meets them, so the program can say
    // which output it could not write, rather than end it by a signal with no message.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    // The big buffers (sheets, grids, workbook streams) are freed and allocated again stage after stage:
    // keeping them inside the heap, and the heap from shrinking, reuses pages already faulted in rather
    // than mapping and zeroing fresh ones for every buffer.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 16 << 20);
    // The system hands over the bytes the user typed, which on these systems are UTF-8.
    return std::vector<std::string>(argv + 1, argv + argc);
}

void giveBackFreedMemory() { ::malloc_trim(0); }

}  // namespace velmora::cli
