// SPDX-License-Identifier: GPL-3.0-or-later
// The verification report: what auto-fill and compare left for the clerk to check by hand. Its text
// and its file name only; the export writes it.
#pragma once

#include <string_view>

#include "text/rules.h"

namespace velmora::reconcile {

using text::Text;

// Returns the report's bytes for a summary and the two lists.
Text reportContent(std::string_view summary, std::string_view notFoundList, std::string_view mismatchList);

// Returns the report's file name (GBK) for a unit text: unit text + "_待核对.txt", with every character
// a file name cannot hold, and every high byte that starts no GBK character, replaced by "_".
Text reportFileName(std::string_view unitText);

}  // namespace velmora::reconcile
