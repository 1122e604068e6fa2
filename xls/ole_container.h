// SPDX-License-Identifier: GPL-3.0-or-later
// The compound document around a workbook: finds and copies out its Workbook or Book stream.
#pragma once

#include <optional>
#include <string>

#include "xls/workbook.h"

namespace velmora::xls {

// Returns the workbook stream of a compound document held in `file`. Prefers "Workbook" (BIFF8) to
// "Book" (BIFF5/7); names match without regard to case. On failure sets `error`: NotWorkbook for
// bytes that are no compound document or hold no workbook stream, UnsupportedFormat for the
// plain-stream files of older versions and zip-based workbooks, Damaged for a compound document
// that cannot be read.
std::optional<std::string> workbookStreamOf(const std::string& file, OpenError& error);

}  // namespace velmora::xls
