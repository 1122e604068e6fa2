// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-bench: times each stage of the reconciliation on generated workbooks and prints the medians.
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_data.h"
#include "export/csv_export.h"
#include "export/export_command.h"
#include "export/report_file.h"
#include "export/workbook_export.h"
#include "fileio/files.h"
#include "import/table_import.h"
#include "reconcile/reconcile.h"
#include "text/encoding.h"
#include "text/phrases.h"

extern char** environ;

namespace velmora::bench {
namespace {

namespace fs = std::filesystem;
using text::Text;

const char* const kStages[] = {
    "workbook read (both)",      "import into grids (both)",    "auto-fill and compare",
    "CSV export (both)",         "workbook export (both)",      "report",
    "export command (all)",      "velmora-batch (whole)",       "workbook read .xlsx (both)",
    "workbook read .ods (both)", "velmora-batch .xlsx (whole)", "velmora-batch .ods (whole)"};
// The formats velmora-batch runs on, with the stage that times each.
const struct {
    const char* extension;
    int stage;
} kBatchFormats[] = {{".xls", 7}, {".xlsx", 10}, {".ods", 11}};
constexpr int kStageCount = static_cast<int>(std::size(kStages));

// Wall time and CPU time (all threads of this process and its finished children) of one stage. On a
// shared machine the wall time carries the other programs' load; the CPU time does not.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

double cpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

Timing secondsOf(const std::function<void()>& work) {
    const double cpuStart = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            cpuSeconds() - cpuStart};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long peakKilobytes(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss;
}

long g_selfPeak = 0;

// A child started by posix_spawn inherits its parent's peak RSS as its own. Returning freed memory and
// restarting this process's peak count first keeps velmora-batch's figure its own.
void resetPeak() {
    g_selfPeak = std::max(g_selfPeak, peakKilobytes(RUSAGE_SELF));
    malloc_trim(0);
    if (std::FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", refs);
        std::fclose(refs);
    }
}

// Runs velmora-batch on the folder's files of one format, as a clerk's script would; false if it failed.
// `peakKb` gets the run's peak RSS.
bool runBatch(const std::string& program, const std::string& folder, const std::string& extension,
              long& peakKb) {
    resetPeak();
    const std::string config = folder + "/vozuz.ini", t1 = folder + "/table1" + extension,
                      t2 = folder + "/table2" + extension, out = folder + "/batch" + extension;
    std::vector<std::string> args = {program,    "--config", config,  "--table1", t1,
                                     "--table2", t2,         "--out", out};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    const bool ran = rc == 0 && wait4(pid, &status, 0, &usage) == pid;
    peakKb = std::max(peakKb, usage.ru_maxrss);
    return ran && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One timed pass over every stage; returns seconds per stage.
// With `readsOnly`, only the three formats' reads.
std::vector<Timing> runOnce(const std::string& folder, const std::string& batchProgram,
                            std::vector<long>& batchPeaks, bool readsOnly) {
    std::vector<Timing> seconds(kStageCount);
    // First, while this program holds no grids.
    for (std::size_t f = 0; f < std::size(kBatchFormats) && !batchProgram.empty() && !readsOnly; ++f) {
        seconds[kBatchFormats[f].stage] = secondsOf([&] {
            if (!runBatch(batchProgram, folder, kBatchFormats[f].extension, batchPeaks[f]))
                std::fprintf(stderr, "velmora-bench: velmora-batch failed on %s\n",
                             kBatchFormats[f].extension);
        });
    }
    // The zip-based formats read into the same sheets; only the reading differs.
    for (const auto& [extension, stage] : {std::pair{".xlsx", 8}, std::pair{".ods", 9}}) {
        import::WorksheetReader registerReader, sourceReader;
        seconds[stage] = secondsOf([&] {
            if (registerReader.open(text::FilePath(folder + "/table1" + extension), "Sheet1") !=
                    import::ReaderStatus::Ok ||
                sourceReader.open(text::FilePath(folder + "/table2" + extension), "Sheet1") !=
                    import::ReaderStatus::Ok) {
                std::fprintf(stderr, "velmora-bench: cannot read the generated %s workbooks\n", extension);
                std::exit(1);
            }
        });
    }
    const std::string out = folder + "/out";
    fs::create_directories(out);
    const import::TableSettings registerSettings =
        settings::parseTable("Sheet1", "1,2,3,4,5,6,7,8,9,10", "4");
    const import::TableSettings sourceSettings = settings::parseTable("Sheet1", "1,2,3,4,5,6,7,8,9,10", "2");
    model::Progress progress;

    import::WorksheetReader registerReader, sourceReader;
    seconds[0] = secondsOf([&] {
        if (registerReader.open(text::FilePath(folder + "/table1.xls"), "Sheet1") !=
                import::ReaderStatus::Ok ||
            sourceReader.open(text::FilePath(folder + "/table2.xls"), "Sheet1") != import::ReaderStatus::Ok) {
            std::fprintf(stderr, "velmora-bench: cannot read the generated workbooks\n");
            std::exit(1);
        }
    });
    if (readsOnly) return seconds;
    model::Grid registerGrid, sourceGrid;
    import::ImportOutcome registerOutcome;
    seconds[1] = secondsOf([&] {
        registerOutcome = import::importTable(import::TableKind::Register, registerReader, registerSettings,
                                              registerGrid, progress);
        import::importTable(import::TableKind::Source, sourceReader, sourceSettings, sourceGrid, progress);
    });
    reconcile::ReconcileResult result;
    seconds[2] =
        secondsOf([&] { result = reconcile::autoFillAndCompare(registerGrid, sourceGrid, 8, progress); });
    seconds[3] = secondsOf([&] {
        fileio::writeFileAtomically(out + "/t1.csv", exporting::csvContent(registerGrid));
        fileio::writeFileAtomically(out + "/t2.csv", exporting::csvContent(sourceGrid));
    });
    const text::FilePath scratch(folder + "/db.tmp");
    const text::FilePath outFolder(out);
    seconds[4] = secondsOf([&] {
        for (const auto& [grid, name] : {std::pair{&registerGrid, "t1"}, std::pair{&sourceGrid, "t2"}}) {
            failure::Failure why;
            auto draft = exporting::startGridWorkbook(*grid, {}, &progress, scratch)->take(why);
            if (draft) exporting::writeWorkbookDraft(std::move(*draft), outFolder, name);
        }
    });
    seconds[5] = secondsOf([&] {
        exporting::writeReport(outFolder, registerOutcome.unitText, result.summary, result.notFoundList,
                               result.mismatchList);
    });
    exporting::FolderCsvPathPrompt prompt{outFolder};
    seconds[6] = secondsOf([&] {
        exporting::runExport({registerGrid, sourceGrid, outFolder, registerOutcome.unitText, result.summary,
                              result.notFoundList, result.mismatchList, prompt, progress});
    });
    return seconds;
}

// medians[size][stage]; `title` names the unit.
void printTable(const char* title, const std::vector<int>& sizes,
                const std::vector<std::vector<double>>& medians, bool perRow) {
    std::printf("%-28s", title);
    for (int size : sizes) std::printf("%12d", size);
    std::printf("\n");
    for (int stage = 0; stage < kStageCount; ++stage) {
        // Stages a shortened run left out.
        if (std::all_of(medians.begin(), medians.end(),
                        [stage](const auto& m) { return m[static_cast<std::size_t>(stage)] == 0; }))
            continue;
        std::printf("%-28s", kStages[stage]);
        for (std::size_t s = 0; s < sizes.size(); ++s) {
            const double ms = medians[s][static_cast<std::size_t>(stage)] * 1000.0;
            std::printf("%12.3f", perRow ? ms * 1000.0 / sizes[s] : ms);
        }
        std::printf("\n");
    }
    std::printf("\n");
}

// velmora-batch on the largest sheet a workbook holds, as both tables; prints one row of medians.
int runMaximum(const fs::path& root, const std::string& batchProgram, int runs) {
    if (batchProgram.empty()) {
        std::fprintf(stderr, "velmora-bench: velmora-batch is not beside this program\n");
        return 1;
    }
    const std::string folder = (root / "maximum").string();
    fs::create_directories(folder);
    if (!writeMaximumBenchFiles(folder)) {
        std::fprintf(stderr, "velmora-bench: cannot write the workbooks into %s\n", folder.c_str());
        return 1;
    }
    const double megabytes = static_cast<double>(fs::file_size(folder + "/table2.xls")) / (1 << 20);
    std::vector<double> wall, cpu;
    bool succeeded = true;
    long peakKb = 0;
    for (int r = 0; r < runs; ++r) {
        const Timing timing =
            secondsOf([&] { succeeded = runBatch(batchProgram, folder, ".xls", peakKb) && succeeded; });
        wall.push_back(timing.wall);
        cpu.push_back(timing.cpu);
    }
    fs::remove_all(root);
    std::printf("%d runs; velmora-batch with a 65,536 x 256 workbook of numbers (%.1f MB) as both tables\n\n",
                runs, megabytes);
    std::printf("%-28s%12s%12s%12s\n", "", "wall s", "CPU s", "peak MB");
    std::printf("%-28s%12.2f%12.2f%12.1f%s\n", "velmora-batch (maximum)", median(wall), median(cpu),
                peakKb / 1024.0, succeeded ? "" : "  (failed)");
    return succeeded ? 0 : 1;
}

int run(int argc, char** argv) {
    std::vector<int> sizes;
    int runs = 5;
    bool maximum = false;
    bool readsOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--maximum") {
            maximum = true;
        } else if (arg == "--reads") {
            readsOnly = true;
        } else if (const int size = std::atoi(arg.c_str()); size >= 4 && size <= 65535) {
            sizes.push_back(size);
        } else {
            std::fprintf(
                stderr,
                "usage: velmora-bench [--runs N] [--maximum | [--reads] ROWS...]  (4 <= ROWS <= 65535)\n");
            return 2;
        }
    }
    if (sizes.empty()) sizes = {1000, 8000, 65535};
    std::string batchProgram = fileio::joinPath(fileio::programDirectory(), "velmora-batch");
    if (!fs::exists(batchProgram)) batchProgram.clear();

