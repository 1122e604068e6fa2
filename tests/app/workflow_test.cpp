// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSet>
#include <deque>

#include "app/commands.h"
#include "app/grid_menu.h"
#include "app/grid_view.h"
#include "app/qt_text.h"
#include "app/window_progress.h"
#include "window_fixture.h"

namespace velmora::app::testing {
namespace {

QString fixture(const char* name) { return QStringLiteral(VELMORA_TEST_DATA "/") + QString::fromUtf8(name); }

class WorkflowTest : public WindowTest {
protected:
    void setBox(const char* name, const char* value) {
        auto* box = m_window->findChild<QLineEdit*>(QString::fromUtf8(name));
        if (box == nullptr)
            box = m_window->findChild<QWidget*>(QString::fromUtf8(name))->findChild<QLineEdit*>();
        ASSERT_NE(box, nullptr) << name;
        box->setText(QString::fromUtf8(value));
    }
    QString labelText(const char* name) { return control<QLabel>(name)->text(); }

    void importBoth() {
        setBox("编辑框1", "Sheet1");
        setBox("编辑框2", "1,2,3,4");
        setBox("编辑框3", "4");
        setBox("编辑框4", "发放明细");
        setBox("编辑框5", "1,2,5");
        setBox("编辑框6", "2");
        m_prompter.openAnswers = {fixture("register.xls"), fixture("payments.xls")};
        run(Command::ImportRegister);
        run(Command::ImportSource);
    }
};

TEST_F(WorkflowTest, ImportsBothTablesIntoTheirGrids) {
    importBoth();
    EXPECT_TRUE(m_prompter.messages.empty());
    EXPECT_EQ(m_window->registerGrid().rowCount(), 40);
    EXPECT_EQ(m_window->sourceGrid().rowCount(), 34);
    EXPECT_EQ(m_window->registerView().model()->rowCount(), 40);
    EXPECT_EQ(m_window->sourceView().model()->columnCount(), 3);
    EXPECT_EQ(m_window->registerView().columnWidth(0), 70);
    EXPECT_EQ(m_window->registerView().model()->headerData(1, Qt::Horizontal).toString(),
              QStringLiteral("姓名"));
    EXPECT_EQ(labelText("标签9"), QStringLiteral("2014年3月"));
    EXPECT_EQ(m_window->results().unitText, text::gbkFromUtf8("2014年3月"));
    // Finished imports leave the bar at 0 and the status empty.
    EXPECT_EQ(control<QProgressBar>("进度条1")->value(), 0);
    EXPECT_EQ(labelText("标签11"), QString());
    // The second dialog offered the first one's file again.
    ASSERT_EQ(m_prompter.openCalls.size(), 2u);
    EXPECT_EQ(m_prompter.openCalls[1].previousPath, fixture("register.xls"));
}

// Everything a failed import could take from the clerk, for comparing before and after.
struct WindowState {
    std::vector<QString> cells;
    QString labels;
    int bar;
    std::vector<int> marks;
    bool operator==(const WindowState&) const = default;
};

TEST_F(WorkflowTest, FailedImportLeavesEverythingAsItWas) {
    const auto state = [this] {
        WindowState seen{{}, {}, control<QProgressBar>("进度条1")->value(), {}};
        for (GridView* view : {&m_window->registerView(), &m_window->sourceView()}) {
            QAbstractItemModel& model = *view->model();
            for (int column = 0; column < model.columnCount(); ++column)
                seen.cells.push_back(model.headerData(column, Qt::Horizontal).toString());
            for (int row = 0; row < model.rowCount(); ++row) {
                seen.marks.push_back(static_cast<int>(view->gridModel().rowMark(row)));
                for (int column = 0; column < model.columnCount(); ++column)
                    seen.cells.push_back(model.index(row, column).data().toString());
            }
        }
        for (const char* name : {"标签9", "标签11", "标签15"})
            seen.labels += labelText(name) + QLatin1Char('|');
        return seen;
    };
    QFile empty(folderPath(QStringLiteral("empty.xls")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    struct Case {
        Command command;
        QString file;
        const char* sheet;  // typed into the table's sheet box
        const char* reason;
    };
    const Case cases[] = {
        {Command::ImportRegister, fixture("not-a-workbook.xls"), "Sheet1", "不是可读取的工作簿"},
        {Command::ImportSource, fixture("truncated.xls"), "发放明细", "工作簿"},
        {Command::ImportRegister, folderPath(QStringLiteral("empty.xls")), "Sheet1", "不是可读取的工作簿"},
        {Command::ImportSource, fixture("payments.xls"), "NoSuchSheet", "NoSuchSheet"},
    };
    importBoth();
    setBox("编辑框7", "1");
    run(Command::Compare);
    const WindowState before = state();
    ASSERT_FALSE(before.labels.startsWith(QLatin1Char('|')));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        m_prompter.messages.clear();
        setBox(c.command == Command::ImportRegister ? "编辑框1" : "编辑框4", c.sheet);
        m_prompter.openAnswers = {c.file};
        run(c.command);
        ASSERT_EQ(m_prompter.messages.size(), 1u);
        EXPECT_EQ(m_prompter.messages[0].title, QStringLiteral("信息："));
        EXPECT_TRUE(m_prompter.messages[0].text.contains(QString::fromUtf8(c.reason)))
            << m_prompter.messages[0].text.toStdString();
        EXPECT_TRUE(state() == before);
    }
}

// A column list naming columns the sheet lacks, or none, imports as set and says which.
TEST_F(WorkflowTest, ImportNamesTheColumnsTheSheetLacks) {
    struct Case {
        const char* spec;
        int columns;
        const char* notice;  // null: none
    };
    const Case cases[] = {
        {"1,2,5", 3, nullptr},
        {"2,3,40,5", 4, "注意: 设置“表2导入列”中的列 40 在工作表中不存在(工作表共"},
        {"1,,0,abc", 4, "注意: 设置“表2导入列”中的列 (空)、0、abc 在工作表中不存在(工作表共"},
        {"", 0, "注意: 设置“表2导入列”为空,没有导入任何列。"},
    };
    setBox("编辑框4", "发放明细");
    setBox("编辑框6", "2");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        m_prompter.messages.clear();
        setBox("编辑框5", c.spec);
        m_prompter.openAnswers = {fixture("payments.xls")};
        run(Command::ImportSource);
        EXPECT_EQ(m_window->sourceView().model()->columnCount(), c.columns);
        EXPECT_EQ(m_window->sourceGrid().rowCount(), 34);
        if (c.notice == nullptr) {
            EXPECT_TRUE(m_prompter.messages.empty());
            continue;
        }
        ASSERT_EQ(m_prompter.messages.size(), 1u);
        EXPECT_TRUE(m_prompter.messages[0].text.startsWith(QString::fromUtf8(c.notice)))
            << m_prompter.messages[0].text.toStdString();
    }
}

// Before any import there is nothing to compare or export: each says so and changes nothing, and an
// earlier export's workbooks stay.
TEST_F(WorkflowTest, CommandsBeforeAnImportChangeNothingAndSaySo) {
    QFile old(folderPath(QStringLiteral("导出的表1.xls")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();
    struct Case {
        Command command;
        const char* message;
    };
    const Case cases[] = {
        {Command::Compare, "请先导入表1和表2,再自动填表/对比。表格未作改动。"},
        {Command::Export, "表1和表2都没有数据,请先导入表。没有写入任何文件。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        m_prompter.messages.clear();
        run(c.command);
        ASSERT_EQ(m_prompter.messages.size(), 1u);
        EXPECT_EQ(m_prompter.messages[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(m_window->registerView().model()->columnCount(), 0);
        EXPECT_EQ(m_window->sourceView().model()->columnCount(), 0);
        EXPECT_EQ(labelText("标签11"), QString());
        EXPECT_EQ(labelText("标签15"), QString());
        EXPECT_EQ(control<QProgressBar>("进度条1")->value(), 0);
    }
    EXPECT_TRUE(m_prompter.saveCalls.empty());
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("导出的表1.xls")});
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("earlier"));

    // With one table imported, the comparison names the missing one.
    m_prompter.messages.clear();
    setBox("编辑框1", "Sheet1");
    setBox("编辑框2", "1,2,3,4");
    m_prompter.openAnswers = {fixture("register.xls")};
    run(Command::ImportRegister);
    run(Command::Compare);
    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_EQ(m_prompter.messages[0].text, QStringLiteral("请先导入表2,再自动填表/对比。表格未作改动。"));
    EXPECT_EQ(m_window->registerGrid().columnCount(), 4);
}

TEST_F(WorkflowTest, ComparesAndFillsTheResultControls) {
    importBoth();
    setBox("编辑框7", "1");
    run(Command::Compare);

    const ResultTexts& results = m_window->results();
    // The comparison ends with the bar empty.
    auto* bar = control<QProgressBar>("进度条1");
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(labelText("标签11"), QString());
    EXPECT_TRUE(labelText("标签15").startsWith(QStringLiteral("结果提示:未找到的一卡通编码有")));
    EXPECT_EQ(labelText("标签15"), fromGbk(results.summary));
    EXPECT_EQ(control<QPlainTextEdit>("编辑框11")->toPlainText().isEmpty(), results.notFoundList.empty());
    // The total line of the payment list has no card in the register.
    EXPECT_NE(results.notFoundList.find(text::gbkFromUtf8("合计")), std::string::npos);
    // Both grids were widened by a marker column, and the views followed.
    EXPECT_EQ(m_window->sourceView().model()->columnCount(), 4);
    EXPECT_EQ(m_window->registerView().model()->columnCount(), m_window->registerGrid().columnCount());
    EXPECT_EQ(m_window->sourceView().model()->data(m_window->sourceView().model()->index(33, 3)).toString(),
              QStringLiteral("未找到此编码"));
}

TEST_F(WorkflowTest, ExportsThroughTheSaveDialogsAndShowsTheClosingMessage) {
    importBoth();
    setBox("编辑框7", "1");
    run(Command::Compare);
    const QString csv1 = folderPath(QStringLiteral("out1.CSV"));
    const QString csv2 = folderPath(QStringLiteral("out2.CSV"));
    m_prompter.saveAnswers = {csv1, csv2};
    run(Command::Export);

    ASSERT_EQ(m_prompter.saveCalls.size(), 2u);
    EXPECT_EQ(m_prompter.saveCalls[0].proposedName, QStringLiteral("表1导出.CSV"));
    EXPECT_EQ(m_prompter.saveCalls[1].proposedName, QStringLiteral("表2导出.CSV"));
    EXPECT_EQ(m_prompter.saveCalls[0].defaultSuffix, QStringLiteral("CSV"));
    // The folder the imports set stays with the shared dialog.
    EXPECT_EQ(m_prompter.saveCalls[0].folder, m_folder.path());
    EXPECT_TRUE(QFile::exists(csv1));
    EXPECT_TRUE(QFile::exists(csv2));
    EXPECT_TRUE(QFile::exists(folderPath(QStringLiteral("2014年3月_待核对.txt"))));

    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_EQ(m_prompter.messages[0].title, QStringLiteral("信息："));
    EXPECT_EQ(m_prompter.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(m_prompter.messages[0].text,
              QStringLiteral("导出表成功,请注意核对\r\n") + fromGbk(m_window->results().summary) +
                  QStringLiteral("\r\n已保存: out1.CSV、导出的表1.xls、out2.CSV、导出的表2.xls、"
                                 "2014年3月_待核对.txt\r\n文件保存在: ") +
                  m_folder.path());
    // The message offers the folder, and taking the offer opens it.
    EXPECT_EQ(m_prompter.offeredButtons, std::vector<QString>{QStringLiteral("打开文件夹")});
    EXPECT_TRUE(m_prompter.openedDocuments.empty());
    m_prompter.takeOffer = true;
    m_prompter.saveAnswers = {csv1, csv2};
    run(Command::Export);
    EXPECT_EQ(m_prompter.openedDocuments, std::vector<QString>{m_folder.path()});
    EXPECT_EQ(labelText("标签11"), QString());
    // Table 2 has fewer than 50 rows, so its part of the bar started above its end: the bar is empty anyway.
    EXPECT_EQ(control<QProgressBar>("进度条1")->minimum(), 0);
    EXPECT_EQ(control<QProgressBar>("进度条1")->value(), 0);
}

TEST_F(WorkflowTest, TheClosingMessageNamesEachFileNotWrittenWithItsReason) {
    importBoth();
    run(Command::Compare);
    m_prompter.saveAnswers = {folderPath(QStringLiteral("missing/out1.CSV")),
                              folderPath(QStringLiteral("missing/out2.CSV"))};
    run(Command::Export);

    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_EQ(m_prompter.messages[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(m_prompter.messages[0].text.startsWith(QStringLiteral(
        "导出未全部成功,以下文件未能写入:\r\nout1.CSV（文件夹不存在）\r\nout2.CSV（文件夹不存在）\r\n")))
        << m_prompter.messages[0].text.toStdString();
}

TEST_F(WorkflowTest, ComparisonColoursTheRowsThatNeedTheClerk) {
    importBoth();
    setBox("编辑框7", "1");
    run(Command::Compare);

    // The marker column, the last one, says which rows need the clerk: every marked row is coloured,
    // a differing name alike in both grids.
    const auto marked = [](QAbstractItemModel& model, int row, bool) {
        return !model.data(model.index(row, model.columnCount() - 1)).toString().isEmpty();
    };
    QSet<QRgb> colours;
    QSet<QRgb> nameColours;
    for (GridView* view : {&m_window->registerView(), &m_window->sourceView()}) {
        const bool isRegister = view == &m_window->registerView();
        SCOPED_TRACE(isRegister ? "register" : "source");
        QAbstractItemModel& model = *view->model();
        int count = 0;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QVariant background = model.index(row, 0).data(Qt::BackgroundRole);
            ASSERT_EQ(background.isValid(), marked(model, row, isRegister)) << row;
            if (!background.isValid()) continue;
            ++count;
            const QColor colour = background.value<QColor>();
            EXPECT_GE(colour.lightness(), 200) << "dark text must stay readable";
            EXPECT_EQ(model.index(row, 1).data(Qt::BackgroundRole), background) << "the whole row";
            colours.insert(colour.rgb());
            const QString marker = model.index(row, model.columnCount() - 1).data().toString();
            if (marker.startsWith(isRegister ? QStringLiteral("表2姓名为:") : QStringLiteral("表1姓名为:")))
                nameColours.insert(colour.rgb());
        }
        EXPECT_GT(count, 0);
    }
    EXPECT_EQ(colours.size(), 2u) << "one colour per kind of problem";
    EXPECT_EQ(nameColours.size(), 1u) << "a differing name is coloured alike in both grids";

    // A deleted row takes its colour along; a new import starts uncoloured.
    QAbstractItemModel& source = *m_window->sourceView().model();
    const QVariant lastRow = source.index(33, 0).data(Qt::BackgroundRole);
    ASSERT_TRUE(lastRow.isValid());
    m_window->sourceView().gridModel().removeGridRow(0);
    EXPECT_EQ(source.index(32, 0).data(Qt::BackgroundRole), lastRow);
    m_prompter.openAnswers = {fixture("payments.xls")};
    run(Command::ImportSource);
    EXPECT_FALSE(source.index(33, 0).data(Qt::BackgroundRole).isValid());
}

TEST_F(WorkflowTest, CommandsShowTheWaitPointerOnlyWhileTheyWork) {
    // The bar moves only while a command works, so each move samples the pointer of the work.
    int moves = 0, movesUnderWaitPointer = 0;
    QObject::connect(control<QProgressBar>("进度条1"), &QProgressBar::valueChanged, m_window.get(), [&] {
        ++moves;
        const QCursor* pointer = QGuiApplication::overrideCursor();
        if (pointer != nullptr && pointer->shape() == Qt::WaitCursor) ++movesUnderWaitPointer;
    });
    importBoth();
    setBox("编辑框7", "1");
    run(Command::Compare);
    m_prompter.saveAnswers = {folderPath(QStringLiteral("out1.CSV")), folderPath(QStringLiteral("out2.CSV"))};
    run(Command::Export);
    m_prompter.openAnswers = {folderPath(QStringLiteral("missing.xls"))};
    run(Command::ImportRegister);

    EXPECT_GT(moves, 0);
    EXPECT_EQ(movesUnderWaitPointer, moves);
    // Five dialogs and two messages, each answered with the normal pointer.
    EXPECT_EQ(m_prompter.openCalls.size() + m_prompter.saveCalls.size() + m_prompter.messages.size(), 7u);
    EXPECT_EQ(m_prompter.promptsUnderWaitPointer, 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// A cancelled dialog never leaves a running status behind, and a skipped CSV is named as skipped.
TEST_F(WorkflowTest, CancelledSaveDialogsLeaveTheLabelsIdleAndAreSaid) {
    importBoth();
    struct Case {
        std::deque<QString> answers;
        std::size_t dialogs;
        const char* message;  // its start; null: none
    };
    const Case cases[] = {
        {{}, 1, nullptr},
        {{folderPath(QStringLiteral("out1.CSV"))},
         2,
         "导出已完成,但以下文件未保存:\r\n表2导出.CSV（已取消）\r\n"},
    };
    for (const Case& c : cases) {
        m_prompter.saveCalls.clear();
        m_prompter.messages.clear();
        m_prompter.saveAnswers = c.answers;
        run(Command::Export);
        EXPECT_EQ(m_prompter.saveCalls.size(), c.dialogs);
        EXPECT_EQ(labelText("标签11"), QString());
        EXPECT_EQ(control<QProgressBar>("进度条1")->value(), 0);
        if (c.message == nullptr) {
            EXPECT_TRUE(m_prompter.messages.empty());
            EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files), QStringList());
            continue;
        }
        ASSERT_EQ(m_prompter.messages.size(), 1u);
        const QString& text = m_prompter.messages[0].text;
        EXPECT_TRUE(text.startsWith(QString::fromUtf8(c.message))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("已保存: out1.CSV、导出的表1.xls、导出的表2.xls")))
            << text.toStdString();
    }
}

// After a comparison the clerk reaches each marked row by "下一处" (F3) and may hide the others; the
// commands act on the grid with the focus, and a new import shows every row again.
TEST_F(WorkflowTest, NextProblemAndProblemRowsOnlyFindTheMarkedRows) {
    importBoth();
    setBox("编辑框7", "1");
    run(Command::Compare);
    GridView& source = m_window->sourceView();
    std::vector<int> marked;
    for (int row = 0; row < source.model()->rowCount(); ++row) {
        if (source.gridModel().rowMark(row) != RowMark::None) marked.push_back(row);
    }
    ASSERT_GE(marked.size(), 2u);
    source.setFocus();
    QAction& next = m_window->gridMenu().nextProblemAction();
    std::vector<int> visited;
    for (std::size_t i = 0; i <= marked.size(); ++i) {
        next.trigger();
        visited.push_back(source.selectedRow());
    }
    std::vector<int> expected = marked;
    expected.push_back(marked.front());  // round again
    EXPECT_EQ(visited, expected);

    QAction& only = m_window->gridMenu().problemRowsAction();
    only.trigger();
    int shown = 0;
    for (int row = 0; row < source.model()->rowCount(); ++row) shown += source.isRowHidden(row) ? 0 : 1;
    EXPECT_EQ(shown, static_cast<int>(marked.size()));
    EXPECT_TRUE(only.isChecked());
    EXPECT_FALSE(m_window->registerView().problemRowsOnly());
    only.trigger();
    EXPECT_FALSE(source.isRowHidden(0) || source.isRowHidden(source.model()->rowCount() - 1));

    only.trigger();
    m_prompter.openAnswers = {fixture("payments.xls")};
    run(Command::ImportSource);
    EXPECT_FALSE(source.problemRowsOnly());
    EXPECT_FALSE(source.isRowHidden(0));
    // Nothing marked: the selection stays.
    source.selectRow(3);
    next.trigger();
    EXPECT_EQ(source.selectedRow(), 3);
}

}  // namespace
}  // namespace velmora::app::testing
