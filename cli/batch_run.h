// SPDX-License-Identifier: GPL-3.0-or-later
// One batch reconciliation: both imports, the comparison and every export, as the window would do them.
#pragma once

#include <iosfwd>

#include "cli/batch_options.h"

namespace velmora::cli {

enum ExitCode { kSuccess = 0, kOutputFailed = 1, kBadInput = 2 };

// What a successful run does at its end: return, or end the process there and then. Ending it skips
// freeing two full grids and the comparison, which the process is about to hand back anyway.
enum class BatchEnd { Return, ExitProcess };

// Runs the options' job, printing the summary to `out` and problems to `err` (UTF-8).
int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err,
             BatchEnd end = BatchEnd::Return);

// Flushes what went to `out` and to standard output. When that fails (a closed pipe, a full disk) says
// so on `err` and turns a success into kOutputFailed; other codes pass through.
int finishOutput(int code, std::ostream& out, std::ostream& err);

// Prints the worksheet names of a workbook, one a line.
int listSheets(const text::FilePath& path, std::ostream& out, std::ostream& err);

}  // namespace velmora::cli
