// SPDX-License-Identifier: GPL-3.0-or-later
// The verification report as a file beside the exported tables; its text is the comparison's own.
#pragma once

#include <string>
#include <string_view>

#include "failure/failure.h"
#include "text/file_path.h"

namespace velmora::exporting {

// Writes the report into `folder` under the name the unit text gives it; says why when it could not be
// written.
failure::Failure writeReport(const text::FilePath& folder, std::string_view unitText,
                             std::string_view summary, std::string_view notFoundList,
                             std::string_view mismatchList);

}  // namespace velmora::exporting
