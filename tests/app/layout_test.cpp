// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolTip>

#include "app/commands.h"
#include "app/grid_view.h"
#include "app/up_down_edit.h"
#include "window_fixture.h"

namespace velmora::app::testing {
namespace {

enum class Kind { Label, Edit, UpDown, Grid, Group, Button, Progress, Holder, Toolbar };

struct Control {
    const char* name;
    Kind kind;
    const char* caption;
    bool panelFont;  // 宋体 9 pt bold
};

// Every control the window shows or holds, in the order of the design.
const Control kControls[] = {
    {"工具条_顶部", Kind::Toolbar, "", false},
    {"标签4", Kind::Label, "表1↓ (如：导出的一卡通空清册）", false},
    {"标签5", Kind::Label, "表2↓  （如：已有的金额发放明细表)", false},
    {"超级列表框1", Kind::Grid, "", false},
    {"超级列表框2", Kind::Grid, "", false},
    {"标签11", Kind::Label, "", true},
    {"标签15", Kind::Label, "", false},
    {"标签16", Kind::Label, "注:姓名不符的已填入表1", false},
    {"进度条1", Kind::Progress, "", false},
    {"分组框3", Kind::Group, "", false},
    {"分组框1", Kind::Group, "导入配置1", true},
    {"标签1", Kind::Label, "导入工作表名", false},
    {"编辑框1", Kind::Edit, "", false},
    {"标签2", Kind::Label, "导入的列(编码,姓名)", false},
    {"编辑框2", Kind::Edit, "", false},
    {"标签3", Kind::Label, "起始行", false},
    {"编辑框3", Kind::UpDown, "", false},
    {"标签10", Kind::Label, "表1后面空几列", false},
    {"编辑框7", Kind::UpDown, "", false},
    {"分组框2", Kind::Group, "导入配置2", true},
    {"标签7", Kind::Label, "导入工作表名", false},
    {"编辑框4", Kind::Edit, "", false},
    {"标签6", Kind::Label, "导入的列(编码,姓名,其他欲导入表1的列)", false},
    {"编辑框5", Kind::Edit, "", false},
    {"标签8", Kind::Label, "起始行", false},
    {"编辑框6", Kind::UpDown, "", false},
    {"按钮6", Kind::Button, "保存配置", false},
    {"按钮7", Kind::Button, "读入配置", false},
    {"标签9", Kind::Label, "", false},
    {"编辑框16", Kind::Holder, "", false},
    {"编辑框11", Kind::Holder, "", false},
};

QString captionOf(QWidget* widget, Kind kind) {
    switch (kind) {
        case Kind::Label:
            return static_cast<QLabel*>(widget)->text();
        case Kind::Edit:
            return static_cast<QLineEdit*>(widget)->text();
        case Kind::UpDown:
            return static_cast<UpDownEdit*>(widget)->editor()->text();
        case Kind::Group:
            return static_cast<QGroupBox*>(widget)->title();
        case Kind::Button:
            return static_cast<QPushButton*>(widget)->text();
        case Kind::Holder:
            return static_cast<QPlainTextEdit*>(widget)->toPlainText();
        default:
            return {};
    }
}

TEST_F(WindowTest, PlacesEveryControlWithItsCaptionFontAndInitialState) {
    for (const Control& expected : kControls) {
        SCOPED_TRACE(expected.name);
        QWidget* widget = control(expected.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), m_window.get());
        EXPECT_EQ(captionOf(widget, expected.kind), QString::fromUtf8(expected.caption));
        EXPECT_TRUE(widget->isVisible());
        EXPECT_TRUE(widget->isEnabled());
        if (expected.panelFont) {
            EXPECT_EQ(widget->font().family(), QStringLiteral("宋体"));
            EXPECT_EQ(widget->font().pointSize(), 9);
            EXPECT_TRUE(widget->font().bold());
        } else {
            EXPECT_FALSE(widget->font().bold());
        }
    }
}

// The layout's rules, whatever the font: every control in sight lies in the window below the toolbar;
// none covers another, except a group box round what it groups; a caption's lines are no wider than its
// control, and every control is at least a line of its font high.
TEST_F(WindowTest, LaysOutTheControlsByTheDesignsRules) {
    const QRect toolbar = control("工具条_顶部")->geometry();
    EXPECT_EQ(toolbar.topLeft(), QPoint(0, 0));
    EXPECT_GE(toolbar.width(), m_window->width());
    std::vector<std::pair<const Control*, QRect>> shown;
    for (const Control& c : kControls) {
        SCOPED_TRACE(c.name);
        QWidget* widget = control(c.name);
        ASSERT_NE(widget, nullptr);
        const QRect place = widget->geometry();
        if (c.kind == Kind::Toolbar) continue;
        if (c.kind == Kind::Holder || QString::fromUtf8(c.name) == QStringLiteral("标签9")) {
            EXPECT_GE(place.left(), m_window->width()) << "a holder stays out of sight";
            continue;
        }
        EXPECT_TRUE(m_window->rect().contains(place));
        EXPECT_GT(place.top(), toolbar.bottom());
        const QFontMetrics metrics(widget->font());
        if (c.kind == Kind::Edit || c.kind == Kind::UpDown || c.kind == Kind::Button) {
            EXPECT_GE(place.height(), metrics.height());
        }
        const QString caption = QString::fromUtf8(c.caption);
        if (c.kind == Kind::Label && !caption.isEmpty()) {
            const QRect needed =
                metrics.boundingRect(QRect(QPoint(0, 0), place.size()), Qt::TextWordWrap, caption);
            EXPECT_LE(needed.width(), place.width()) << caption.toStdString();
            // The design's two-line captions take two lines of a 12-pixel font; a taller substitute
            // font may shave their second line, but never the first.
            EXPECT_GE(place.height(), metrics.height()) << caption.toStdString();
        }
        if (c.kind == Kind::Button) {
            EXPECT_GT(place.width(), metrics.horizontalAdvance(caption));
        }
        shown.emplace_back(&c, place);
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            const auto& [a, aPlace] = shown[i];
            const auto& [b, bPlace] = shown[j];
            if (!aPlace.intersects(bPlace)) continue;
            const bool grouped = (a->kind == Kind::Group && aPlace.contains(bPlace)) ||
                                 (b->kind == Kind::Group && bPlace.contains(aPlace));
            EXPECT_TRUE(grouped) << a->name << " and " << b->name << " overlap";
        }
    }
    // The two grids side by side, Table 1 on the left; the status row under them; the settings panel
    // at the bottom round every setting and both buttons.
    const QRect grid1 = control("超级列表框1")->geometry(), grid2 = control("超级列表框2")->geometry();
    EXPECT_EQ(grid1.top(), grid2.top());
    EXPECT_EQ(grid1.size(), grid2.size());
    EXPECT_LT(grid1.right(), grid2.left());
    EXPECT_GT(control("进度条1")->y(), grid1.bottom());
    const QRect panel = control("分组框3")->geometry();
    EXPECT_GT(panel.top(), control("进度条1")->geometry().bottom());
    for (const char* name :
         {"编辑框1", "编辑框2", "编辑框3", "编辑框7", "编辑框4", "编辑框5", "编辑框6", "按钮6", "按钮7"}) {
        EXPECT_TRUE(panel.contains(control(name)->geometry())) << name;
    }
}

