// SPDX-License-Identifier: GPL-3.0-or-later
// The compound document around a workbook: finds and copies out its Workbook or Book stream.
#pragma once

#include <optional>
#include <string>

#include "xls/workbook.h"

namespace velmora::xls {

// Returns the workbook stream of a compound document held in `file`. Prefers "Workbook" (BIFF8) to
// "Book" (BIFF5/7); names match without regard to case. A plain-stream file (BIFF2-4, which have no
// container) is its own stream. On failure sets `error`: NotAWorkbook for bytes that are no workbook,
// UnsupportedVersion for zip-based workbooks, WorkbookDamaged for a compound document that cannot be read.
std::optional<std::string> workbookStreamOf(const std::string& file, failure::Reason& error);

}  // namespace velmora::xls
