// SPDX-License-Identifier: GPL-3.0-or-later
// What each toolbar caption does; the work itself is the core's.
#include "app/commands.h"

#include <QFileInfo>

#include "app/busy_flag.h"
#include "app/grid_model.h"
#include "app/grid_view.h"
#include "app/main_window.h"
#include "app/qt_text.h"
#include "app/settings_panel.h"
#include "app/window_progress.h"

namespace velmora::app {
namespace {

using settings::SettingId;

const QString kMessageTitle = QStringLiteral("信息：");

struct Route {
    const char* caption;
    void (*run)(Commands&);
};

// Looked up in this order; the first caption equal byte for byte wins.
constexpr Route kRoutes[] = {
    {"退出", [](Commands& c) { c.exit(); }},
    {"关于", [](Commands& c) { c.about(); }},
    {"帮助", [](Commands& c) { c.help(); }},
    {"导入表1", [](Commands& c) { c.importTable(import::TableKind::Register); }},
    {"导入表2", [](Commands& c) { c.importTable(import::TableKind::Source); }},
    {"自动填表/对比", [](Commands& c) { c.compare(); }},
    {"导出", [](Commands& c) { c.exportTables(); }},
    {"设置", [](Commands& c) { c.toggleSettingsPanel(); }},
};

}  // namespace

QString aboutText() { return QStringLiteral("Velmora V3.1112\r\n技术支持：请联系本单位信息管理员"); }

void Commands::dispatch(const QString& caption) {
    for (const Route& route : kRoutes) {
        const QString key = QString::fromUtf8(route.caption);
        if (key != caption) continue;
        // Leaving is always allowed, even from inside a running import.
        if (key == QStringLiteral("退出")) {
            route.run(*this);
            return;
        }
        if (m_window.busyFlag().busy()) return;
        BusyScope busy(m_window.busyFlag());
        route.run(*this);
        m_window.progress().syncGrids();
        return;
    }
}

void Commands::importTable(import::TableKind kind) {
    const bool isRegister = kind == import::TableKind::Register;
    GridView& view = isRegister ? m_window.registerView() : m_window.sourceView();
    // The rows go before the file is asked for: cancelling leaves the grid's columns but no rows.
    view.gridModel().grid().removeAllRows();
    view.gridModel().sync();
    if (isRegister) m_window.progress().setPosition(1);

    const auto path =
        m_window.fileDialog().openFile(QStringLiteral("*.xls (*.xls)"), m_window.programDirectory());
    if (!path) return;

    const auto& panel = m_window.settingsPanel();
    const import::TableSettings tableSettings =
        isRegister ? import::TableSettings{panel.value(SettingId::RegisterSheet),
                                           panel.value(SettingId::RegisterColumns),
                                           panel.value(SettingId::RegisterStartRow)}
                   : import::TableSettings{panel.value(SettingId::SourceSheet),
                                           panel.value(SettingId::SourceColumns),
                                           panel.value(SettingId::SourceStartRow)};
    // TODO(import): call import::importTable(kind, toNativePath(*path), tableSettings, grid, progress)
    // once the table import is on main; on failure show outcome.message, on success set the unit text.
    static_cast<void>(tableSettings);
}

void Commands::compare() {
    // TODO(reconcile): call reconcile::autoFillAndCompare with 编辑框7's text once it is on main, then
    // m_window.setComparison(summary, notFoundList, mismatchList).
}

void Commands::exportTables() {
    // TODO(export): run the core export with the window's dialogs once it is on main.
}

void Commands::toggleSettingsPanel() {
    const int height = m_window.windowHeight();
    m_window.setWindowHeight(height < MainWindow::kFullHeight ? MainWindow::kFullHeight
                                                              : MainWindow::kShortHeight);
}

void Commands::help() {
    const QString path = m_window.programDirectory() + QStringLiteral("/软件使用说明.doc");
    // A missing guide is not worth a message; the clerk just sees nothing open.
    if (QFileInfo::exists(path)) m_window.prompter().openDocument(path);
}

void Commands::about() { m_window.prompter().message(kMessageTitle, aboutText(), MessageIcon::Information); }

void Commands::exit() { m_window.prompter().exitProgram(0); }

}  // namespace velmora::app
