// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-window-bench: times the window's own commands on generated workbooks, with every dialog answered
// at once, next to the core step each of them runs, and prints the medians and their ratio.
#include <time.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/prompter.h"
#include "bench/bench_data.h"
#include "export/export_command.h"
#include "import/table_import.h"
#include "reconcile/reconcile.h"
#include "settings/import_settings.h"

namespace velmora::bench {
namespace {

// Answers every dialog at once from a queue, as a clerk who knows the files would.
class InstantPrompter : public app::Prompter {
public:
    std::deque<QString> answers;
    int messages = 0;

    std::optional<QString> openFile(const QString&, const QString&, const QString&) override {
        return next();
    }
    std::optional<QString> saveFile(const QString&, const QString&, const QString&, const QString&) override {
        return next();
    }
    void message(const QString&, const QString&, app::MessageIcon) override { ++messages; }
    bool offer(const QString&, const QString&, app::MessageIcon, const QString&) override {
        ++messages;
        return false;
    }
    bool openDocument(const QString&) override { return true; }
    void exitProgram(int) override {}

private:
    std::optional<QString> next() {
        if (answers.empty()) return std::nullopt;
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Wall and CPU time of one piece of work. On a shared machine the wall time carries the other programs'
// load; the CPU time (all threads of this process) does not.
struct Timing {
    double wall = 0;
    double cpu = 0;
    Timing& operator+=(const Timing& more) {
        wall += more.wall;
        cpu += more.cpu;
        return *this;
    }
};

double cpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

Timing millisecondsOf(const std::function<void()>& work) {
    const double cpuStart = cpuMilliseconds();
    const auto start = std::chrono::steady_clock::now();
    work();
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
            cpuMilliseconds() - cpuStart};
}

double median(const std::vector<Timing>& timings, double Timing::*part) {
    std::vector<double> values;
    for (const Timing& timing : timings) values.push_back(timing.*part);
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

const char* const kCommands[] = {"导入表1", "导入表2", "自动填表/对比", "导出"};
const app::Command kWindowCommands[] = {app::Command::ImportRegister, app::Command::ImportSource,
                                        app::Command::Compare, app::Command::Export};
static_assert(std::size(kWindowCommands) == std::size(kCommands));
constexpr std::size_t kCommandCount = std::size(kCommands);

struct Times {
    std::vector<Timing> core[kCommandCount];
    std::vector<Timing> window[kCommandCount];
};

// The core steps alone, on grids no window shows, with the settings the window reads.
void timeCore(const std::string& folder, Times& times) {
    const settings::ParsedSettings parsed =
        settings::parseSettings(settings::loadSettings(text::FilePath(folder + "/vozuz.ini")));
    const import::TableSettings& registerSettings = parsed.registerTable;
    const import::TableSettings& sourceSettings = parsed.sourceTable;
    model::Progress progress;
    model::Grid registerGrid, sourceGrid;
    import::ImportOutcome outcome;
    times.core[0].push_back(millisecondsOf([&] {
        outcome = import::importTable(import::TableKind::Register, text::FilePath(folder + "/table1.xls"),
                                      registerSettings, registerGrid, progress);
    }));
    times.core[1].push_back(millisecondsOf([&] {
        import::importTable(import::TableKind::Source, text::FilePath(folder + "/table2.xls"), sourceSettings,
                            sourceGrid, progress);
    }));
    reconcile::ReconcileResult result;
    times.core[2].push_back(millisecondsOf([&] {
        result = reconcile::autoFillAndCompare(registerGrid, sourceGrid, parsed.fillCount, progress);
    }));
    exporting::FolderCsvPathPrompt prompt{text::FilePath(folder)};
    times.core[3].push_back(millisecondsOf([&] {
        exporting::runExport({registerGrid, sourceGrid, text::FilePath(folder), outcome.unitText,
                              result.summary, result.notFoundList, result.mismatchList, prompt, progress});
    }));
}

// The same four commands as the toolbar runs them in a shown window.
void timeWindow(app::MainWindow& window, InstantPrompter& prompter, const QString& folder, Times& times) {
    prompter.answers = {folder + QStringLiteral("/table1.xls"), folder + QStringLiteral("/table2.xls"),
                        folder + QStringLiteral("/表1导出.CSV"), folder + QStringLiteral("/表2导出.CSV")};
    for (std::size_t command = 0; command < kCommandCount; ++command) {
        QAction& action = window.commands().action(kWindowCommands[command]);
        times.window[command].push_back(millisecondsOf([&] { action.trigger(); }));
        // What the window still has to draw belongs to the command that caused it.
        times.window[command].back() += millisecondsOf([] { QCoreApplication::processEvents(); });
    }
}

int run(int argc, char** argv) {
    int runs = 5;
    int rows = 65535;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (const int value = std::atoi(arg.c_str()); value >= 4 && value <= 65535) {
            rows = value;
        } else {
            std::fprintf(stderr, "usage: velmora-window-bench [--runs N] [ROWS]  (4 <= ROWS <= 65535)\n");
            return 2;
        }
    }
    // No display is needed: the window draws into memory, as it does in the window tests.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    QTemporaryDir folder;
    if (!folder.isValid() || !writeBenchFiles(QFile::encodeName(folder.path()).toStdString(), rows)) {
        std::fprintf(stderr, "velmora-window-bench: cannot write the workbooks\n");
        return 1;
    }
    const std::string nativeFolder = QFile::encodeName(folder.path()).toStdString();
    InstantPrompter prompter;
    // The window at its design size, as on a desktop screen, whatever the offscreen screen's size.
    app::MainWindow window(
        app::WindowOptions{folder.path(), &prompter, std::nullopt, QRect(0, 0, 1920, 1040)});
    window.show();
    QCoreApplication::processEvents();

    Times times;
    for (int r = 0; r < runs; ++r) {
        timeCore(nativeFolder, times);
        timeWindow(window, prompter, folder.path(), times);
    }
    if (prompter.messages != runs) {
        std::fprintf(stderr, "velmora-window-bench: a command failed (%d messages in %d runs)\n",
                     prompter.messages, runs);
        return 1;
    }

    std::printf("%d rows, %d runs, platform %s; medians in ms\n\n", rows, runs,
                qPrintable(QGuiApplication::platformName()));
    std::printf("%-14s%12s%12s%8s%12s%12s%8s\n", "command", "core wall", "window wall", "ratio", "core CPU",
                "window CPU", "ratio");
    for (std::size_t command = 0; command < kCommandCount; ++command) {
        const double coreWall = median(times.core[command], &Timing::wall);
        const double windowWall = median(times.window[command], &Timing::wall);
        const double coreCpu = median(times.core[command], &Timing::cpu);
        const double windowCpu = median(times.window[command], &Timing::cpu);
        // A Chinese character takes two columns on a terminal but three bytes in the caption.
        int columns = 0;
        for (const QChar c : QString::fromUtf8(kCommands[command])) columns += c.unicode() < 0x80 ? 1 : 2;
        std::printf("%s%*s%12.1f%12.1f%8.2f%12.1f%12.1f%8.2f\n", kCommands[command], 14 - columns, "",
                    coreWall, windowWall, windowWall / coreWall, coreCpu, windowCpu, windowCpu / coreCpu);
    }
    return 0;
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char** argv) { return velmora::bench::run(argc, argv); }
