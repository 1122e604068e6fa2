// SPDX-License-Identifier: GPL-3.0-or-later
// Creating the window at start-up.
#include "app/startup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace velmora::app {

bool installQtTranslation() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QString startupErrorText() { return QStringLiteral("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"); }

std::unique_ptr<MainWindow> startWindow(const WindowFactory& create, Prompter& prompter) {
    std::unique_ptr<MainWindow> window;
    try {
        window = create();
    } catch (...) {
        window.reset();
    }
    if (!window) {
        prompter.message(QStringLiteral("错误"), startupErrorText(), MessageIcon::Critical);
        return nullptr;
    }
    window->show();
    return window;
}

}  // namespace velmora::app
