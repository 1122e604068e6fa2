// SPDX-License-Identifier: GPL-3.0-or-later
// The toolbar commands, chosen by the caption of the clicked button.
#pragma once

#include <QString>

#include "import/table_import.h"

namespace velmora::app {

class MainWindow;

class Commands {
public:
    explicit Commands(MainWindow& window) : m_window(window) {}

    // Runs the command whose caption matches exactly; a separator's empty caption matches none.
    // While a command runs, every other caption but "退出" is ignored, so two commands never work
    // on the grids at once.
    void dispatch(const QString& caption);

    void importTable(import::TableKind kind);
    // The same import with the file already chosen (dropped on the grid); ignored while a command runs.
    void importDropped(import::TableKind kind, const QString& path);
    void compare();
    void exportTables();
    void toggleSettingsPanel();
    void help();
    void about();
    void exit();

private:
    void importFile(import::TableKind kind, const QString& path);

    MainWindow& m_window;
};

// The about box's text.
QString aboutText();

}  // namespace velmora::app
