// SPDX-License-Identifier: GPL-3.0-or-later
// The window program's entry point.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/main_window.h"
#include "app/process.h"
#include "app/startup.h"
#include "import/table_import.h"
#include "paths/program_places.h"
#include "velmora/build_info.h"

namespace {

const char kUsage[] =
    "用法: velmora            打开窗口\n"
    "      velmora --help     显示本说明\n"
    "      velmora --version  显示版本\n";

// --version and --help are answered before Qt starts, so they work without a display.
int answerBeforeWindow(int argc, char* argv[]) {
    if (argc != 2) return -1;
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("velmora %s\n", velmora::build::kVersion);
        return 0;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return -1;
}

// Delivers every event as Qt does, but a command that runs out of memory ends in a message box.
class Application : public QApplication {
public:
    Application(int& argc, char** argv, velmora::app::Prompter& prompter)
        : QApplication(argc, argv), m_prompter(prompter) {}
    bool notify(QObject* receiver, QEvent* event) override {
        return velmora::app::deliverGuarded([&] { return QApplication::notify(receiver, event); },
                                            m_prompter);
    }

private:
    velmora::app::Prompter& m_prompter;
};

}  // namespace

int main(int argc, char* argv[]) {
    velmora::app::prepareProcess();
    // Short of memory here, the first import says so itself.
    velmora::import::prepareReaders();
    if (const int answered = answerBeforeWindow(argc, argv); answered >= 0) return answered;
    velmora::app::DesktopPrompter prompter;
    Application application(argc, argv, prompter);
    // Qt has taken its own options (-platform, -style ...); anything left is a mistake worth saying.
    if (application.arguments().size() > 1) {
        std::fprintf(stderr, "velmora: 未知的参数: %s\n%s", argv[1], kUsage);
        return 2;
    }
    velmora::app::identifyToDesktop();
    velmora::app::installQtTranslation();
    const velmora::app::WindowOptions options{{}, &prompter, velmora::paths::currentPlaces()};
    auto window = velmora::app::startWindow(
        [&options] { return std::make_unique<velmora::app::MainWindow>(options); }, prompter);
    if (!window) return 1;
    return application.exec();
}
