// SPDX-License-Identifier: GPL-3.0-or-later
// The export command: both grids as CSV and as workbooks, the verification report, the closing message.
// The window and the batch command both run it; each supplies its own way of asking for the CSV paths.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "export/write_queue.h"
#include "failure/failure.h"
#include "fileio/timed_lock.h"
#include "model/grid.h"
#include "model/progress.h"
#include "text/file_path.h"
#include "text/rules.h"

namespace velmora::exporting {

// Asks where a CSV file goes: the window shows a save dialog, the batch command answers by itself.
class CsvPathPrompt {
public:
    virtual ~CsvPathPrompt() = default;
    // Returns the chosen path for table 1 or 2, proposing `proposedName` (GBK), or nullopt when the user
    // cancels.
    virtual std::optional<text::FilePath> askCsvPath(int table, const text::Text& proposedName) = 0;
};

// Answers every dialog with the proposed name inside one folder, as the batch command does.
class FolderCsvPathPrompt : public CsvPathPrompt {
public:
    explicit FolderCsvPathPrompt(text::FilePath folder) : m_folder(std::move(folder)) {}
    std::optional<text::FilePath> askCsvPath(int table, const text::Text& proposedName) override;

private:
    text::FilePath m_folder;
};

struct ExportJob {
    const model::Grid& registerGrid;
    const model::Grid& sourceGrid;
    text::FilePath outputFolder;  // workbooks and report go here; empty: beside Table 1's CSV file, a
                                  // folder the closing message then names
    text::Text unitText;          // names the report
    text::Text summary;           // the comparison's result line
    text::Text notFoundList;
    text::Text mismatchList;
    CsvPathPrompt& prompt;
    model::Progress& progress;
    // How long to wait for another export using the same output folder or the scratch database.
    std::chrono::milliseconds lockTimeLimit = fileio::kLockTimeLimit;
};

// A file the export did not write by choice, not by failure: a cancelled dialog or an empty table.
struct SkippedFile {
    text::Text name;  // GBK
    text::Text why;   // GBK
    friend bool operator==(const SkippedFile&, const SkippedFile&) = default;
};

struct ExportOutcome {
    bool cancelled = false;               // the first dialog was cancelled: nothing written, no message;
                                          // the status is back to empty
    bool nothingToExport = false;         // both tables empty: no dialog, nothing written, `message` says so
    std::vector<FailedFile> failedFiles;  // the files that could not be written, each with its reason,
                                          // in order
    std::vector<SkippedFile> skippedFiles;  // not written by choice, in order
    std::vector<text::Text> savedFiles;     // GBK names of the files written, in order
    text::FilePath folder;                  // where the workbooks and the report went
    text::Text message;                     // the closing message (GBK)
    bool warning = false;                   // show it with a warning icon
};

// A table with no rows or no columns holds nothing worth a file: exporting it would only replace the
// clerk's earlier export with an empty one.
bool isEmptyForExport(const model::Grid& grid);

// Writes everything in order: Table 1 CSV, workbook 1, Table 2 CSV (skipped if its dialog is
// cancelled), workbook 2, the report; then resets the progress and status and returns the outcome.
// An empty table's CSV and workbook are skipped, without a dialog; when both are empty nothing is
// asked or written.
// Exports into one output folder take turns: when another holds the folder past the time limit,
// nothing is written and every file is listed with that reason.
// Files appear in that order; writing one overlaps preparing the next, but the grids are read on
// the calling thread only, and every write has ended when this returns.
ExportOutcome runExport(const ExportJob& job);

// Returns the closing message: the success text and the summary when nothing failed, otherwise the
// list of files not written, one a line with its reason, and then the summary.
text::Text closingMessage(const std::vector<FailedFile>& failures, const text::Text& summary);

// The whole closing message: the above, with the files skipped next to those that failed, then the
// files saved and the folder of the workbooks and the report. With nothing failed or skipped it begins
// as the success text does.
text::Text closingMessage(const std::vector<FailedFile>& failures, const std::vector<SkippedFile>& skipped,
                          const std::vector<text::Text>& saved, const text::Text& summary,
                          const text::FilePath& folder);

}  // namespace velmora::exporting
