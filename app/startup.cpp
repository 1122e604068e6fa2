// SPDX-License-Identifier: GPL-3.0-or-later
// Creating the window at start-up.
#include "app/startup.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <new>

namespace velmora::app {

void identifyToDesktop() {
    // The class follows the application name, which would otherwise be whatever the file is called.
    QCoreApplication::setApplicationName(QStringLiteral("velmora"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.velmora"));
}

bool installQtTranslation() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    // Qt's own folder where Qt is installed (Linux); translations/ beside the program where the program
    // brings its Qt along (Windows).
    for (const QString& folder : {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                                  QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
        if (translator->load(QStringLiteral("qtbase_zh_CN"), folder))
            return QCoreApplication::installTranslator(translator);
    }
    delete translator;
    return false;
}

QString startupErrorText() { return QStringLiteral("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"); }

bool deliverGuarded(const std::function<bool()>& deliver, Prompter& prompter) {
    try {
        return deliver();
    } catch (const std::bad_alloc&) {
        // Files are replaced only when complete, so only what the window holds may be partial.
        prompter.message(QStringLiteral("错误"),
                         QStringLiteral("内存不足,操作未能完成。\r\n已写出的文件都是完整的;"
                                        "表中的数据可能不完整,请关闭其他程序后重新导入再试。"),
                         MessageIcon::Critical);
        return false;
    }
}

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