    const fs::path root =
        fs::path(fileio::temporaryFolder()) / ("velmora-bench-" + std::to_string(::getpid()));
    if (maximum) return runMaximum(root, batchProgram, runs);
    std::vector<std::vector<double>> wallMedians, cpuMedians;
    std::vector<long> selfPeaks;
    std::vector<std::vector<long>> batchPeaks;  // per size, per format
    for (int size : sizes) {
        const std::string folder = (root / std::to_string(size)).string();
        fs::create_directories(folder);
        if (!writeBenchFiles(folder, size)) {
            std::fprintf(stderr, "velmora-bench: cannot write the workbooks into %s\n", folder.c_str());
            return 1;
        }
        std::vector<std::vector<double>> wall(kStageCount), cpu(kStageCount);
        std::vector<long> formatPeaks(std::size(kBatchFormats), 0);
        for (int r = 0; r < runs; ++r) {
            const std::vector<Timing> seconds = runOnce(folder, batchProgram, formatPeaks, readsOnly);
            for (std::size_t stage = 0; stage < seconds.size(); ++stage) {
                wall[stage].push_back(seconds[stage].wall);
                cpu[stage].push_back(seconds[stage].cpu);
            }
        }
        wallMedians.emplace_back();
        cpuMedians.emplace_back();
        for (std::size_t stage = 0; stage < wall.size(); ++stage) {
            wallMedians.back().push_back(median(wall[stage]));
            cpuMedians.back().push_back(median(cpu[stage]));
        }
        selfPeaks.push_back(std::max(g_selfPeak, peakKilobytes(RUSAGE_SELF)));
        batchPeaks.push_back(formatPeaks);
        fs::remove_all(folder);
    }
    fs::remove_all(root);

