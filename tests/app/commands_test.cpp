// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commands.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QToolBar>
#include <algorithm>
#include <stdexcept>

#include "app/grid_menu.h"
#include "app/grid_view.h"
#include "app/startup.h"
#include "app/window_progress.h"
#include "window_fixture.h"

namespace velmora::app::testing {
namespace {

QAction* toolbarEntry(MainWindow& window, int position) {
    return window.toolbar().actions().at(position - 1);
}

// With the panel hidden the outer height is 524, but the client area ends at the panel's top (496)
// where the frame is thinner than the difference.
int hiddenHeight(const MainWindow& window) {
    const int frameHeight = window.frameGeometry().height() - window.height();
    return std::min(MainWindow::kShortHeight, MainWindow::kPanelTop + frameHeight);
}

// A command is its action: a renamed caption still runs it, and a separator runs nothing.
TEST_F(WindowTest, SeparatorsDoNothingAndARenamedButtonKeepsItsCommand) {
    for (int position : {1, 4, 7}) {
        QAction* separator = toolbarEntry(*m_window, position);
        ASSERT_TRUE(separator->isSeparator());
        separator->trigger();
    }
    EXPECT_TRUE(m_prompter.messages.empty());
    EXPECT_TRUE(m_prompter.openCalls.empty());
    EXPECT_TRUE(m_prompter.exitCodes.empty());
    EXPECT_EQ(m_window->windowHeight(), MainWindow::kFullHeight);

    QAction* about = toolbarEntry(*m_window, 10);
    about->setText(QStringLiteral("About"));
    QTest::mouseClick(m_window->toolbar().widgetForAction(about), Qt::LeftButton);
    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_TRUE(m_prompter.messages[0].text.startsWith(QStringLiteral("Velmora V")));
}

// Each button runs its own command, by a click as by its action.
TEST_F(WindowTest, ClickingAToolbarButtonRunsItsCommand) {
    const auto click = [this](int position) {
        QTest::mouseClick(m_window->toolbar().widgetForAction(toolbarEntry(*m_window, position)),
                          Qt::LeftButton);
    };
    click(10);  // 关于
    ASSERT_EQ(m_prompter.messages.size(), 1u);
    click(8);  // 设置
    EXPECT_EQ(m_window->windowHeight(), hiddenHeight(*m_window));
    click(2);  // 导入表1
    EXPECT_EQ(m_prompter.openCalls.size(), 1u);
    click(11);  // 退出
    EXPECT_EQ(m_prompter.exitCodes, std::vector<int>{0});
    for (Command command : {Command::ImportRegister, Command::ImportSource, Command::Compare, Command::Export,
                            Command::ToggleSettings, Command::Help, Command::About, Command::Exit}) {
        EXPECT_TRUE(m_window->toolbar().actions().contains(&m_window->commands().action(command)));
    }
}

TEST_F(WindowTest, SettingsButtonTogglesThePanelHeight) {
    // Heights count the frame, as far as the platform draws one.
    const int frameHeight = m_window->frameGeometry().height() - m_window->height();
    const QSize start = m_window->frameGeometry().size();
    run(Command::ToggleSettings);
    EXPECT_EQ(m_window->windowHeight(), hiddenHeight(*m_window));
    EXPECT_EQ(m_window->height(), std::min(524 - frameHeight, 496));
    EXPECT_EQ(m_window->frameGeometry().width(), 800);
    EXPECT_EQ(m_window->pos(), QPoint(50, 50));
    EXPECT_EQ(m_window->minimumSize(), m_window->maximumSize());
    run(Command::ToggleSettings);
    EXPECT_EQ(m_window->windowHeight(), 700);
    EXPECT_EQ(m_window->frameGeometry().size(), start);
    EXPECT_TRUE(m_window->rect().contains(control("分组框3")->geometry()));

    // From any height under 700 the panel comes back; from 700 or more it goes.
    m_window->setWindowHeight(600);
    run(Command::ToggleSettings);
    EXPECT_EQ(m_window->windowHeight(), 700);
    m_window->setWindowHeight(710);
    run(Command::ToggleSettings);
    EXPECT_EQ(m_window->windowHeight(), hiddenHeight(*m_window));
}

// Help never ends in silence: a missing guide, or no program for it, is said with the guide's path.
TEST_F(WindowTest, HelpOpensTheGuideOrSaysWhereItIs) {
    const QString guide = folderPath(QStringLiteral("软件使用说明.doc"));
    struct Case {
        bool guideExists;
        bool programForIt;
        bool opened;
        const char* message;  // its start; null: no message
    };
    const Case cases[] = {
        {false, true, false, "找不到使用说明: "},
        {true, true, true, nullptr},
        {true, false, true, "没有能打开 .doc 文件的程序,无法显示使用说明。\r\n使用说明在: "},
    };
    for (const Case& c : cases) {
        if (c.guideExists) {
            QFile file(guide);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        m_prompter.messages.clear();
        m_prompter.openedDocuments.clear();
        m_prompter.documentsOpen = c.programForIt;
        run(Command::Help);
        EXPECT_EQ(m_prompter.openedDocuments,
                  c.opened ? std::vector<QString>{guide} : std::vector<QString>{});
        if (c.message == nullptr) {
            EXPECT_TRUE(m_prompter.messages.empty());
            continue;
        }
        ASSERT_EQ(m_prompter.messages.size(), 1u);
        EXPECT_EQ(m_prompter.messages[0].text, QString::fromUtf8(c.message) + guide);
    }
}

TEST_F(WindowTest, AboutShowsTheVersionAndAContactLine) {
    run(Command::About);
    ASSERT_EQ(m_prompter.messages.size(), 1u);
    const auto& box = m_prompter.messages.front();
    EXPECT_EQ(box.title, QStringLiteral("信息："));
    EXPECT_EQ(box.icon, MessageIcon::Information);
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("Velmora V3.1112\r\n"))) << box.text.toStdString();
    const QString contact = box.text.mid(QStringLiteral("Velmora V3.1112\r\n").size());
    EXPECT_FALSE(contact.isEmpty());
    // No phone number is made up.
    EXPECT_FALSE(contact.contains(QRegularExpression(QStringLiteral("\\d{5,}"))));
}

TEST_F(WindowTest, ExitEndsWithCodeZeroWithoutSaving) {
    control<QLineEdit>("编辑框1")->setText(QStringLiteral("Sheet1"));
    run(Command::Exit);
    EXPECT_EQ(m_prompter.exitCodes, std::vector<int>{0});
    EXPECT_FALSE(QFile::exists(folderPath(QStringLiteral("vozuz.ini"))));
}

TEST_F(WindowTest, CommandsAndMenuItemsWaitWhileACommandRuns) {
    auto& grid = m_window->sourceGrid();
    grid.appendColumn("A");
    for (int i = 0; i < 3; ++i) grid.setCell(grid.appendRow(), 0, "x");
    m_window->sourceView().gridModel().sync();
    m_window->sourceView().selectRow(0);
    m_window->registerGrid().appendColumn("A");
    m_window->registerGrid().appendRow();
    m_window->registerView().gridModel().sync();
    m_window->registerView().selectRow(0);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QCoreApplication::sendEvent(m_window->registerView().viewport(), &rightClick);
    m_window->gridMenu().menu().hide();

    // The import of Table 2 is running while its dialog is up.
    m_prompter.whileOpen = [this] {
        run(Command::About);
        run(Command::ToggleSettings);
        run(Command::ImportRegister);
        m_window->gridMenu().deleteRow();
        run(Command::Exit);
    };
    run(Command::ImportSource);

    EXPECT_TRUE(m_prompter.messages.empty());
    EXPECT_EQ(m_prompter.openCalls.size(), 1u);
    EXPECT_EQ(m_window->windowHeight(), MainWindow::kFullHeight);
    EXPECT_EQ(m_window->registerGrid().rowCount(), 1);
    EXPECT_EQ(m_prompter.exitCodes, std::vector<int>{0});

    // Once it has ended, everything works again.
    m_prompter.whileOpen = nullptr;
    run(Command::About);
    EXPECT_EQ(m_prompter.messages.size(), 1u);
    m_window->gridMenu().deleteRow();
    EXPECT_EQ(m_window->registerGrid().rowCount(), 0);
}

TEST_F(WindowTest, CancelledImportLeavesGridLabelsAndBarAsTheyWere) {
    m_window->setUnitText("unit");
    m_window->progress().setMaximum(10);
    m_window->progress().setPosition(7);
    for (Command command : {Command::ImportRegister, Command::ImportSource}) {
        const bool isRegister = command == Command::ImportRegister;
        SCOPED_TRACE(isRegister);
        auto& grid = isRegister ? m_window->registerGrid() : m_window->sourceGrid();
        grid.appendColumn("code");
        grid.appendRow();
        run(command);
        EXPECT_EQ(grid.rowCount(), 1);
        EXPECT_EQ(grid.columnCount(), 1);
        auto& view = isRegister ? m_window->registerView() : m_window->sourceView();
        EXPECT_EQ(view.model()->rowCount(), 1);
        EXPECT_EQ(view.model()->columnCount(), 1);
    }
    ASSERT_EQ(m_prompter.openCalls.size(), 2u);
    EXPECT_EQ(m_prompter.openCalls[0].filter,
              QStringLiteral("工作簿 (*.xls *.xlsx *.xlsm *.ods *.fods);;*.xls (*.xls)"));
    EXPECT_EQ(m_prompter.openCalls[0].folder, m_folder.path());
    EXPECT_EQ(m_window->progress().position(), 7);
    EXPECT_EQ(control<QLabel>("标签9")->text(), QStringLiteral("unit"));
}

TEST_F(WindowTest, OpenDialogOffersThePreviousPathAgain) {
    m_prompter.openAnswers = {folderPath(QStringLiteral("missing.xls"))};
    run(Command::ImportSource);
    run(Command::ImportSource);
    ASSERT_EQ(m_prompter.openCalls.size(), 2u);
    EXPECT_EQ(m_prompter.openCalls[0].previousPath, QString());
    EXPECT_EQ(m_prompter.openCalls[1].previousPath, folderPath(QStringLiteral("missing.xls")));

    // A path chosen in the export's save dialog is offered just the same.
    m_window->registerGrid().appendColumn("a");
    m_window->registerGrid().setCell(m_window->registerGrid().appendRow(), 0, "x");
    m_prompter.saveAnswers = {folderPath(QStringLiteral("out.CSV"))};
    run(Command::Export);
    run(Command::ImportRegister);
    ASSERT_EQ(m_prompter.openCalls.size(), 3u);
    EXPECT_EQ(m_prompter.openCalls[2].previousPath, folderPath(QStringLiteral("out.CSV")));
}

TEST(Startup, ShowsTheErrorBoxWhenTheWindowCannotBeCreated) {
    ScriptedPrompter prompter;
    const auto window =
        startWindow([]() -> std::unique_ptr<MainWindow> { throw std::runtime_error("no window"); }, prompter);
    EXPECT_EQ(window, nullptr);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].title, QStringLiteral("错误"));
    EXPECT_EQ(prompter.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(prompter.messages[0].text, QStringLiteral("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"));
}

TEST(Startup, ACommandOutOfMemoryEndsInTheErrorBox) {
    struct Case {
        std::function<bool()> deliver;
        bool delivered;
        std::size_t messages;
    };
    const Case cases[] = {
        {[]() -> bool { throw std::bad_alloc(); }, false, 1},
        {[] { return true; }, true, 0},
    };
    for (const Case& c : cases) {
        ScriptedPrompter prompter;
        EXPECT_EQ(deliverGuarded(c.deliver, prompter), c.delivered);
        ASSERT_EQ(prompter.messages.size(), c.messages);
        if (c.messages > 0) {
            EXPECT_EQ(prompter.messages[0].icon, MessageIcon::Critical);
            EXPECT_TRUE(prompter.messages[0].text.contains(QStringLiteral("内存不足")));
        }
    }
}

}  // namespace
}  // namespace velmora::app::testing
