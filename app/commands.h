// SPDX-License-Identifier: GPL-3.0-or-later
// The toolbar's commands, each an action with a slot of its own: a caption is only what a button shows,
// so renaming one cannot disconnect anything.
#pragma once

#include <QObject>
#include <QString>
#include <utility>
#include <vector>

#include "import/table_import.h"

class QAction;

namespace velmora::app {

class MainWindow;

enum class Command { ImportRegister, ImportSource, Compare, Export, ToggleSettings, Help, About, Exit };

class Commands : public QObject {
    Q_OBJECT

public:
    // Makes every command's action, with its caption, picture, shortcut and tooltip; the window puts them
    // on its toolbar.
    explicit Commands(MainWindow& window);

    QAction& action(Command command) const;

    // The import with the file already chosen (dropped on the grid); ignored while a command runs.
    void importDropped(import::TableKind kind, const QString& path);

public slots:
    // While a command runs, every other one but "退出" is ignored, so two commands never work on the
    // grids at once.
    void importRegister();
    void importSource();
    void compare();
    void exportTables();
    void toggleSettingsPanel();
    void help();
    void about();
    void exit();

private:
    // Runs `work` as a command: not at all while another runs, and with the grids and the bar brought up
    // to date after it.
    template <typename Work>
    void run(Work work);
    void importTable(import::TableKind kind);
    void importFile(import::TableKind kind, const QString& path);
    void compareTables();
    void exportFiles();
    void togglePanel();
    void showHelp();

    MainWindow& m_window;
    std::vector<std::pair<Command, QAction*>> m_actions;
};

// The about box's text.
QString aboutText();

}  // namespace velmora::app
