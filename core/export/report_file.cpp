// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/report_file.h"

#include "fileio/files.h"
#include "reconcile/report.h"
#include "text/encoding.h"

namespace velmora::exporting {

failure::Failure writeReport(const text::FilePath& folder, std::string_view unitText,
                             std::string_view summary, std::string_view notFoundList,
                             std::string_view mismatchList) {
    const text::FilePath path =
        fileio::joinPath(folder, text::pathFromGbk(reconcile::reportFileName(unitText)));
    return fileio::writeFileAtomically(path.native(),
                                       reconcile::reportContent(summary, notFoundList, mismatchList));
}

}  // namespace velmora::exporting
