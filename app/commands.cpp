// SPDX-License-Identifier: GPL-3.0-or-later
// What each toolbar command does; the work itself is the core's.
#include "app/commands.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeySequence>
#include <algorithm>

#include "app/busy_flag.h"
#include "app/grid_model.h"
#include "app/grid_view.h"
#include "app/main_window.h"
#include "app/qt_text.h"
#include "app/settings_panel.h"
#include "app/toolbar.h"
#include "app/window_progress.h"
#include "export/export_command.h"
#include "reconcile/reconcile.h"
#include "velmora/build_info.h"

namespace velmora::app {
namespace {

const QString kMessageTitle = QStringLiteral("信息：");

// The wait pointer while a command works on the grids or the files; dialogs and messages are outside it.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The export asks for its two CSV paths through the window's shared file dialog, in the middle of its
// work, so the dialog gets the normal pointer back while it is up.
class CsvSaveDialog : public exporting::CsvPathPrompt {
public:
    explicit CsvSaveDialog(FileDialog& dialog) : m_dialog(dialog) {}

    std::optional<text::FilePath> askCsvPath(int, const text::Text& proposedName) override {
        QGuiApplication::restoreOverrideCursor();
        const auto path = m_dialog.saveFile(QStringLiteral("文本文件(*.CSV);;所有文件(*.*)"),
                                            fromGbk(proposedName), QStringLiteral("CSV"));
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        if (!path) return std::nullopt;
        return toNativePath(*path);
    }

private:
    FileDialog& m_dialog;
};

struct CommandEntry {
    Command command;
    const char* caption;
    const char* picture;
    const char* shortcut;  // portable text, shown in the tooltip in the desktop's own words
    void (Commands::*slot)();
};

// Both imports share one picture.
constexpr CommandEntry kCommandEntries[] = {
    {Command::ImportRegister, "导入表1", ":/velmora/import.png", "Ctrl+1", &Commands::importRegister},
    {Command::ImportSource, "导入表2", ":/velmora/import.png", "Ctrl+2", &Commands::importSource},
    {Command::Compare, "自动填表/对比", ":/velmora/compare.png", "Ctrl+R", &Commands::compare},
    {Command::Export, "导出", ":/velmora/export.png", "Ctrl+E", &Commands::exportTables},
    {Command::ToggleSettings, "设置", ":/velmora/settings.png", "Ctrl+,", &Commands::toggleSettingsPanel},
    {Command::Help, "帮助", ":/velmora/help.png", "F1", &Commands::help},
    {Command::About, "关于", ":/velmora/about.png", "Shift+F1", &Commands::about},
    {Command::Exit, "退出", ":/velmora/exit.png", "Ctrl+Q", &Commands::exit},
};

}  // namespace

QString aboutText() {
    return QStringLiteral("Velmora V") + fromSource(build::kVersion) +
           QStringLiteral("\r\n技术支持：请联系本单位信息管理员");
}

Commands::Commands(MainWindow& window) : QObject(&window), m_window(window) {
    for (const CommandEntry& entry : kCommandEntries) {
        auto* action = new QAction(QIcon(fromSource(entry.picture)), fromSource(entry.caption), this);
        action->setShortcut(QKeySequence(fromSource(entry.shortcut)));
        action->setShortcutContext(Qt::WindowShortcut);
        action->setToolTip(withShortcut(action->text(), action->shortcut()));
        connect(action, &QAction::triggered, this, entry.slot);
        m_actions.emplace_back(entry.command, action);
    }
}

QAction& Commands::action(Command command) const {
    const auto found = std::find_if(m_actions.begin(), m_actions.end(),
                                    [command](const auto& entry) { return entry.first == command; });
    return *found->second;
}

template <typename Work>
void Commands::run(Work work) {
    if (m_window.busyFlag().busy()) return;
    BusyScope busy(m_window.busyFlag());
    work();
    m_window.progress().syncGrids();
    m_window.progress().showNow();
}

void Commands::importRegister() {
    run([this] { importTable(import::TableKind::Register); });
}

void Commands::importSource() {
    run([this] { importTable(import::TableKind::Source); });
}

void Commands::importTable(import::TableKind kind) {
    // Every format the import reads comes first, so it is the default; the .xls entry stays as it was.
    const auto path = m_window.fileDialog().openFile(
        QStringLiteral("工作簿 (*.xls *.xlsx *.xlsm *.ods *.fods);;*.xls (*.xls)"),
        fromNativePath(m_window.places().dialogFolder));
    // A stray click and Cancel must not cost the clerk a filled register: nothing changes until a file
    // is chosen.
    if (path) importFile(kind, *path);
}

void Commands::importDropped(import::TableKind kind, const QString& path) {
    run([this, kind, &path] { importFile(kind, path); });
}

void Commands::importFile(import::TableKind kind, const QString& path) {
    const bool isRegister = kind == import::TableKind::Register;
    GridView& view = isRegister ? m_window.registerView() : m_window.sourceView();

    const settings::ParsedSettings parsed = m_window.settingsPanel().parsed();
    const import::TableSettings& tableSettings = isRegister ? parsed.registerTable : parsed.sourceTable;
    import::ImportOutcome outcome;
    {
        const BusyCursor busyCursor;
        // A file that cannot be read changes nothing: the clerk's rows, titles and results stay.
        outcome = import::replaceTable(kind, toNativePath(path), tableSettings, view.gridModel().grid(),
                                       m_window.progress());
        m_window.progress().syncGrids();
    }
    if (outcome.status != import::ReaderStatus::Ok) {
        m_window.prompter().message(kMessageTitle, fromGbk(outcome.message), MessageIcon::Warning);
        return;
    }
    if (isRegister) m_window.setUnitText(outcome.unitText);
    if (!outcome.notice.empty())
        m_window.prompter().message(kMessageTitle, fromGbk(outcome.notice), MessageIcon::Warning);
}

void Commands::compare() {
    run([this] { compareTables(); });
}

void Commands::compareTables() {
    if (const text::Text why = reconcile::comparisonRefusal(m_window.registerGrid(), m_window.sourceGrid());
        !why.empty()) {
        m_window.prompter().message(kMessageTitle, fromGbk(why), MessageIcon::Warning);
        return;
    }
    const BusyCursor busyCursor;
    auto result =
        reconcile::autoFillAndCompare(m_window.registerGrid(), m_window.sourceGrid(),
                                      m_window.settingsPanel().parsed().fillCount, m_window.progress());
    m_window.registerView().gridModel().markRows({{result.mismatchRegisterRows, RowMark::NameDiffers}});
    m_window.sourceView().gridModel().markRows({{result.notFoundSourceRows, RowMark::CodeNotFound},
                                                {result.mismatchSourceRows, RowMark::NameDiffers}});
    m_window.setComparison(std::move(result.summary), std::move(result.notFoundList),
                           std::move(result.mismatchList));
}

void Commands::exportTables() {
    run([this] { exportFiles(); });
}

void Commands::exportFiles() {
    CsvSaveDialog dialog(m_window.fileDialog());
    const ResultTexts& results = m_window.results();
    const exporting::ExportJob job{
        m_window.registerGrid(), m_window.sourceGrid(), m_window.places().outputFolder, results.unitText,
        results.summary,         results.notFoundList,  results.mismatchList,           dialog,
        m_window.progress()};
    exporting::ExportOutcome outcome;
    {
        const BusyCursor busyCursor;
        outcome = exporting::runExport(job);
    }
    if (outcome.cancelled) return;
    const MessageIcon icon = outcome.warning ? MessageIcon::Warning : MessageIcon::Information;
    if (outcome.nothingToExport) {
        m_window.prompter().message(kMessageTitle, fromGbk(outcome.message), icon);
        return;
    }
    const QString folder = fromNativePath(outcome.folder);
    if (m_window.prompter().offer(kMessageTitle, fromGbk(outcome.message), icon,
                                  QStringLiteral("打开文件夹")) &&
        !m_window.prompter().openDocument(folder)) {
        m_window.prompter().message(kMessageTitle,
                                    QStringLiteral("没有能打开文件夹的程序。文件保存在: ") + folder,
                                    MessageIcon::Warning);
    }
}

void Commands::toggleSettingsPanel() {
    run([this] { togglePanel(); });
}

void Commands::togglePanel() {
    const int height = m_window.windowHeight();
    m_window.setWindowHeight(height < m_window.fullHeight() ? m_window.fullHeight() : m_window.shortHeight());
}

void Commands::help() {
    run([this] { showHelp(); });
}

void Commands::showHelp() {
    const QString path = fromNativePath(m_window.places().guideFile);
    // Nothing happening after a click reads as a hang; the clerk gets the path to open by hand.
    if (!QFileInfo::exists(path)) {
        m_window.prompter().message(kMessageTitle, QStringLiteral("找不到使用说明: ") + path,
                                    MessageIcon::Warning);
        return;
    }
    if (!m_window.prompter().openDocument(path)) {
        m_window.prompter().message(
            kMessageTitle,
            QStringLiteral("没有能打开 .doc 文件的程序,无法显示使用说明。\r\n使用说明在: ") + path,
            MessageIcon::Warning);
    }
}

void Commands::about() {
    run([this] { m_window.prompter().message(kMessageTitle, aboutText(), MessageIcon::Information); });
}

// Leaving is always allowed, even from inside a running import.
void Commands::exit() { m_window.prompter().exitProgram(0); }

}  // namespace velmora::app
