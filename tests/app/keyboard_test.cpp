// SPDX-License-Identifier: GPL-3.0-or-later
// Driving the window without a mouse, and handing it files the desktop's way.
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>

#include "app/commands.h"
#include "app/grid_menu.h"
#include "app/grid_view.h"
#include "app/startup.h"
#include "window_fixture.h"

namespace velmora::app::testing {
namespace {

QString fixture(const char* name) { return QStringLiteral(VELMORA_TEST_DATA "/") + QString::fromUtf8(name); }

class KeyboardTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }
};

// Every command has its key, and the key runs it from wherever the focus is.
TEST_F(KeyboardTest, EveryCommandRunsFromItsShortcut) {
    struct Case {
        const char* keys;
        std::function<bool(const ScriptedPrompter&)> ran;
    };
    const Case cases[] = {
        {"Ctrl+1", [](const ScriptedPrompter& p) { return p.openCalls.size() == 1; }},
        {"Ctrl+2", [](const ScriptedPrompter& p) { return p.openCalls.size() == 1; }},
        {"Ctrl+R", [](const ScriptedPrompter& p) { return p.messages.size() == 1; }},
        {"Ctrl+E", [](const ScriptedPrompter& p) { return p.messages.size() == 1; }},
        {"F1", [](const ScriptedPrompter& p) { return p.messages.size() == 1; }},
        {"Shift+F1",
         [](const ScriptedPrompter& p) {
             return p.messages.size() == 1 && p.messages[0].text.startsWith(QStringLiteral("Velmora V"));
         }},
        {"Ctrl+Q", [](const ScriptedPrompter& p) { return p.exitCodes == std::vector<int>{0}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        m_prompter.openCalls.clear();
        m_prompter.messages.clear();
        m_prompter.exitCodes.clear();
        m_window->sourceView().setFocus();
        QTest::keySequence(m_window.get(), QKeySequence(QString::fromUtf8(c.keys)));
        EXPECT_TRUE(c.ran(m_prompter));
    }
    QSignalSpy undo(&m_window->gridMenu().undoAction(), &QAction::triggered);
    QTest::keySequence(m_window.get(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(undo.count(), 1);
    const int height = m_window->windowHeight();
    QTest::keySequence(m_window.get(), QKeySequence(QStringLiteral("Ctrl+,")));
    EXPECT_NE(m_window->windowHeight(), height);
}

// Tab goes from the toolbar's buttons through both grids to the settings, and never gets stuck in a grid.
TEST_F(KeyboardTest, TabWalksEveryControlAndLeavesTheGrids) {
    auto* first =
        qobject_cast<QToolButton*>(m_window->toolbar().widgetForAction(m_window->toolbar().actions().at(1)));
    ASSERT_NE(first, nullptr);
    first->setFocus();
    QStringList visited;
    for (int step = 0; step < 20; ++step) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        const QString name = focus->objectName().isEmpty() && focus->parentWidget() != nullptr
                                 ? focus->parentWidget()->objectName()
                                 : focus->objectName();
        visited << (qobject_cast<QToolButton*>(focus) ? QStringLiteral("button") : name);
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    const QStringList expected = {"button",  "button",  "button",  "button",      "button",
                                  "button",  "button",  "button",  "超级列表框1", "超级列表框2",
                                  "编辑框1", "编辑框2", "编辑框3", "编辑框7",     "编辑框4",
                                  "编辑框5", "编辑框6", "按钮6",   "按钮7",       "button"};
    EXPECT_EQ(visited, expected);

    // Ctrl+Tab leaves a grid too, forwards and with Shift backwards.
    m_window->registerView().setFocus();
    QTest::keyClick(&m_window->registerView(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), &m_window->sourceView());
    QTest::keyClick(&m_window->sourceView(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), &m_window->registerView());
}

// A cell its column cuts shows its whole text as a tooltip; a whole one shows none.
TEST_F(KeyboardTest, CutCellsShowTheirWholeText) {
    auto& grid = m_window->registerGrid();
    grid.appendColumn("code");
    grid.appendColumn("name");
    const int row = grid.appendRow();
    grid.setCell(row, 0, "0001000001234");
    grid.setCell(row, 1, "ab");
    GridView& view = m_window->registerView();
    view.gridModel().sync();
    for (int column : {0, 1}) {
        SCOPED_TRACE(column);
        QToolTip::hideText();
        ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
        const QPoint at = view.visualRect(view.model()->index(row, column)).center();
        QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view.viewport(), &help);
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(),
                  column == 0 ? QStringLiteral("0001000001234") : QString());
    }
}

// A workbook dropped on a grid is imported as that table, with the table's settings; anything else is
// refused.
TEST_F(KeyboardTest, AWorkbookDroppedOnAGridImportsThatTable) {
    const auto drop = [](GridView& view, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = view.viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &dropped);
        QCoreApplication::processEvents();
        return dropped.isAccepted();
    };
    for (const auto& [name, value] :
         {std::pair{"编辑框4", "发放明细"}, std::pair{"编辑框5", "1,2,5"}, std::pair{"编辑框6", "2"}}) {
        QWidget* box = m_window->findChild<QWidget*>(QString::fromUtf8(name));
        auto* edit = qobject_cast<QLineEdit*>(box);
        if (edit == nullptr) edit = box->findChild<QLineEdit*>();
        edit->setText(QString::fromUtf8(value));
    }
    EXPECT_FALSE(drop(m_window->sourceView(), {QUrl(QStringLiteral("https://example.org/a.xls"))}));
    EXPECT_FALSE(drop(m_window->sourceView(), {QUrl::fromLocalFile(fixture("payments.xls")),
                                               QUrl::fromLocalFile(fixture("register.xls"))}));
    EXPECT_EQ(m_window->sourceGrid().columnCount(), 0);
    EXPECT_TRUE(drop(m_window->sourceView(), {QUrl::fromLocalFile(fixture("payments.xls"))}));
    EXPECT_EQ(m_window->sourceGrid().rowCount(), 34);
    EXPECT_EQ(m_window->registerGrid().columnCount(), 0);
    EXPECT_TRUE(m_prompter.openCalls.empty());
    EXPECT_TRUE(m_prompter.messages.empty());
}

TEST(Desktop, NamesTheProgramForDocksAndMenus) {
    identifyToDesktop();
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("org.velmora.velmora"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("velmora"));
}

}  // namespace
}  // namespace velmora::app::testing
