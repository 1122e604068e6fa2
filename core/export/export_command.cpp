// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/export_command.h"

#include <memory>

#include "export/csv_export.h"
#include "export/report_file.h"
#include "export/scratch_database.h"
#include "export/workbook_export.h"
#include "export/write_queue.h"
#include "fileio/files.h"
#include "fileio/private_folder.h"
#include "reconcile/report.h"
#include "text/encoding.h"
#include "text/phrases.h"

namespace velmora::exporting {
namespace {

using text::Text;

Text fileNameOf(const text::FilePath& path) { return text::gbkFromPath(fileio::namePartOf(path)); }

// The CSV is made and written on the queue's thread, from the grid, which nothing changes while the
// export runs; here, on the grid's thread, the bar walks the rows as it always has, whether or not the
// file can then be written. Table 1's bar runs from 1 to the row count at half speed.
void queueRegisterCsv(const text::FilePath& path, const model::Grid& grid, model::Progress& progress,
                      WriteQueue& queue) {
    queue.push(fileNameOf(path), [path, &grid] { return writeCsvFile(path, grid); });
    const int rows = grid.rowCount();
    progress.setMinimum(1);
    progress.setMaximum(rows);
    for (int r = 1; r <= rows; ++r) progress.setPosition(r / 2);
}

// Table 2's bar adds to whatever position it shows, which moves it ahead in growing steps.
void queueSourceCsv(const text::FilePath& path, const model::Grid& grid, model::Progress& progress,
                    WriteQueue& queue) {
    queue.push(fileNameOf(path), [path, &grid] { return writeCsvFile(path, grid); });
    const int rows = grid.rowCount();
    progress.setMaximum(rows);
    progress.setMinimum(50);
    for (int r = 1; r <= rows; ++r) {
        const double next = progress.position() + (50.0 / rows) * r;
        progress.setPosition(static_cast<int>(next));
    }
}

// The database half runs here, on the grid's thread, and the draft is made from the rows read back on a
// thread of its own while the next grid goes through the database; laying the workbook out and writing
// it is queued, so it overlaps the next file's work and still lands after the file before it.
void queueWorkbook(const ExportJob& job, const model::Grid& grid, const Text& name,
                   const failure::Failure& scratchFolder, const text::FilePath& scratchPath,
                   const text::FilePath& folder, WriteQueue& queue) {
    std::shared_ptr<PendingWorkbook> pending;
    if (scratchFolder.ok())
        pending = startGridWorkbook(grid, {}, &job.progress, scratchPath, job.lockTimeLimit);
    queue.push(name + ".xls", [pending, scratchFolder, folder, name] {
        if (!pending) return scratchFolder;
        failure::Failure why;
        std::optional<xls::WorkbookDraft> draft = pending->take(why);
        return draft ? writeWorkbookDraft(std::move(*draft), folder, name) : why;
    });
}

// Everything after the first dialog, once the output folder is ours. `skipped` gets the files not
// written by choice.
WriteResults writeAll(const ExportJob& job, const text::FilePath& firstPath, const text::FilePath& folder,
                      std::vector<SkippedFile>& skipped) {
    fileio::PrivateScratchFolder scratch;
    const failure::Failure scratchFolder = scratch.choose();
    const text::FilePath scratchPath = scratchDatabasePath(scratch.path());
    WriteQueue queue;
    const bool registerEmpty = isEmptyForExport(job.registerGrid);
    if (registerEmpty) {
        for (const Text& name : {phrases::csvName1(), phrases::workbookName1() + ".xls"})
            skipped.push_back({name, phrases::exportEmptyTable()});
    } else {
        queueRegisterCsv(firstPath, job.registerGrid, job.progress, queue);
        queueWorkbook(job, job.registerGrid, phrases::workbookName1(), scratchFolder, scratchPath, folder,
                      queue);
    }

    if (isEmptyForExport(job.sourceGrid)) {
        for (const Text& name : {phrases::csvName2(), phrases::workbookName2() + ".xls"})
            skipped.push_back({name, phrases::exportEmptyTable()});
    } else {
        job.progress.setStatus(phrases::statusExport2());
        // An empty Table 1 made Table 2's dialog the first one, already answered.
        const auto sourcePath = registerEmpty ? std::optional<text::FilePath>(firstPath)
                                              : job.prompt.askCsvPath(2, phrases::csvName2());
        if (sourcePath) {
            queueSourceCsv(*sourcePath, job.sourceGrid, job.progress, queue);
        } else {
            // The user's choice, so not a failure; but the closing message must not pass it over.
            skipped.push_back({phrases::csvName2(), phrases::exportCancelled()});
        }
        queueWorkbook(job, job.sourceGrid, phrases::workbookName2(), scratchFolder, scratchPath, folder,
                      queue);
    }
    // Both workbooks are drafts in memory now: the scratch file has served, and keeps no figures.
    if (scratchFolder.ok()) emptyScratchDatabase(scratchPath);

    queue.push(
        reconcile::reportFileName(job.unitText),
        [folder, unit = job.unitText, summary = job.summary, notFound = job.notFoundList,
         mismatches = job.mismatchList] { return writeReport(folder, unit, summary, notFound, mismatches); });
    return queue.finish();
}

// A line of the closing message's list: a file not written, and why.
Text listLine(const Text& name, const Text& why) {
    return text::join(name, text::gbkFromUtf8("（"), why, text::gbkFromUtf8("）"), "\r\n");
}

}  // namespace

std::optional<text::FilePath> FolderCsvPathPrompt::askCsvPath(int, const Text& proposedName) {
    return fileio::joinPath(m_folder, text::pathFromGbk(proposedName));
}

Text closingMessage(const std::vector<FailedFile>& failures, const Text& summary) {
    if (failures.empty()) return phrases::exportSucceeded() + summary;
    Text message = phrases::exportIncomplete() + "\r\n";
    for (const FailedFile& failed : failures) {
        message += listLine(failed.name, failed.reason.describe());
    }
    return message + summary;
}

Text closingMessage(const std::vector<FailedFile>& failures, const std::vector<SkippedFile>& skipped,
                    const std::vector<Text>& saved, const Text& summary, const text::FilePath& folder) {
    Text skippedLines;
    for (const SkippedFile& file : skipped) {
        skippedLines += listLine(file.name, file.why);
    }
    Text message;
    if (failures.empty() && !skipped.empty()) {
        message = phrases::exportSkipped() + "\r\n" + skippedLines + summary;
    } else {
        message = closingMessage(failures, summary);
        // The skipped files follow the failed ones, before the summary.
        if (!failures.empty()) message.insert(message.size() - summary.size(), skippedLines);
    }
    if (!saved.empty()) {
        message += phrases::exportSavedFiles();
        for (std::size_t i = 0; i < saved.size(); ++i) {
            if (i > 0) message += phrases::importSheetListSeparator();
            message += saved[i];
        }
    }
    return message + phrases::exportFolder() + text::gbkFromPath(folder);
}

bool isEmptyForExport(const model::Grid& grid) { return grid.rowCount() == 0 || grid.columnCount() == 0; }

ExportOutcome runExport(const ExportJob& job) {
    ExportOutcome outcome;
    const bool registerEmpty = isEmptyForExport(job.registerGrid);
    if (registerEmpty && isEmptyForExport(job.sourceGrid)) {
        outcome.nothingToExport = true;
        outcome.message = phrases::exportNothing();
        outcome.warning = true;
        return outcome;
    }
    job.progress.setStatus(registerEmpty ? phrases::statusExport2() : phrases::statusExport1());
    const auto chosen = registerEmpty ? job.prompt.askCsvPath(2, phrases::csvName2())
                                      : job.prompt.askCsvPath(1, phrases::csvName1());
    if (!chosen) {
        outcome.cancelled = true;
        job.progress.finish();
        return outcome;
    }
    // An installed program's own folder is not the clerk's: its files go where the clerk put the first one.
    const text::FilePath& firstPath = *chosen;
    const text::FilePath folder =
        job.outputFolder.empty() ? fileio::folderOfFile(firstPath) : job.outputFolder;
    // Two runs writing one folder at once would leave a mix of both; the second waits its turn.
    fileio::TimedLock folderLock;
    const failure::Failure folderHeld =
        folderLock.lockFolder(folder.native(), job.lockTimeLimit, [&job] { job.progress.yield(); });
    if (folderHeld.reason() == failure::Reason::LockTimedOut) {
        std::vector<Text> names{fileNameOf(firstPath)};
        if (!registerEmpty) names.push_back(phrases::workbookName1() + ".xls");
        if (!registerEmpty && !isEmptyForExport(job.sourceGrid)) names.push_back(phrases::csvName2());
        if (!isEmptyForExport(job.sourceGrid)) names.push_back(phrases::workbookName2() + ".xls");
        names.push_back(reconcile::reportFileName(job.unitText));
        for (const Text& name : names) outcome.failedFiles.push_back({name, folderHeld});
    } else {
        // Any other reason to miss the lock (a folder that cannot be listed, say) shows in the writes.
        WriteResults results = writeAll(job, firstPath, folder, outcome.skippedFiles);
        outcome.failedFiles = std::move(results.failed);
        outcome.savedFiles = std::move(results.written);
    }
    job.progress.setPosition(100);
    job.progress.finish();
    outcome.folder = folder;
    outcome.message =
        closingMessage(outcome.failedFiles, outcome.skippedFiles, outcome.savedFiles, job.summary, folder);
    outcome.warning = !outcome.failedFiles.empty();
    return outcome;
}

}  // namespace velmora::exporting