TEST_F(WindowTest, SingleLineBoxesCentreTheirTextAndAcceptLongTexts) {
    for (const Control& expected : kControls) {
        if (expected.kind != Kind::Edit && expected.kind != Kind::UpDown) continue;
        SCOPED_TRACE(expected.name);
        QWidget* widget = control(expected.name);
        ASSERT_NE(widget, nullptr);
        QLineEdit* edit = expected.kind == Kind::Edit ? static_cast<QLineEdit*>(widget)
                                                      : static_cast<UpDownEdit*>(widget)->editor();
        EXPECT_EQ(edit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        const QString longText(40000, QLatin1Char('7'));
        edit->setText(longText);
        EXPECT_EQ(edit->text(), longText);
    }
}

TEST_F(WindowTest, HasTitlePositionFixedSizeAndIcon) {
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("VelmoraV3.1112"));
    EXPECT_EQ(m_window->pos(), QPoint(50, 50));
    EXPECT_EQ(m_window->frameGeometry().size(), QSize(800, 700));
    EXPECT_EQ(m_window->minimumSize(), m_window->maximumSize());
    EXPECT_FALSE(m_window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(m_window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(m_window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    const QList<QSize> sizes = m_window->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(128, 128)));
}

TEST_F(WindowTest, HoldersStayOutOfSightAtBothHeights) {
    for (int round = 0; round < 2; ++round) {
        for (const char* name : {"标签9", "编辑框16", "编辑框11"}) {
            SCOPED_TRACE(name);
            QWidget* holder = control(name);
            ASSERT_NE(holder, nullptr);
            EXPECT_FALSE(m_window->rect().intersects(holder->geometry()));
            EXPECT_EQ(holder->visibleRegion(), QRegion());
        }
        run(Command::ToggleSettings);
    }
}

TEST_F(WindowTest, GridsAreEmptyReportListsWithoutEditingOrSorting) {
    for (const char* name : {"超级列表框1", "超级列表框2"}) {
        SCOPED_TRACE(name);
        auto* view = control<GridView>(name);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->model()->rowCount(), 0);
        EXPECT_EQ(view->model()->columnCount(), 0);
        EXPECT_TRUE(view->showGrid());
        EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
        EXPECT_EQ(view->selectionMode(), QAbstractItemView::SingleSelection);
        EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_FALSE(view->isSortingEnabled());
        EXPECT_FALSE(view->verticalHeader()->isVisible());
        EXPECT_TRUE(view->horizontalHeader()->sectionsMovable());
        EXPECT_TRUE(view->horizontalHeader()->sectionsClickable());
    }
}

