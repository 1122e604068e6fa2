// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-batch: the reconciliation of the window program, run from the command line.
#include <iostream>

#include "cli/batch_options.h"
#include "cli/batch_run.h"
#include "cli/process.h"
#include "velmora/build_info.h"

int main(int argc, char** argv) {
    using namespace velmora::cli;
    const std::vector<std::string> arguments = startProcess(argc, argv);
    std::string error;
    const auto options = parseBatchOptions(arguments, error);
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
