// SPDX-License-Identifier: GPL-3.0-or-later
// One batch reconciliation: both imports, the comparison and every export, as the window would do them.
#pragma once

#include <iosfwd>

#include "cli/batch_options.h"

namespace velmora::cli {

enum ExitCode { kSuccess = 0, kOutputFailed = 1, kBadInput = 2 };

// Runs the options' job, printing the summary to `out` and problems to `err` (UTF-8).
int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err);

// Prints the worksheet names of a workbook, one a line.
int listSheets(const std::string& path, std::ostream& out, std::ostream& err);

}  // namespace velmora::cli
