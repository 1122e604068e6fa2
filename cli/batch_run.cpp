// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/batch_run.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <ostream>
#include <system_error>
#include <thread>

#include "cli/console_text.h"
#include "cli/process.h"
#include "export/export_command.h"
#include "failure/failure.h"
#include "fileio/files.h"
#include "import/table_import.h"
#include "paths/program_places.h"
#include "reconcile/reconcile.h"
#include "settings/import_settings.h"

namespace velmora::cli {
namespace {

using text::Text;

// Said without converting any text: short of memory, even loading a converter may fail.
constexpr const char* kOutOfMemory = "内存不足";

struct TableJob {
    explicit TableJob(import::TableKind table) : kind(table) {}

    import::TableKind kind;
    text::FilePath path;
    import::TableSettings settings;
    model::Grid grid;
    model::Progress progress;
    import::ImportOutcome outcome;
    bool outOfMemory = false;
    reconcile::RegisterIndex index;  // the register's, made on its thread while the payment list imports

    void run() {
        // On the reading thread an escaping exception would end the program; it ends the import.
        try {
            import::prepareImport(kind, grid, progress);
            outcome = import::importTable(kind, path, settings, grid, progress);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
            grid.removeAllRows();
            return;
        }
        if (kind != import::TableKind::Register || outcome.status != import::ReaderStatus::Ok) return;
        try {
            index = reconcile::RegisterIndex(grid);
        } catch (const std::bad_alloc&) {
            index = {};  // the comparison makes its own, or says it is short of memory
        }
    }
};

bool readSettings(const BatchOptions& options, settings::ParsedSettings& parsed, std::ostream& err) {
    text::FilePath path = options.configPath;
    if (path.empty()) path = paths::currentPlaces().settingsFile;
    failure::Failure why;
    settings::ImportSettings values;
    try {
        values = settings::loadSettings(path, why);
    } catch (const std::bad_alloc&) {
        err << "无法读取配置文件: " << consoleFromPath(path) << " (" << kOutOfMemory << ")\n";
        return false;
    }
    // Empty settings name no worksheet: a run without them could only fail later, naming no file.
    if (why.failed()) {
        err << (why.reason() == failure::Reason::NoSettings ? "配置文件不可用: " : "无法读取配置文件: ")
            << consoleFromPath(path) << " (" << consoleFromGbk(why.describe()) << ")\n";
        return false;
    }
    // Nobody types into the file's settings here: they are taken as if the clerk had left each box.
    settings::tidyAll(values);
    parsed = settings::parseSettings(values);
    return true;
}

}  // namespace

int listSheets(const text::FilePath& path, std::ostream& out, std::ostream& err) {
    std::vector<Text> names;
    failure::Failure failure;
    try {
        if (!import::prepareReaders()) throw std::bad_alloc();
        failure = import::listSheetNames(path, names);
    } catch (const std::bad_alloc&) {
        err << "无法读取: " << consoleFromPath(path) << " (" << kOutOfMemory << ")\n";
        return kBadInput;
    }
    if (failure.failed()) {
        err << consoleFromGbk(failure.describe()) << "\n";
        return kBadInput;
    }
    for (const Text& name : names) out << consoleFromGbk(name) << "\n";
    return kSuccess;
}

namespace {

// How far a run got, for what running out of memory means: before the comparison the input could not
// be taken in and nothing is written; from it on, the output could not be made in full.
enum class Stage { Reading, Writing };

// Both tables' jobs; they outlive runStages, so a run that ends the process need not free the grids.
struct TableJobs {
    TableJob registerJob{import::TableKind::Register};
    TableJob sourceJob{import::TableKind::Source};
};

int runStages(const BatchOptions& options, std::ostream& out, std::ostream& err, Stage& stage,
              TableJobs& jobs) {
    settings::ParsedSettings parsed;
    if (!readSettings(options, parsed, err)) return kBadInput;

    if (!import::prepareReaders()) throw std::bad_alloc();
    TableJob& registerJob = jobs.registerJob;
    registerJob.path = options.table1Path;
    registerJob.settings = std::move(parsed.registerTable);
    TableJob& sourceJob = jobs.sourceJob;
    sourceJob.path = options.table2Path;
    sourceJob.settings = std::move(parsed.sourceTable);
    // The two workbooks share nothing, so they are read on both cores at once. The payment list is
    // usually the larger file, and it is read here: the main heap grows in large steps, a thread's heap
    // a few pages at a time, a system call each.
    std::thread registerThread;
    try {
        registerThread = std::thread([&registerJob] { registerJob.run(); });
    } catch (const std::system_error&) {
        registerJob.run();  // no thread to be had under a memory limit: one after the other
    }
    sourceJob.run();
    if (registerThread.joinable()) registerThread.join();
    for (const TableJob* job : {&registerJob, &sourceJob}) {
        if (job->outOfMemory) {
            err << "无法读取: " << consoleFromPath(job->path) << " (" << kOutOfMemory << ")\n";
            return kBadInput;
        }
        if (job->outcome.status != import::ReaderStatus::Ok) {
            err << consoleFromGbk(job->outcome.message) << "\n";
            return kBadInput;
        }
    }
    // Columns the sheet does not have are imported empty, as set; whoever runs the batch is told.
    for (const TableJob* job : {&registerJob, &sourceJob}) {
        if (!job->outcome.notice.empty()) err << consoleFromGbk(job->outcome.notice) << "\n";
    }

    stage = Stage::Writing;
    // The heap keeps what it frees for the next stage (see main); what the readers' sheets held is
    // given back here, before the comparison fills the register, so it is not counted twice.
    giveBackFreedMemory();
    model::Progress progress;
    const reconcile::ReconcileResult result = reconcile::autoFillAndCompare(
        registerJob.grid, sourceJob.grid, parsed.fillCount, progress, &registerJob.index);
    giveBackFreedMemory();

    std::error_code madeError, error;
    const std::filesystem::path outFolder = fileio::filesystemPathOf(options.outFolder);
    std::filesystem::create_directories(outFolder, madeError);
    if (!std::filesystem::is_directory(outFolder, error)) {
        // A file already at the name is there: the folder is not missing, it is no folder.
        const bool taken = std::filesystem::exists(std::filesystem::symlink_status(outFolder, error));
        const failure::Failure why =
            taken ? failure::Failure(failure::Reason::NotAFolder)
                  : failure::Failure::fromErrno(madeError ? madeError.value() : error.value());
        err << "无法创建输出文件夹: " << consoleFromPath(options.outFolder);
        if (why.failed()) err << "（" << consoleFromGbk(why.describe()) << "）";
        err << "\n";
        return kOutputFailed;
    }
    exporting::FolderCsvPathPrompt prompt{options.outFolder};
    const exporting::ExportOutcome outcome = exporting::runExport(
        {registerJob.grid, sourceJob.grid, options.outFolder, registerJob.outcome.unitText, result.summary,
         result.notFoundList, result.mismatchList, prompt, progress});
    if (!outcome.failedFiles.empty()) {
        err << consoleFromGbk(outcome.message) << "\n";
        return kOutputFailed;
    }
    // An empty table's files are left as they were, by rule, not by failure: said, but no error.
    if (!outcome.skippedFiles.empty() || outcome.nothingToExport)
        err << consoleFromGbk(outcome.message) << "\n";
    out << consoleFromGbk(result.summary) << "\n";
    return kSuccess;
}

}  // namespace

int finishOutput(int code, std::ostream& out, std::ostream& err) {
    errno = 0;
    out.flush();
    bool failed = !out;
    int error = errno;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        failed = true;
        if (errno != 0) error = errno;
    }
    if (!failed) return code;
    // A reader that went away or a full disk: the files are written, but whoever reads the summary
    // must not take its absence for an empty result.
    const failure::Failure why =
        error != 0 ? failure::Failure::fromErrno(error) : failure::Failure(failure::Reason::SystemError);
    err << "无法写入标准输出: " << consoleFromGbk(why.describe()) << "\n";
    return code == kSuccess ? kOutputFailed : code;
}

namespace {

int outOfMemory(Stage stage, const BatchOptions& options, std::ostream& err) {
    if (stage == Stage::Reading) {
        err << "无法读取输入 (" << kOutOfMemory << ")\n";
        return kBadInput;
    }
    // Files are replaced only when complete, so the folder holds old or new files, never a torn one.
    err << "未能完成核对和导出 (" << kOutOfMemory
        << "),未写完的文件保持原样: " << consoleFromPath(options.outFolder) << "\n";
    return kOutputFailed;
}

}  // namespace

int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err, BatchEnd end) {
    Stage stage = Stage::Reading;
    int code = kSuccess;
    TableJobs jobs;
    try {
        code = runStages(options, out, err, stage, jobs);
    } catch (const std::bad_alloc&) {
        return outOfMemory(stage, options, err);
    } catch (const std::system_error&) {  // a thread could not be started
        return outOfMemory(stage, options, err);
    }
    code = finishOutput(code, out, err);
    // Every file is already synced and renamed into place; the rest, freeing the grids, is left undone.
    if (code == kSuccess && end == BatchEnd::ExitProcess) std::_Exit(kSuccess);
    return code;
}

}  // namespace velmora::cli