    std::printf(
        "%d runs per size; stages run one after another, velmora-batch as its own process; CPU counts all "
        "threads\n\n",
        runs);
    printTable("wall, median ms", sizes, wallMedians, false);
    printTable("CPU, median ms", sizes, cpuMedians, false);
    printTable("wall, median us per row", sizes, wallMedians, true);
    // The same sheets from each format: what the zip and XML cost beyond the .xls reader.
    for (const auto& [name, stage] : {std::pair{".xlsx", 8}, std::pair{".ods", 9}}) {
        std::printf("%-28s", (std::string("CPU, read ") + name + " / .xls").c_str());
        for (const auto& m : cpuMedians) std::printf("%12.2f", m[0] > 0 ? m[stage] / m[0] : 0.0);
        std::printf("\n");
    }
    if (readsOnly) return 0;
    std::printf("%-28s", "peak RSS, this program (MB)");
    for (long kb : selfPeaks) std::printf("%12.1f", kb / 1024.0);
    for (std::size_t f = 0; f < std::size(kBatchFormats); ++f) {
        const std::string title = std::string("peak RSS, batch ") + kBatchFormats[f].extension + " (MB)";
        std::printf("\n%-28s", title.c_str());
        for (const auto& peaks : batchPeaks) std::printf("%12.1f", peaks[f] / 1024.0);
    }
    std::printf("\n");
    return 0;
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char** argv) { return velmora::bench::run(argc, argv); }