TEST_F(WindowTest, ColumnsWidenByDraggingTheirEdgeAndFitByDoubleClickingIt) {
    auto& grid = m_window->registerGrid();
    grid.appendColumn("code");
    grid.appendColumn("name");
    grid.setCell(grid.appendRow(), 0, "000100000123456");
    GridView& view = m_window->registerView();
    view.gridModel().sync();
    ASSERT_EQ(view.columnWidth(0), 70);

    QWidget* header = view.horizontalHeader()->viewport();
    const QPoint edge(view.columnViewportPosition(0) + view.columnWidth(0) - 1, header->height() / 2);
    const auto send = [header](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        QMouseEvent event(type, at, header->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(header, &event);
    };
    send(QEvent::MouseButtonPress, edge, Qt::LeftButton);
    send(QEvent::MouseMove, edge + QPoint(30, 0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, edge + QPoint(30, 0), Qt::NoButton);
    EXPECT_EQ(view.columnWidth(0), 100);

    QTest::mouseDClick(
        header, Qt::LeftButton, Qt::NoModifier,
        QPoint(view.columnViewportPosition(0) + view.columnWidth(0) - 1, header->height() / 2));
    EXPECT_GE(view.columnWidth(0), view.fontMetrics().horizontalAdvance(QStringLiteral("000100000123456")));
    EXPECT_EQ(view.columnWidth(1), 70);
}

TEST_F(WindowTest, ProgressBarStartsAtZero) {
    auto* bar = control<QProgressBar>("进度条1");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(WindowTest, ToolbarHoldsElevenEntriesInOrder) {
    auto* toolbar = control<QToolBar>("工具条_顶部");
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(toolbar->iconSize(), QSize(32, 32));
    const QStringList expected = {"", "导入表1", "导入表2", "",     "自动填表/对比", "导出",
                                  "", "设置",    "帮助",    "关于", "退出"};
    const auto actions = toolbar->actions();
    ASSERT_EQ(actions.size(), expected.size());
    for (int i = 0; i < actions.size(); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(actions[i]->isSeparator(), expected[i].isEmpty());
        EXPECT_EQ(actions[i]->text(), expected[i]);
        if (actions[i]->isSeparator()) continue;
        EXPECT_TRUE(actions[i]->isEnabled());
        EXPECT_FALSE(actions[i]->icon().isNull());
    }
    // Each button's tooltip names its shortcut, and its caption is drawn whole: the picture and the
    // caption's line fit the button, and the button fits the toolbar and the window.
    for (QAction* action : actions) {
        if (action->isSeparator()) continue;
        SCOPED_TRACE(action->text().toStdString());
        auto* button = toolbar->widgetForAction(action);
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(action->shortcut().isEmpty());
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(button, &help);
        EXPECT_EQ(QToolTip::text(),
                  action->text() + " (" + action->shortcut().toString(QKeySequence::NativeText) + ")");
        QToolTip::hideText();
        const QFontMetrics metrics(button->font());
        EXPECT_GE(button->height(), 32 + metrics.height());
        EXPECT_GT(button->width(), metrics.horizontalAdvance(action->text()));
        EXPECT_TRUE(toolbar->rect().contains(button->geometry()));
        EXPECT_EQ(button->focusPolicy(), Qt::TabFocus);
    }
    // Both imports share one picture.
    EXPECT_EQ(actions[1]->icon().pixmap(32).toImage(), actions[2]->icon().pixmap(32).toImage());
}

TEST_F(WindowTest, RowMenuHoldsTheThreeItemsAndTheAdditions) {
    auto* menu = m_window->findChild<QMenu*>(QStringLiteral("右键菜单"));
    ASSERT_NE(menu, nullptr);
    QStringList captions;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        // The design's three items have no key; the additions each have one.
        EXPECT_EQ(action->shortcut().isEmpty(), captions.size() < 3);
        captions << action->text();
    }
    EXPECT_EQ(captions,
              (QStringList{"复制本行", "删除本行", "删除以下行", "撤销删除", "只看有问题的行", "下一处"}));
}

// On a screen too low for the design height (1280 x 1024 at 150 %, less a panel) the window fits the
// work area and every control stays in it; the grids give up the height, down to a least one.
TEST_F(WindowTest, FitsAScreenTooLowForIt) {
    struct Case {
        QRect workArea;
        int height;
    };
    const Case cases[] = {
        {QRect(0, 0, 853, 640), 640}, {QRect(0, 30, 1280, 1000), 700}, {QRect(0, 0, 800, 300), -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.workArea.height());
        MainWindow window(WindowOptions{m_folder.path(), &m_prompter, std::nullopt, c.workArea});
        window.show();
        auto* grid = window.findChild<QWidget*>(QStringLiteral("超级列表框1"));
        if (c.height < 0) {
            EXPECT_GE(grid->height(), 120) << "a few rows stay in sight";
            continue;
        }
        EXPECT_EQ(window.windowHeight(), c.height);
        EXPECT_TRUE(c.workArea.contains(window.frameGeometry()));
        for (QWidget* widget : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (widget->isWindow() || widget->x() >= 800 || widget == &window.toolbar()) continue;
            EXPECT_TRUE(window.rect().contains(widget->geometry().intersected(QRect(0, 0, 800, 10000))))
                << widget->objectName().toStdString();
        }
        const QRect button = window.findChild<QWidget*>(QStringLiteral("按钮7"))->geometry();
        EXPECT_LE(button.bottom(), window.height() - 1);
        EXPECT_EQ(grid->height() + (700 - c.height), 352 - (window.toolbar().height() - 55));
        // Hiding and showing the panel keeps to the smaller heights.
        window.commands().action(Command::ToggleSettings).trigger();
        EXPECT_LE(window.windowHeight(), c.height - 176);
        EXPECT_GE(window.findChild<QWidget*>(QStringLiteral("分组框3"))->y(), window.height());
        window.commands().action(Command::ToggleSettings).trigger();
        EXPECT_EQ(window.windowHeight(), c.height);
    }
}

}  // namespace
}  // namespace velmora::app::testing
