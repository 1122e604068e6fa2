// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/export_command.h"

#include "export/csv_export.h"
#include "export/scratch_database.h"
#include "export/workbook_export.h"
#include "fileio/files.h"
#include "reconcile/report.h"
#include "text/encoding.h"
#include "text/phrases.h"

namespace velmora::exporting {
namespace {

using text::Text;

Text fileNameOf(const std::string& path) { return text::gbkFromUtf8(fileio::namePartOf(path)); }

// Table 1's bar runs from 1 to the row count at half speed; the rows are walked even when the file
// then cannot be written, so the bar behaves the same either way.
Text registerCsv(const model::Grid& grid, model::Progress& progress) {
    const int rows = grid.rowCount();
    progress.setMinimum(1);
    progress.setMaximum(rows);
    Text out;
    for (int r = 1; r <= rows; ++r) {
        appendCsvLine(out, grid, r - 1);
        progress.setPosition(r / 2);
    }
    return out;
}

// Table 2's bar adds to whatever position it shows, which moves it ahead in growing steps.
Text sourceCsv(const model::Grid& grid, model::Progress& progress) {
    const int rows = grid.rowCount();
    progress.setMaximum(rows);
    progress.setMinimum(50);
    Text out;
    for (int r = 1; r <= rows; ++r) {
        appendCsvLine(out, grid, r - 1);
        const double next = progress.position() + (50.0 / rows) * r;
        progress.setPosition(static_cast<int>(next));
    }
    return out;
}

// Each workbook is complete on disk before the export goes on, so the files appear in their fixed order.
void writeWorkbook(const ExportJob& job, const model::Grid& grid, const Text& name,
                   const std::string& scratchPath, std::vector<Text>& failed) {
    if (!writeGridToWorkbook(grid, job.outputFolder, name, {}, &job.progress, scratchPath)) {
        failed.push_back(name + ".xls");
    }
}

}  // namespace

std::optional<std::string> FolderCsvPathPrompt::askCsvPath(int, const Text& proposedName) {
    return fileio::joinPath(m_folder, text::utf8FromGbk(proposedName));
}

Text closingMessage(const std::vector<Text>& failedFiles, const Text& summary) {
    if (failedFiles.empty()) return phrases::exportSucceeded() + summary;
    Text message = phrases::exportIncomplete() + "\r\n";
    for (const Text& name : failedFiles) message += name + "\r\n";
    return message + summary;
}

ExportOutcome runExport(const ExportJob& job) {
    ExportOutcome outcome;
    std::vector<Text>& failed = outcome.failedFiles;
    job.progress.setStatus(phrases::statusExport1());
    const auto registerPath = job.prompt.askCsvPath(1, phrases::csvName1());
    if (!registerPath) {
        outcome.cancelled = true;
        return outcome;
    }
    const std::string scratchPath = scratchDatabasePath(fileio::temporaryFolder());
    // Written whole under a temporary name and renamed, so a failed write leaves the older file intact.
    if (!fileio::writeFileAtomically(*registerPath, registerCsv(job.registerGrid, job.progress))) {
        failed.push_back(fileNameOf(*registerPath));
    }
    writeWorkbook(job, job.registerGrid, phrases::workbookName1(), scratchPath, failed);

    job.progress.setStatus(phrases::statusExport2());
    // A cancelled second dialog is the user's choice, so it is not listed as a failure.
    if (const auto sourcePath = job.prompt.askCsvPath(2, phrases::csvName2())) {
        if (!fileio::writeFileAtomically(*sourcePath, sourceCsv(job.sourceGrid, job.progress))) {
            failed.push_back(fileNameOf(*sourcePath));
        }
    }
    writeWorkbook(job, job.sourceGrid, phrases::workbookName2(), scratchPath, failed);

    if (!reconcile::writeReport(job.outputFolder, job.unitText, job.summary, job.notFoundList,
                                job.mismatchList)) {
        failed.push_back(reconcile::reportFileName(job.unitText));
    }
    job.progress.setPosition(100);
    job.progress.setPosition(0);
    job.progress.setStatus({});
    outcome.message = closingMessage(failed, job.summary);
    outcome.warning = !failed.empty();
    return outcome;
}

}  // namespace velmora::exporting
