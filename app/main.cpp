// SPDX-License-Identifier: GPL-3.0-or-later
// The window program's entry point.
#include <QApplication>
#include <QFile>

#include "app/main_window.h"
#include "app/startup.h"
#include "fileio/files.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    velmora::app::installQtTranslation();
    velmora::app::DesktopPrompter prompter;
    const velmora::app::WindowOptions options{QFile::decodeName(velmora::fileio::programDirectory().c_str()),
                                              &prompter};
    auto window = velmora::app::startWindow(
        [&options] { return std::make_unique<velmora::app::MainWindow>(options); }, prompter);
    if (!window) return 1;
    return application.exec();
}
