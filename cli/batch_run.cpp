// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/batch_run.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <thread>

#include "export/export_command.h"
#include "failure/failure.h"
#include "fileio/files.h"
#include "fileio/input_file.h"
#include "import/table_import.h"
#include "paths/program_places.h"
#include "reconcile/reconcile.h"
#include "settings/import_settings.h"
#include "text/encoding.h"

namespace velmora::cli {
namespace {

using settings::SettingId;
using text::Text;

struct TableJob {
    import::TableKind kind;
    std::string path;
    import::TableSettings settings;
    model::Grid grid;
    model::Progress progress;
    import::ImportOutcome outcome;

    void run() {
        import::prepareImport(kind, grid, progress);
        outcome = import::importTable(kind, path, settings, grid, progress);
    }
};

bool readSettings(const BatchOptions& options, settings::ImportSettings& values, std::ostream& err) {
    std::string path = options.configPath;
    // Like the window: the settings file of this run's mode, and a missing file there means empty settings.
    if (path.empty()) path = paths::currentPlaces().settingsFile;
    failure::Failure why;
    values = settings::loadSettings(path, why);
    if (why.failed() && !(options.configPath.empty() && fileio::isMissingFile(why))) {
        err << "无法读取配置文件: " << path << " (" << text::utf8FromGbk(why.describe()) << ")\n";
        return false;
    }
    for (SettingId id : {SettingId::RegisterColumns, SettingId::SourceColumns}) {
        at(values, id) = settings::normaliseCommas(at(values, id));
    }
    return true;
}

}  // namespace

int listSheets(const std::string& path, std::ostream& out, std::ostream& err) {
    std::vector<Text> names;
    const import::ReaderStatus status = import::listSheetNames(path, names);
    if (status != import::ReaderStatus::Ok) {
        err << text::utf8FromGbk(import::importFailureMessage(status, path, {}, {})) << "\n";
        return kBadInput;
    }
    for (const Text& name : names) out << text::utf8FromGbk(name) << "\n";
    return kSuccess;
}

int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err, BatchEnd end) {
    settings::ImportSettings values;
    if (!readSettings(options, values, err)) return kBadInput;

    TableJob registerJob{import::TableKind::Register,
                         options.table1Path,
                         {at(values, SettingId::RegisterSheet), at(values, SettingId::RegisterColumns),
                          at(values, SettingId::RegisterStartRow)},
                         {},
                         {},
                         {}};
    TableJob sourceJob{import::TableKind::Source,
                       options.table2Path,
                       {at(values, SettingId::SourceSheet), at(values, SettingId::SourceColumns),
                        at(values, SettingId::SourceStartRow)},
                       {},
                       {},
                       {}};
    // The two workbooks share nothing, so they are read on both cores at once. The payment list is
    // usually the larger file, and it is read here: the main heap grows in large steps, a thread's heap
    // a few pages at a time, a system call each.
    std::thread registerThread([&registerJob] { registerJob.run(); });
    sourceJob.run();
    registerThread.join();
    for (const TableJob* job : {&registerJob, &sourceJob}) {
        if (job->outcome.status != import::ReaderStatus::Ok) {
            err << text::utf8FromGbk(job->outcome.message) << "\n";
            return kBadInput;
        }
    }

    model::Progress progress;
    const reconcile::ReconcileResult result = reconcile::autoFillAndCompare(
        registerJob.grid, sourceJob.grid, at(values, SettingId::FillCount), progress);

    std::error_code madeError, error;
    std::filesystem::create_directories(options.outFolder, madeError);
    if (!std::filesystem::is_directory(options.outFolder, error)) {
        const failure::Failure why =
            failure::Failure::fromErrno(madeError ? madeError.value() : error.value());
        err << "无法创建输出文件夹: " << options.outFolder;
        if (why.failed()) err << "（" << text::utf8FromGbk(why.describe()) << "）";
        err << "\n";
        return kOutputFailed;
    }
    exporting::FolderCsvPathPrompt prompt(options.outFolder);
    const exporting::ExportOutcome outcome = exporting::runExport(
        {registerJob.grid, sourceJob.grid, options.outFolder, registerJob.outcome.unitText, result.summary,
         result.notFoundList, result.mismatchList, prompt, progress});
    if (!outcome.failedFiles.empty()) {
        err << text::utf8FromGbk(outcome.message) << "\n";
        return kOutputFailed;
    }
    out << text::utf8FromGbk(result.summary) << "\n";
    if (end == BatchEnd::ExitProcess) {
        // Every file is already synced and renamed into place; only the summary may still be buffered.
        out.flush();
        std::fflush(nullptr);
        std::_Exit(kSuccess);
    }
    return kSuccess;
}

}  // namespace velmora::cli
