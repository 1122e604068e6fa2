// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-window-bench: times the window's own commands on generated workbooks, with every dialog answered
// at once, next to the core step each of them runs, and prints the medians and their ratio.
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

using settings::SettingId;

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
    void openDocument(const QString&) override {}
    void exitProgram(int) override {}

private:
    std::optional<QString> next() {
        if (answers.empty()) return std::nullopt;
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

const char* const kCommands[] = {"导入表1", "导入表2", "自动填表/对比", "导出"};
constexpr std::size_t kCommandCount = std::size(kCommands);

struct Times {
    std::vector<double> core[kCommandCount];
    std::vector<double> window[kCommandCount];
};

// The core steps alone, on grids no window shows, with the settings the window reads.
void timeCore(const std::string& folder, Times& times) {
    const auto values = settings::loadSettings(folder + "/vozuz.ini");
    const import::TableSettings registerSettings{at(values, SettingId::RegisterSheet),
                                                 at(values, SettingId::RegisterColumns),
                                                 at(values, SettingId::RegisterStartRow)};
    const import::TableSettings sourceSettings{at(values, SettingId::SourceSheet),
                                               at(values, SettingId::SourceColumns),
                                               at(values, SettingId::SourceStartRow)};
    model::Progress progress;
    model::Grid registerGrid, sourceGrid;
    import::ImportOutcome outcome;
    times.core[0].push_back(millisecondsOf([&] {
        outcome = import::importTable(import::TableKind::Register, folder + "/table1.xls", registerSettings,
                                      registerGrid, progress);
    }));
    times.core[1].push_back(millisecondsOf([&] {
        import::importTable(import::TableKind::Source, folder + "/table2.xls", sourceSettings, sourceGrid,
                            progress);
    }));
    reconcile::ReconcileResult result;
    times.core[2].push_back(millisecondsOf([&] {
        result = reconcile::autoFillAndCompare(registerGrid, sourceGrid, at(values, SettingId::FillCount),
                                               progress);
    }));
    exporting::FolderCsvPathPrompt prompt(folder);
    times.core[3].push_back(millisecondsOf([&] {
        exporting::runExport({registerGrid, sourceGrid, folder, outcome.unitText, result.summary,
                              result.notFoundList, result.mismatchList, prompt, progress});
    }));
}

// The same four commands as the toolbar runs them in a shown window.
void timeWindow(app::MainWindow& window, InstantPrompter& prompter, const QString& folder, Times& times) {
    prompter.answers = {folder + QStringLiteral("/table1.xls"), folder + QStringLiteral("/table2.xls"),
                        folder + QStringLiteral("/表1导出.CSV"), folder + QStringLiteral("/表2导出.CSV")};
    for (std::size_t command = 0; command < kCommandCount; ++command) {
        const QString caption = QString::fromUtf8(kCommands[command]);
        times.window[command].push_back(millisecondsOf([&] { window.commands().dispatch(caption); }));
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
    app::MainWindow window(app::WindowOptions{folder.path(), &prompter});
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

    std::printf("%d rows, %d runs, platform %s; median wall ms\n\n", rows, runs,
                qPrintable(QGuiApplication::platformName()));
    std::printf("%-16s%12s%12s%10s\n", "command", "core step", "window", "ratio");
    for (std::size_t command = 0; command < kCommandCount; ++command) {
        const double core = median(times.core[command]);
        const double shown = median(times.window[command]);
        // The captions are two bytes wider per character than they look.
        const QString caption = QString::fromUtf8(kCommands[command]);
        std::printf("%s%*s%12.1f%12.1f%10.2f\n", kCommands[command],
                    static_cast<int>(16 - 2 * caption.size()), "", core, shown, shown / core);
    }
    return 0;
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char** argv) { return velmora::bench::run(argc, argv); }
