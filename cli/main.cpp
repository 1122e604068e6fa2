// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-batch: the reconciliation of the window program, run from the command line.
#include <malloc.h>

#include <csignal>
#include <iostream>

#include "cli/batch_options.h"
#include "cli/batch_run.h"
#include "velmora/build_info.h"

int main(int argc, char** argv) {
    using namespace velmora::cli;
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
    std::string error;
    const auto options = parseBatchOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "velmora-batch: " << error << "\n" << batchUsage();
        return kBadInput;
    }
    if (options->help) {
        std::cout << batchUsage();
        return finishOutput(kSuccess, std::cout, std::cerr);
    }
    if (options->version) {
        std::cout << "velmora-batch " << velmora::build::kVersion << "\n";
        return finishOutput(kSuccess, std::cout, std::cerr);
    }
    if (!options->listSheetsPath.empty())
        return finishOutput(listSheets(options->listSheetsPath, std::cout, std::cerr), std::cout, std::cerr);
    return runBatch(*options, std::cout, std::cerr, BatchEnd::ExitProcess);
}
